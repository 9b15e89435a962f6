#include "cost_charts.h"

#include "core/dates.h"
#include "core/errors.h"
#include "core/format_float.h"
#include "core/format_settings.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/modal_runner.h"
#include "host/page_setup.h"
#include "host/tool_button.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPrinter>
#include <QStackedBarSeries>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace pla::packages {

using namespace pla::host;

namespace {

const QString CodPerCapita = QStringLiteral("PLA00108");
const QString CodCustoAcum = QStringLiteral("PLA00110");
const QString CodCustoPercapita = QStringLiteral("PLA00107");

// The charts open now, to bring one forward instead of opening it twice.
QList<QPointer<TfrmGraficoCusto>>& abertos() {
    static QList<QPointer<TfrmGraficoCusto>> list;
    return list;
}

TMemTable* tabelaDe(const QVariantList& p) {
    return qobject_cast<TMemTable*>(p.value(0).value<QObject*>());
}

// As the grid shows the figures.
QString valor(double v) {
    return FormatFloat(QStringLiteral("#,##0.00000"), v);
}

QString dia(const QDate& d) {
    return FormatDateTime(QStringLiteral("dd/mm/yyyy"), d);
}

// The chart's numbers in the settings' language (decimal comma in Brazil).
QLocale localeDosNumeros() {
    return TFormatSettings::Current().DecimalSeparator == QLatin1Char(',')
               ? QLocale(QLocale::Portuguese, QLocale::Brazil)
               : QLocale::system();
}

const QColor CorPadrao(90, 90, 90);
const QColor CorPlanejado(31, 119, 180);
const QColor CorRealizado(230, 120, 20);
const QColor CorAcimaPadrao(200, 40, 40);

QBarSet* conjunto(const char* name, const QString& title, const QColor& color) {
    auto* set = new QBarSet(title);
    set->setObjectName(QString::fromLatin1(name));
    set->setColor(color);
    set->setBorderColor(color);
    return set;
}

QPen caneta(const QColor& color, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(color);
    pen.setWidthF(2.5);
    pen.setStyle(style);
    return pen;
}

} // namespace

TfrmGraficoCusto::TfrmGraficoCusto(const QString& screenCode, const QString& titulo, TSeries series,
                                   const QVariantList& p, QWidget* parent)
    : TfrmRotiGeral(screenCode, titulo, parent)
    , titulo_(titulo)
    , series_(std::move(series)) {
    msgPadrao.AddLines(
        {QStringLiteral("SEM_TABELA|O gráfico precisa da tabela de custos do cardápio mensal."),
         QStringLiteral("SEM_CAMPO|A tabela de custos do cardápio não tem o campo %s."),
         QStringLiteral("SEM_DIAS|Não há dias no cardápio deste mês para mostrar."),
         QStringLiteral("ERRO_IMAGEM|Não foi possível gravar a imagem em %s.")});
    tabela_ = tabelaDe(p);
    if (!tabela_) {
        throw EPlaError(msgPadrao.Msg(QStringLiteral("SEM_TABELA")));
    }
    if (tabela_->Active()) {
        for (const char* name :
             {"DTCARDAPIO", series_.CampoPadrao, series_.CampoPlanejado, series_.CampoRealizado}) {
            if (name && !tabela_->FindField(QString::fromLatin1(name))) {
                throw EPlaError(
                    msgPadrao.Fmt(QStringLiteral("SEM_CAMPO"), {QString::fromLatin1(name)}));
            }
        }
    }
    filial_ = p.value(1).toString().trimmed();
    servico_ = p.value(2).toString().trimmed();
    QStringList onde;
    if (!filial_.isEmpty()) {
        onde << QStringLiteral("Filial %1").arg(filial_);
    }
    if (!servico_.isEmpty()) {
        onde << QStringLiteral("Serviço %1").arg(servico_);
    }
    setWindowTitle(onde.isEmpty()
                       ? titulo_
                       : titulo_ + QStringLiteral(" — ") + onde.join(QStringLiteral(", ")));

    sbtConfirma->hide(); // nothing to confirm: the chart only shows
    sbtSalvarImagem =
        BotaoComTexto(panBotoes, "sbtSalvarImagem", QStringLiteral("Salvar imagem"),
                      QStringLiteral("Salvar o gráfico como imagem PNG"), "document-save-as");
    sbtImprimir =
        BotaoComTexto(panBotoes, "sbtImprimir", QStringLiteral("Imprimir"),
                      QStringLiteral("Visualizar e imprimir o gráfico"), "document-print");
    sbtFechar = BotaoComTexto(panBotoes, "sbtFechar", QStringLiteral("Fechar"),
                              QStringLiteral("Fechar o gráfico"), "window-close");
    ButtonsLayout()->insertWidget(0, sbtSalvarImagem);
    ButtonsLayout()->insertWidget(1, sbtImprimir);
    ButtonsLayout()->addWidget(sbtFechar);
    connect(sbtSalvarImagem, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtSalvarImagemClick(); }); });
    connect(sbtImprimir, &QToolButton::clicked, this,
            [this] { RunHandler([this] { sbtImprimirClick(); }); });
    connect(sbtFechar, &QToolButton::clicked, this, [this] { close(); });

    auto* v = new QVBoxLayout(grbDadosRel);
    lblAviso = new QLabel(msgPadrao.Msg(QStringLiteral("SEM_DIAS")), grbDadosRel);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setAlignment(Qt::AlignCenter);
    lblAviso->hide();
    v->addWidget(lblAviso);
    chtGrafico = new QChart;
    chtGrafico->setObjectName(QStringLiteral("chtGrafico"));
    chtGrafico->setTitle(titulo_);
    QFont font = chtGrafico->titleFont();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    chtGrafico->setTitleFont(font);
    chtGrafico->setAnimationOptions(QChart::NoAnimation); // a redraw shows the table at once
    chtGrafico->legend()->setAlignment(Qt::AlignBottom);
    chtGrafico->setLocalizeNumbers(true);
    chtGrafico->setLocale(localeDosNumeros());
    axsDias = new QBarCategoryAxis;
    axsDias->setObjectName(QStringLiteral("axsDias"));
    axsDias->setTitleText(QStringLiteral("Dia do mês"));
    axsValores = new QValueAxis;
    axsValores->setObjectName(QStringLiteral("axsValores"));
    axsValores->setLabelFormat(QStringLiteral("%.2f"));
    chtGrafico->addAxis(axsDias, Qt::AlignBottom);
    chtGrafico->addAxis(axsValores, Qt::AlignLeft);
    chvGrafico = new QChartView(chtGrafico, grbDadosRel); // owns the chart
    chvGrafico->setObjectName(QStringLiteral("chvGrafico"));
    chvGrafico->setRenderHint(QPainter::Antialiasing);
    chvGrafico->setMinimumSize(480, 300);
    v->addWidget(chvGrafico, 1);

    svdSalvarImagem = new QFileDialog(this, QStringLiteral("Salvar imagem do gráfico"));
    svdSalvarImagem->setObjectName(QStringLiteral("svdSalvarImagem"));
    svdSalvarImagem->setAcceptMode(QFileDialog::AcceptSave);
    svdSalvarImagem->setNameFilter(QStringLiteral("Imagem PNG (*.png)"));
    svdSalvarImagem->setDefaultSuffix(QStringLiteral("png"));
    svdSalvarImagem->setOption(QFileDialog::DontUseNativeDialog);

    // A recalculation changes many fields at once: one redraw after the burst.
    tmrAtualiza = new QTimer(this);
    tmrAtualiza->setObjectName(QStringLiteral("tmrAtualiza"));
    tmrAtualiza->setSingleShot(true);
    tmrAtualiza->setInterval(0);
    connect(tmrAtualiza, &QTimer::timeout, this, [this] { Atualiza(); });
    const auto agenda = [this] { tmrAtualiza->start(); };
    connect(tabela_, &TMemTable::rowsReset, this, agenda);
    connect(tabela_, &TMemTable::rowChanged, this, agenda);
    connect(tabela_, &TMemTable::fieldChanged, this, agenda);
    connect(tabela_, &QObject::destroyed, this, [this] { tabelaDestruida(); });
    abertos().append(this);
    resize(sizeHint());
}

TfrmGraficoCusto::~TfrmGraficoCusto() {
    abertos().removeAll(QPointer<TfrmGraficoCusto>(this));
}

TfrmGraficoCusto* TfrmGraficoCusto::Aberto(const QString& screenCode, const TMemTable* tabela) {
    abertos().removeAll(QPointer<TfrmGraficoCusto>());
    for (const QPointer<TfrmGraficoCusto>& f : abertos()) {
        if (f && tabela && f->tabela_ == tabela && f->ScreenCode() == screenCode) {
            return f;
        }
    }
    return nullptr;
}

QString TfrmGraficoCusto::Subtitulo() const {
    QStringList parts;
    if (!filial_.isEmpty()) {
        parts << QStringLiteral("Filial %1").arg(filial_);
    }
    if (!servico_.isEmpty()) {
        parts << QStringLiteral("Serviço %1").arg(servico_);
    }
    if (!dias_.isEmpty()) {
        parts << QStringLiteral("Mês %1").arg(
            FormatDateTime(QStringLiteral("mm/yyyy"), dias_.first().Dia));
    }
    return parts.join(QStringLiteral(" · "));
}

void TfrmGraficoCusto::leTabela() {
    dias_.clear();
    // Read through the rows as shown, never moving the monthly screen's cursor.
    const TMemTable* t = tabela_;
    if (!t || !t->Active()) {
        return;
    }
    const TMemField* data = t->FindField(QStringLiteral("DTCARDAPIO"));
    if (!data) {
        return;
    }
    const TMemField* padrao = t->FindField(QString::fromLatin1(series_.CampoPadrao));
    const TMemField* planejado = t->FindField(QString::fromLatin1(series_.CampoPlanejado));
    const TMemField* realizado = series_.CampoRealizado
                                     ? t->FindField(QString::fromLatin1(series_.CampoRealizado))
                                     : nullptr;
    const auto valorEm = [t](const TMemField* f, int row) {
        return f ? t->ViewValue(row, f->Index()).toDouble() : 0.0;
    };
    for (int row = 0; row < t->ViewRowCount(); ++row) {
        const QDate d = t->ViewValue(row, data->Index()).toDateTime().date();
        if (d.isValid()) {
            dias_.append(
                {d, valorEm(padrao, row), valorEm(planejado, row), valorEm(realizado, row)});
        }
    }
    std::stable_sort(dias_.begin(), dias_.end(),
                     [](const TDia& a, const TDia& b) { return a.Dia < b.Dia; });
}

void TfrmGraficoCusto::Atualiza() {
    tmrAtualiza->stop();
    leTabela();
    ultimoRealizado_ = ultimoRealizado();
    QStringList numeros;
    double minimo = 0;
    double maximo = 0;
    for (const TDia& d : dias_) {
        numeros << QString::number(d.Dia.day());
        for (const double v : {d.Padrao, d.Planejado, d.Realizado}) {
            minimo = std::min(minimo, v);
            maximo = std::max(maximo, v);
        }
    }
    axsDias->clear();
    axsDias->append(numeros);
    if (maximo <= minimo) {
        maximo = minimo + 1;
    }
    axsValores->setRange(minimo, maximo * 1.05);
    axsValores->applyNiceNumbers();
    montaSeries();
    lblAviso->setVisible(dias_.isEmpty());
    panHelp->setText(Subtitulo());
}

void TfrmGraficoCusto::tabelaDestruida() {
    // The monthly screen is gone: nothing left to follow.
    tmrAtualiza->stop();
    tabela_.clear();
    Atualiza();
    close();
}

QString TfrmGraficoCusto::Dica(int i) const {
    if (i < 0 || i >= dias_.size()) {
        return {};
    }
    const TDia& d = dias_[i];
    QStringList lines{dia(d.Dia), series_.NomePadrao + QStringLiteral(": ") + valor(d.Padrao),
                      series_.NomePlanejado + QStringLiteral(": ") + valor(d.Planejado)};
    if (series_.CampoRealizado) {
        lines << series_.NomeRealizado + QStringLiteral(": ") +
                     (i <= ultimoRealizado_ ? valor(d.Realizado) : QStringLiteral("—"));
    }
    return lines.join(QLatin1Char('\n'));
}

QLineSeries* TfrmGraficoCusto::barrasComPadrao(QAbstractBarSeries* dias) {
    dias->setObjectName(QStringLiteral("serDias"));
    auto* padrao = new QLineSeries;
    padrao->setObjectName(QStringLiteral("serPadrao"));
    padrao->setName(series_.NomePadrao);
    padrao->setPen(caneta(CorPadrao, Qt::DashLine));
    chtGrafico->addSeries(dias);
    chtGrafico->addSeries(padrao); // over the bars
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(dias), static_cast<QAbstractSeries*>(padrao)}) {
        s->attachAxis(axsDias);
        s->attachAxis(axsValores);
    }
    connect(dias, &QAbstractBarSeries::hovered, this,
            [this](bool status, int index, QBarSet*) { mostraDica(index, status); });
    connect(padrao, &QLineSeries::hovered, this,
            [this](const QPointF& point, bool state) { mostraDica(qRound(point.x()), state); });
    return padrao;
}

void TfrmGraficoCusto::mostraDica(int i, bool entrou) {
    if (entrou && i >= 0 && i < dias_.size()) {
        QToolTip::showText(QCursor::pos(), Dica(i), chvGrafico);
    } else {
        QToolTip::hideText();
    }
}

bool TfrmGraficoCusto::SalvaImagem(const QString& fileName) {
    THourglass busy;
    const QSize size = chvGrafico->viewport()->size();
    // Twice the screen's pixels: sharp when pasted into a report.
    constexpr int Escala = 2;
    QImage image(size * Escala, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Escala);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        chvGrafico->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)),
                           chvGrafico->viewport()->rect());
    }
    return image.save(fileName, "PNG");
}

void TfrmGraficoCusto::Imprime(QPagedPaintDevice& device) {
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF page(0, 0, device.width(), device.height());
    QFont titleFont = font();
    titleFont.setPointSizeF(14);
    titleFont.setBold(true);
    QFont textFont = font();
    textFont.setPointSizeF(9);
    const QFontMetricsF titleMetrics(titleFont, &device);
    const QFontMetricsF textMetrics(textFont, &device);
    qreal y = 0;
    painter.setFont(titleFont);
    painter.drawText(QRectF(0, y, page.width(), titleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, titulo_);
    y += titleMetrics.height() * 1.2;
    painter.setFont(textFont);
    const QString impresso = QStringLiteral("Impresso em %1")
                                 .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), Agora()));
    const QRectF line(0, y, page.width(), textMetrics.height());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, Subtitulo());
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, impresso);
    y += textMetrics.height() * 2;
    if (dias_.isEmpty()) {
        painter.drawText(QRectF(0, y, page.width(), textMetrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, lblAviso->text());
        y += textMetrics.height() * 2;
    }
    // The chart as shown, across the page's width, its proportions kept.
    const QRect source = chvGrafico->viewport()->rect();
    const qreal ratio = source.width() > 0 ? qreal(source.height()) / source.width() : 0.6;
    const qreal height = std::min(page.height() - y, page.width() * ratio);
    if (height > 0) {
        chvGrafico->render(&painter, QRectF(0, y, page.width(), height), source);
    }
}

void TfrmGraficoCusto::SalvaPdf(const QString& fileName) {
    GravaPdf(fileName, titulo_, [this](QPagedPaintDevice& device) { Imprime(device); });
}

void TfrmGraficoCusto::sbtSalvarImagemClick() {
    const QString mes =
        dias_.isEmpty()
            ? QString()
            : QStringLiteral("-") + FormatDateTime(QStringLiteral("yyyy-mm"), dias_.first().Dia);
    svdSalvarImagem->selectFile(ScreenCode() + mes + QStringLiteral(".png"));
    if (TModalRunner::Run(*svdSalvarImagem) != QDialog::Accepted ||
        svdSalvarImagem->selectedFiles().isEmpty()) {
        return;
    }
    const QString file = svdSalvarImagem->selectedFiles().first();
    if (!SalvaImagem(file)) {
        MensErro(msgPadrao.Fmt(QStringLiteral("ERRO_IMAGEM"), {file}), true);
    }
}

void TfrmGraficoCusto::sbtImprimirClick() {
    VisualizaImpressao(this, titulo_, [this](QPrinter& p) { Imprime(p); });
}

// --- PLA00108 ---------------------------------------------------------------------------

TfrmGrafPerCapita::TfrmGrafPerCapita(const QVariantList& p, QWidget* parent)
    : TfrmGraficoCusto(
          CodPerCapita, QStringLiteral("Comparação do Per Capita — Planejado x Realizado"),
          {"VrPadrao", "VRPERCPLAN", "VRPERCREAL", QStringLiteral("Per capita padrão"),
           QStringLiteral("Per capita planejado"), QStringLiteral("Per capita realizado")},
          p, parent) {
    setObjectName(QStringLiteral("frmGrafPerCapita"));
    serDias = new QBarSeries;
    barPlanejado = conjunto("barPlanejado", Series().NomePlanejado, CorPlanejado);
    barRealizado = conjunto("barRealizado", Series().NomeRealizado, CorRealizado);
    serDias->append(barPlanejado);
    serDias->append(barRealizado);
    serPadrao = barrasComPadrao(serDias);
    Atualiza();
}

int TfrmGrafPerCapita::ultimoRealizado() const {
    for (qsizetype i = Dias().size() - 1; i >= 0; --i) {
        if (Dias()[i].Realizado > 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TfrmGrafPerCapita::montaSeries() {
    QList<QPointF> padrao;
    QList<qreal> planejado;
    QList<qreal> realizado;
    for (qsizetype i = 0; i < Dias().size(); ++i) {
        const TDia& d = Dias()[i];
        padrao.append(QPointF(qreal(i), d.Padrao));
        planejado.append(d.Planejado);
        // The days after the last one served have no bar.
        realizado.append(i <= UltimoRealizado() ? d.Realizado : 0.0);
    }
    serPadrao->replace(padrao);
    barPlanejado->remove(0, barPlanejado->count());
    barPlanejado->append(planejado);
    barRealizado->remove(0, barRealizado->count());
    barRealizado->append(realizado);
}

// --- PLA00110 ---------------------------------------------------------------------------

TfrmGrafCustoAcum::TfrmGrafCustoAcum(const QVariantList& p, QWidget* parent)
    : TfrmGraficoCusto(CodCustoAcum, QStringLiteral("Variação do Custo Acumulado"),
                       {"VrTotPadrao", "VRTOTTACUM", "VRTOTRACUM",
                        QStringLiteral("Custo padrão acumulado"),
                        QStringLiteral("Custo planejado acumulado"),
                        QStringLiteral("Custo realizado acumulado")},
                       p, parent) {
    setObjectName(QStringLiteral("frmGrafCustoAcum"));
    const auto linha = [this](const char* name, const QString& title, const QPen& pen) {
        auto* s = new QLineSeries;
        s->setObjectName(QString::fromLatin1(name));
        s->setName(title);
        s->setPen(pen);
        s->setPointsVisible(true);
        chtGrafico->addSeries(s);
        s->attachAxis(axsDias);
        s->attachAxis(axsValores);
        connect(s, &QLineSeries::hovered, this,
                [this](const QPointF& point, bool state) { mostraDica(qRound(point.x()), state); });
        return s;
    };
    serPadrao = linha("serPadrao", Series().NomePadrao, caneta(CorPadrao, Qt::DashLine));
    serPlanejado = linha("serPlanejado", Series().NomePlanejado, caneta(CorPlanejado));
    serRealizado = linha("serRealizado", Series().NomeRealizado, caneta(CorRealizado));
    Atualiza();
}

int TfrmGrafCustoAcum::ultimoRealizado() const {
    for (qsizetype i = Dias().size() - 1; i >= 0; --i) {
        const double anterior = i > 0 ? Dias()[i - 1].Realizado : 0.0;
        if (Dias()[i].Realizado > 0 && Dias()[i].Realizado != anterior) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TfrmGrafCustoAcum::montaSeries() {
    QList<QPointF> padrao;
    QList<QPointF> planejado;
    QList<QPointF> realizado;
    for (qsizetype i = 0; i < Dias().size(); ++i) {
        const TDia& d = Dias()[i];
        padrao.append(QPointF(qreal(i), d.Padrao));
        planejado.append(QPointF(qreal(i), d.Planejado));
        if (i <= UltimoRealizado()) {
            realizado.append(QPointF(qreal(i), d.Realizado));
        }
    }
    serPadrao->replace(padrao);
    serPlanejado->replace(planejado);
    serRealizado->replace(realizado);
}

// --- PLA00107 ---------------------------------------------------------------------------

TfrmGrafCustoPercapita::TfrmGrafCustoPercapita(const QVariantList& p, QWidget* parent)
    : TfrmGraficoCusto(CodCustoPercapita, QStringLiteral("Custo Per Capita do Dia x Padrão"),
                       {"VrPadrao", "VrCustGraf", nullptr, QStringLiteral("Per capita padrão"),
                        QStringLiteral("Per capita do dia"), QString()},
                       p, parent) {
    setObjectName(QStringLiteral("frmGrafCustoPercapita"));
    serDias = new QStackedBarSeries;
    barDentroPadrao =
        conjunto("barDentroPadrao", QStringLiteral("Per capita do dia até o padrão"), CorPlanejado);
    barAcimaPadrao = conjunto("barAcimaPadrao", QStringLiteral("Per capita do dia acima do padrão"),
                              CorAcimaPadrao);
    serDias->append(barDentroPadrao);
    serDias->append(barAcimaPadrao);
    serPadrao = barrasComPadrao(serDias);
    Atualiza();
}

void TfrmGrafCustoPercapita::montaSeries() {
    QList<QPointF> padrao;
    QList<qreal> dentro;
    QList<qreal> acima;
    for (qsizetype i = 0; i < Dias().size(); ++i) {
        const TDia& d = Dias()[i];
        padrao.append(QPointF(qreal(i), d.Padrao));
        // A day's one bar, in the colour of where it stands against the standard.
        // Without a standard nothing is above it.
        const bool caro = d.Padrao > 0 && d.Planejado > d.Padrao;
        dentro.append(caro ? 0.0 : d.Planejado);
        acima.append(caro ? d.Planejado : 0.0);
    }
    serPadrao->replace(padrao);
    barDentroPadrao->remove(0, barDentroPadrao->count());
    barDentroPadrao->append(dentro);
    barAcimaPadrao->remove(0, barAcimaPadrao->count());
    barAcimaPadrao->append(acima);
}

// --- opening --------------------------------------------------------------------------

TfrmGraficoCusto* AbreGraficoCusto(const QString& screenCode, const QVariantList& params) {
    if (TfrmGraficoCusto* open = TfrmGraficoCusto::Aberto(screenCode, tabelaDe(params))) {
        Host().ShowChild(open);
        open->raise();
        open->activateWindow();
        return open;
    }
    std::unique_ptr<TfrmGraficoCusto> form;
    if (screenCode == CodPerCapita) {
        form = std::make_unique<TfrmGrafPerCapita>(params);
    } else if (screenCode == CodCustoAcum) {
        form = std::make_unique<TfrmGrafCustoAcum>(params);
    } else if (screenCode == CodCustoPercapita) {
        form = std::make_unique<TfrmGrafCustoPercapita>(params);
    } else {
        throw EProgramError(QStringLiteral("Não há gráfico de custos %1").arg(screenCode));
    }
    form->setAttribute(Qt::WA_DeleteOnClose);
    TfrmGraficoCusto* shown = form.release();
    Host().ShowChild(shown);
    return shown;
}

} // namespace pla::packages
