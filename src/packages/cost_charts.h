#pragma once

#include "core/mem_table.h"
#include "host/base_forms.h"

#include <QDate>
#include <QList>
#include <QPointer>

class QAbstractBarSeries;
class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QStackedBarSeries;
class QChart;
class QChartView;
class QFileDialog;
class QLabel;
class QLineSeries;
class QPagedPaintDevice;
class QTimer;
class QValueAxis;

namespace pla::packages {

// A chart of the month's costs over a table of the open monthly screen, one row a
// day: the standard, the planned and the real figure of each day. It follows the
// table while open (rebuilt when its rows change, closed when it is gone), saves
// itself as a PNG image and prints on the host's page. Modeless: the planner keeps it
// open while recalculating. Argument array: [0] the table (a TMemTable as QObject*),
// [1] branch code, [2] service code (both optional, for the caption).
class TfrmGraficoCusto : public host::TfrmRotiGeral {
    Q_OBJECT

public:
    struct TDia {
        QDate Dia;
        double Padrao = 0;
        double Planejado = 0;
        double Realizado = 0;
    };

    ~TfrmGraficoCusto() override;

    QLabel* lblAviso = nullptr; // the note shown when the table has no days
    QChartView* chvGrafico = nullptr;
    QChart* chtGrafico = nullptr;
    QBarCategoryAxis* axsDias = nullptr; // the day numbers
    QValueAxis* axsValores = nullptr;
    QToolButton* sbtSalvarImagem = nullptr;
    QToolButton* sbtImprimir = nullptr;
    QToolButton* sbtFechar = nullptr;
    QFileDialog* svdSalvarImagem = nullptr;

    TMemTable* Tabela() const { return tabela_; }
    // The days as last read from the table, in date order.
    const QList<TDia>& Dias() const { return dias_; }
    // The index in Dias() of the last day with real cost; -1 when none.
    int UltimoRealizado() const { return ultimoRealizado_; }
    // "Filial 0001 · Serviço 00001 · 03/2027", as far as known.
    QString Subtitulo() const;

    // Reads the table again and redraws now (the table's changes do it by themselves,
    // once per burst of changes).
    void Atualiza();
    // The hover text of a day (an index in Dias()): the date and every figure.
    QString Dica(int dia) const;

    // The chart as shown, as a PNG file; false when the file could not be written.
    bool SalvaImagem(const QString& fileName);
    // One page: title, subtitle and the chart across the page.
    void Imprime(QPagedPaintDevice& device);
    // The printed page as a PDF file on the host's page.
    void SalvaPdf(const QString& fileName);

    void sbtSalvarImagemClick(); // asks where, then SalvaImagem
    void sbtImprimirClick();     // the print preview on the host's page

    // The chart of this code already open over the table, if any.
    static TfrmGraficoCusto* Aberto(const QString& screenCode, const TMemTable* tabela);

protected:
    // The table's fields of the figures (a chart without a real series has none) and the
    // legend's names of the series.
    struct TSeries {
        const char* CampoPadrao;
        const char* CampoPlanejado;
        const char* CampoRealizado;
        QString NomePadrao;
        QString NomePlanejado;
        QString NomeRealizado;
    };

    TfrmGraficoCusto(const QString& screenCode, const QString& titulo, TSeries series,
                     const QVariantList& params, QWidget* parent);

    // Draws Dias() in the chart's own series (the axes are set already).
    virtual void montaSeries() = 0;
    // The index of the last day with real cost; -1 when none.
    virtual int ultimoRealizado() const = 0;
    void mostraDica(int dia, bool entrou);
    // The day's bars (their sets in) under the standard's dashed line, both on the
    // chart's axes and telling a day's figures when hovered; the line.
    QLineSeries* barrasComPadrao(QAbstractBarSeries* dias);
    const TSeries& Series() const { return series_; }

    // Room for a month of days side by side.
    QSize sizeHint() const override { return {960, 600}; }

private:
    void leTabela();
    void tabelaDestruida();

    QString titulo_;
    TSeries series_;
    QPointer<TMemTable> tabela_;
    QString filial_;
    QString servico_;
    QList<TDia> dias_;
    int ultimoRealizado_ = -1;
    QTimer* tmrAtualiza = nullptr;
};

// Planned against real per capita (PLA00108): the planned and real per capita of each
// day as bars, the standard per capita as a line. Fields DTCARDAPIO, VrPadrao,
// VRPERCPLAN, VRPERCREAL.
class TfrmGrafPerCapita : public TfrmGraficoCusto {
    Q_OBJECT

public:
    explicit TfrmGrafPerCapita(const QVariantList& params, QWidget* parent = nullptr);

    QLineSeries* serPadrao = nullptr;
    QBarSeries* serDias = nullptr;
    QBarSet* barPlanejado = nullptr;
    QBarSet* barRealizado = nullptr;

protected:
    void montaSeries() override;
    // The last day served: the last with a real per capita above zero.
    int ultimoRealizado() const override;
};

// Accumulated planned against accumulated real cost (PLA00110): three lines, the
// standard, the planned and the real cost accumulated day by day; the real line ends
// at the last day that added real cost. Fields DTCARDAPIO, VrTotPadrao, VRTOTTACUM,
// VRTOTRACUM.
class TfrmGrafCustoAcum : public TfrmGraficoCusto {
    Q_OBJECT

public:
    explicit TfrmGrafCustoAcum(const QVariantList& params, QWidget* parent = nullptr);

    QLineSeries* serPadrao = nullptr;
    QLineSeries* serPlanejado = nullptr;
    QLineSeries* serRealizado = nullptr;

protected:
    void montaSeries() override;
    // The last day whose real cost grew the accumulated one.
    int ultimoRealizado() const override;
};

// The day's per capita against the standard (PLA00107): a bar a day, in another colour
// when the day costs more than the standard, and the standard as a line. Fields
// DTCARDAPIO, VrPadrao, VrCustGraf (cdsGrafCust); no real series.
class TfrmGrafCustoPercapita : public TfrmGraficoCusto {
    Q_OBJECT

public:
    explicit TfrmGrafCustoPercapita(const QVariantList& params, QWidget* parent = nullptr);

    QLineSeries* serPadrao = nullptr;
    QStackedBarSeries* serDias = nullptr;
    QBarSet* barDentroPadrao = nullptr; // the days up to the standard
    QBarSet* barAcimaPadrao = nullptr;  // the days above it

protected:
    void montaSeries() override;
    int ultimoRealizado() const override { return -1; }
};

// Opens the chart of the code (PLA00107, PLA00108 or PLA00110) over the array's table, or brings
// forward the one already open over it; the window frees itself when closed.
TfrmGraficoCusto* AbreGraficoCusto(const QString& screenCode, const QVariantList& params);

} // namespace pla::packages
