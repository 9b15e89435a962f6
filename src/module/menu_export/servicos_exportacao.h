#pragma once

#include "core/mem_table.h"
#include "core/messages.h"

#include <QDate>
#include <QString>

namespace pla::module {

// The rules of the export screen's destinations (cdsServicos: IDMARCADO, CDSERVFILI,
// IDSITSERV, DSMENSERRROS ...), apart from the widgets that show them.

// One service (the current row) flips between marked and not, unless its situation is
// an error; all: with nothing marked every service but those in error or blocked is
// marked, else every marked one but those is unmarked. The current row stays.
void MarcaServico(TMemTable& servicos, bool todos);

// The lists ExportarCardapio takes: the origin once per marked service and the marked
// services, each code followed by "_", in the table's order; and their count.
struct TListasExportacao {
    QString Origens;
    QString Destinos;
    int Quantidade = 0;
};
TListasExportacao ListasExportacao(TMemTable& servicos, const QString& cdServicoOrigem);

// The text of a situation's key list ("HA_CICLO;N_HA_CARD;"): each key's text from the
// catalogue as a line "- text", the lines apart by an empty line. A last key without its
// ";" counts too; an unknown key shows as it is.
QString TextoSituacao(const TMessages& catalogo, const QString& chaves);

// The picture of a cell of the destinations' grid.
enum class TImagemServico {
    Marcado,
    Desmarcado,
    MarcadoCinza,
    Ok,
    Alerta,
    Erro,
    Bloqueado,
    Nenhuma
};
TImagemServico ImagemServico(const QString& campo, const QString& situacao, const QString& marcado);

// The period's check: the key of the first refusal (empty when it passes). The limit is
// the first day that may change; the months are compared by number only.
QString VerificaPeriodo(const QDate& inicio, const QDate& fim, const QDate& limite);

} // namespace pla::module
