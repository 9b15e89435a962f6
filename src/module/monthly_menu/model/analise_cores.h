#pragma once

#include "module/monthly_menu/grid/menu_pivot.h"
#include "rpc/contracts.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <optional>

class QTimer;

namespace pla::module {

class TCardapioMensal;

// What the colour analysis says of a dish of a day (a row of cdsAnaliCor).
struct TFaixaPrato {
    rpc::TFaixaCusto Faixa = rpc::TFaixaCusto::NaFaixa;
    double CustoPorcao = 0;
    double Alvo = 0; // the position's target per serving
    double Inferior = 0;
    double Superior = 0;
    QVariant PerCapitaDia; // null: nobody eats that day
    QVariant Padrao;       // null: the month has no standard
};

// A class's colour in the grid and the legend's words for it.
struct TLegendaFaixa {
    rpc::TFaixaCusto Faixa;
    QColor Cor;
    QString Titulo;    // "Barato"
    QString Descricao; // "porção abaixo de 80 % do alvo"
};
// Cheap, in range, expensive, in that order.
const QList<TLegendaFaixa>& LegendaAnaliCor();
const TLegendaFaixa& LegendaDe(rpc::TFaixaCusto faixa);
// The cell's explanation, for its hint: the class, the cost per serving against the
// limits, the target, the day's per capita and the standard.
QString ExplicaFaixa(const TFaixaPrato& faixa);

// The colour analysis of the open month ("Análise de Cores"): while it is on, the grid
// paints each dish by its class from the server (cdsAnaliCor). It switches off by a
// second click, by any editing or launching action (DesabilitaAnaliCor) and by itself
// after ten minutes: timAnaliCor ticks once a second and the 600th tick ends it, so
// that colours of a month that changed elsewhere meanwhile do not linger.
class TAnaliseCores : public QObject {
    Q_OBJECT

public:
    static constexpr int IntervaloMs = 1000;
    static constexpr int TicksMaximo = 600;

    explicit TAnaliseCores(TCardapioMensal& cardapio);

    bool Ativa() const;
    int Ticks() const { return ticks_; }
    const QTimer& Timer() const { return *timAnaliCor; }

    // sbtAnaliCorClick: on, with the month's classes read from the server and the
    // ticks from 0; off when it was on.
    void Alterna();
    // One tick of timAnaliCor; the tests drive it without waiting.
    void timAnaliCorTimer();
    // DesabilitaAnaliCor: off, when it is on.
    void Desabilita();

    // The class of the dish a grid cell shows, while on; none for the diners row, an
    // empty cell, or a dish the server did not class (not yet saved, say).
    std::optional<TFaixaPrato> FaixaDaCelula(const TPivotCell& cell) const;

signals:
    void alterada(bool ativa); // switched on or off

private:
    void indexa();
    void desliga();

    TCardapioMensal& cardapio_;
    QTimer* timAnaliCor = nullptr;
    int ticks_ = 0;
    QHash<QString, TFaixaPrato> faixas_; // by day, position and dish
};

} // namespace pla::module
