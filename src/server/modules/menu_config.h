#pragma once

// A month's dish positions and the rules that keep them, shared by the configuration of
// the month (PLA00119) and the import of dish types from another month or service
// (PLA00121): whatever changes the positions goes through the same checks and the same
// write.

#include "server/db_layer.h"
#include "server/remote_data_module.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace pla::server {

struct TPosicaoMes {
    int Seq = 0; // NRSEQCNFMES; 0 for a position not yet written
    int Ordem = 0;
    QString Tipo;
    QString NomeTipo;
    QString Opcional;
    QString Contada;
    QString Impressa;

    // The dish type's meaning for the dishes placed: their type and how they count.
    bool MesmoSentido(const TPosicaoMes& o) const {
        return Tipo == o.Tipo && Opcional == o.Opcional && Contada == o.Contada;
    }
    bool Igual(const TPosicaoMes& o) const {
        return MesmoSentido(o) && Ordem == o.Ordem && Impressa == o.Impressa;
    }
    // "posição 3 (Feijão)", or "nova posição (Salada)".
    QString Nome() const;
};

// A day of the month holding dishes in a position.
struct TDiaComPrato {
    QDate Dia;
    QString NrCardapio;
};

// The month's own positions, or the service's standing ones without a month, in
// display order.
QList<TPosicaoMes> PosicoesDoMes(TDatabase& db, const QString& filial, const QString& servico,
                                 const std::optional<QDate>& month);
// The days of the month that hold dishes, by position, in date order.
QHash<int, QList<TDiaComPrato>> DiasComPratos(TDatabase& db, const QString& filial,
                                              const QString& servico, const QDate& month);

// The positions a month is to have, checked one by one (dish type given and registered,
// an order from 1 to 999 no other position has, the flags "S" or "N", at least one
// position); the dish types' names are filled in. EPlaError with the first problem.
void ValidaPosicoes(TDatabase& db, QList<TPosicaoMes>& positions);

// Why a stored position cannot become `depois` (null: removed) because it holds dishes
// on days that can no longer change: such a position stays, with its dish type and
// whether it is optional or counted; empty when it may change.
QString RecusaPorDiasBloqueados(const TPosicaoMes& antes, const TPosicaoMes* depois,
                                const QList<TDiaComPrato>& dias, const QDate& primeiroAlteravel);
// The position's dishes go with the change: it holds some and is removed, or takes
// another dish type.
bool PerdePratos(const TPosicaoMes& antes, const TPosicaoMes* depois,
                 const QList<TDiaComPrato>& dias);

// Writes a month's positions as `enviadas` (a position numbered 0 is new): the month
// takes the service's standing positions first when it has none of its own; positions
// with dishes on blocked days refuse to change their meaning; dishes are lost only from
// the positions in `confirmadas`. Runs inside the caller's transaction; the number of
// dishes removed.
qlonglong GravaPosicoesMes(TCallContext& ctx, const QString& filial, const QString& servico,
                           const QDate& month, const QList<TPosicaoMes>& enviadas,
                           const QSet<int>& confirmadas);

} // namespace pla::server
