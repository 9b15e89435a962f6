#pragma once

// The cost rules in one place: the unit cost of a product at a date, a dish's cost per
// serving, and the planned cost of a service's days (raw material, consumables, the
// branch's indirect cost), which the month's cost screen, its work area and the
// closing check all read.

#include "server/db_layer.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace pla::server {

struct TCallContext;

// Why the operator may not read a service's costs with these prices, or empty: the
// branch and service exist and the operator may work on the branch; the cost type
// (unless negative) and the branch whose prices are used exist. Every reader of a
// service's costs asks it.
QString CostRefusal(TCallContext& ctx, const QString& filial, const QString& servico,
                    qint64 tipoCusto, const QString& filialCusto);

// SQL of a product's unit cost at a date: the price of the cost type in the cost
// branch with the latest validity on or before the date (the key of CUSTOPROD finds
// it with one seek, however long the price history), null when there is none. Two
// placeholders, cost branch and cost type, stand where the fragment does; `product`
// and `reference` are SQL expressions of the enclosing query.
QString UnitCostSql(const QString& product, const QString& reference);
// SQL of a dish's cost per serving at a date: over its recipe, the gross quantity
// (net quantity per serving × correction factor, what is bought) times the unit cost;
// a product without a price counts 0. `dish` is the alias of a row with CDFILAUXPRAT
// and CDPRATO. The same two placeholders as UnitCostSql.
QString ServingCostSql(const QString& dish, const QString& reference);

// What the planned cost of some days is computed from.
struct TCostQuery {
    QString Filial;
    QString Servico;
    QDate Inicio;
    QDate Fim;
    qint64 TipoCusto = 0;
    QDate Referencia;    // invalid: each day its own date
    QString FilialCusto; // whose prices
    bool PorPrato = false;
};

// A dish of a day as the cost sees it.
struct TDishCost {
    QDate Dia;
    qint64 Posicao = 0; // NRSEQPRATCAR
    qint64 Ordem = 0;   // NRORDPRATCAR
    QString FilialPrato;
    QString Prato;
    double Porcoes = 0;     // share of the day's diners × the diners
    double CustoPorcao = 0; // cost per serving at the day's reference date
    double Custo = 0;       // portions × cost per serving
};

// A calendar day of the period; a day without a menu has only zeros.
struct TDayCost {
    QDate Dia;
    double MateriaPrima = 0; // VRCUSTPRODMAT: the dishes
    double Consumo = 0;      // VRCUSTOCONS: the service's consumables for the diners
    QVariant Rateio;         // VRCUSTORAT: the day's share of the indirect cost; null without one
    double Comensais = 0;    // QTCOMESTICAR
    double Clientes = 0;     // QTCLIESTICAR
};

struct TPeriodCost {
    QList<TDayCost> Dias;    // every calendar day, in order
    QList<TDishCost> Pratos; // only when asked for (PorPrato), in day and position order
};

// The planned cost of each calendar day of the period, every value rounded to 5
// decimals: each dish's cost per serving and the consumables per diner first, then each
// dish's portions and cost, the day's sum of them, the day's consumption and its share
// of the indirect cost. A constant number of statements whatever the days and dishes.
TPeriodCost PlannedCost(TDatabase& db, const TCostQuery& q);

// The planned per capita of some days (a month, or a day of it), what the closing check
// holds a month to: (raw material + consumption) / diners, the indirect cost left out,
// rounded. The diners are the client diners when `clientes` (the branch's per-capita
// basis IDCOMCUSPERC "C"), else all the estimated ones. None without diners.
std::optional<double> PlannedPerCapita(const QList<TDayCost>& days, bool clientes);

// A served day's real cost: what the stock gave out, valued at the real cost type.
struct TServedDay {
    QDate Dia;
    double Comensais = 0; // QTCOMEFETCAR, 0 when not recorded
    double Quantidade = 0;
    double Custo = 0;
};

// The served days of a month (with withdrawals or with effective diners), in date
// order: each withdrawal valued at the unit cost of the cost type at the reference
// date (fixed, or the day's own when invalid) in the cost branch, or at its own unit
// cost when the product has no such price.
QList<TServedDay> RealCost(TDatabase& db, const QString& filial, const QString& servico,
                           const QDate& month, qint64 tipoCusto, const QDate& referencia,
                           const QString& filialCusto);

// A work area of the month's costs as GetTrabCusto stored it.
struct TWorkArea {
    QString Chave;
    QString Filial;
    QString Servico;
    QString Operador;
    QDate Inicio;
    QDate Fim;
    qint64 TipoCusto = 0;
    QString FilialCusto;
    bool PorPrato = false;
};

// The work area of a key, unless it is gone (released, or swept after a day).
std::optional<TWorkArea> FindWorkArea(TDatabase& db, const QString& chave);
// Why the operator may not use the area on behalf of the branch: another branch's or
// another operator's; empty when it may.
QString WorkAreaRefusal(const TWorkArea& area, const QString& filial, const QString& operador);

} // namespace pla::server
