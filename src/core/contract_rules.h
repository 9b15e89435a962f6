#pragma once

#include <QChar>
#include <QList>
#include <QString>

namespace pla {

// The kinds of a contract restriction of a branch's service (RESTCONTSERV.IDTIPORESTR).
enum class TTipoRestricao : char {
    MaximoPorSemana = 'S',   // at most N of the dishes it names in any week
    MinimoDiasMes = 'D',     // the dishes it names on at least N served days of the month
    CustoMaximo = 'C',       // the month's planned per capita at most this many reais
    IntervaloRepeticao = 'R' // the same dish it names again only N days or more later
};

// A restriction as the contract states it: its kind, the dishes it names (of a dish
// type, fried ones, or fried ones of a type) and its limit. The desktop and the server
// describe and check it alike.
struct TRestricaoContratual {
    QChar Tipo;
    QString CdTipoPrat; // empty: dishes of any type
    QString NmTipoPrat;
    bool SoFritos = false;
    double Limite = 0;
};

// The kinds in the order the screen offers them.
const QList<TTipoRestricao>& TiposRestricao();
// "Máximo de pratos por semana", ...; empty for an unknown kind.
QString NomeTipoRestricao(QChar tipo);
// What the limit counts, shown after it: "pratos por semana", "R$ por comensal", ...
QString UnidadeRestricao(QChar tipo);
// The kind counts dishes, so it names which ones; the cost does not.
bool RestricaoDePratos(QChar tipo);
// The dishes it names, in the plural ("pratos fritos do tipo PRATO PRINCIPAL") or
// the singular ("prato frito do tipo PRATO PRINCIPAL").
QString AlvoRestricao(const TRestricaoContratual& r, bool plural = true);
// The restriction in the planner's words: "No máximo 2 pratos fritos por semana".
QString DescricaoRestricao(const TRestricaoContratual& r);
// Reais as the restrictions show them: two decimals at least, more when there are any
// ("5,00", "5,00004").
QString ValorMonetario(double v);
// Why the restriction cannot stand as given, in the planner's words; empty when it can.
QString ProblemaRestricao(const TRestricaoContratual& r);

} // namespace pla
