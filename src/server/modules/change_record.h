#pragma once

#include "rpc/contracts.h"
#include "server/db_layer.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pla::server {

// The record of every change to the positions of a service's menus (HISTCARD), kept in
// the transaction of the change. A writer reads each day it is about to change (Antes,
// or Novo for a day it creates) and, once done, has the record compare (Registra): per
// position of the day, a dish still there is matched with itself, the rest before and
// after are paired in order; each pair whose dish or share differs is written with the
// day's diners before and after, the operation, the operator and one instant for the
// whole change. A change of the day's diners alone is no change of a position.
class TRegistroAlteracoes {
public:
    TRegistroAlteracoes(TDatabase& db, const QString& cdFilial, const QString& cdOperador,
                        rpc::TOperacaoCardapio operacao);

    // The day as it stands now, before the change; later readings of it are ignored. The
    // day's row stays locked until the change commits, so that another writer of the day
    // reads it only then.
    void Antes(const QString& nrCardapio);
    // Many days read and locked as Antes does, in one go, before any of them changes: a
    // later Antes of one of them takes this reading instead of reading again (and the
    // days are recorded in the order of those Antes). For a writer that knows every day
    // it may change before it writes anything.
    void LeAntes(const QStringList& nrsCardapio);
    // The service's day of a date, when it has a menu, as Antes.
    void AntesDoDia(const QString& cdServFili, const QDate& dia);
    // A day the change creates: nothing stood before it.
    void Novo(const QString& nrCardapio);
    // Compares the days read before with what they hold now and writes the differences;
    // the days are forgotten. The number of positions written.
    int Registra();
    int Registra(const QString& nrCardapio);

    const QDateTime& Instante() const { return instante_; }

private:
    struct TPrato {
        int Ordem = 0;
        QString Filial; // CDFILAUXPRAT
        QString Codigo;
        double Percentual = 0;
        QString Tipo;
    };
    struct TDia {
        bool Existe = false;
        QString Servico;
        QDateTime Data;
        double Comensais = 0;
        QMap<int, QList<TPrato>> Posicoes; // by NRSEQPRATCAR, in NRORDPRATCAR order
    };

    // The days as they stand now, by number; a day that does not exist is absent.
    QVariantList paramsDe(const QStringList& nrsCardapio) const;
    QHash<QString, TDia> le(const QStringList& nrsCardapio);
    void trava(const QStringList& nrsCardapio);
    int compara(const QString& nrCardapio, const TDia& antes, const TDia& depois);
    void grava(const QString& nrCardapio, const TDia& antes, const TDia& depois, int posicao,
               const TPrato* anterior, const TPrato* novo);
    // Writes the lines compared so far, many to a statement.
    void gravaLinhas();

    TDatabase& db_;
    QString filial_;
    QString operador_;
    rpc::TOperacaoCardapio operacao_;
    QDateTime instante_;
    QList<QString> ordem_; // the days in the order first read
    QHash<QString, TDia> antes_;
    QHash<QString, TDia> lidos_;      // read ahead by LeAntes, not yet taken by Antes
    QList<QVariantList> linhas_;      // HISTCARD rows not yet written
    QPair<QDateTime, QVariant> data_; // the last day's date, and as written
    QVariant instanteSql_;
};

} // namespace pla::server
