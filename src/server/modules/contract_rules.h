#pragma once

// A service's contract restrictions as stored, and a month's menu judged against them.

#include "core/contract_rules.h"
#include "server/db_layer.h"

#include <QDate>
#include <QList>
#include <QString>

namespace pla::server {

struct TRestricaoGravada {
    qint64 Numero = 0; // NRRESTCONT
    TRestricaoContratual Regra;
    QString Clausula; // DSRESTCONT: where the contract says so
};

// A restriction judged against a month: kept or broken, the month's days that break it,
// in order, and what was found, in the planner's words.
struct TVeredito {
    TRestricaoGravada Restricao;
    bool Cumprida = true;
    QList<QDate> Dias;
    QString Detalhe;
};

// The service's restrictions, by number.
QList<TRestricaoGravada> RestricoesDoServico(TDatabase& db, const QString& cdFilial,
                                             const QString& cdServFili);

// Each restriction of the service judged against the month's menu as stored. Only the
// served days count (a day with estimated diners); a dish counts by its own dish type.
QList<TVeredito> JulgaRestricoes(TDatabase& db, const QString& cdFilial, const QString& cdServFili,
                                 const QDate& mes);

} // namespace pla::server
