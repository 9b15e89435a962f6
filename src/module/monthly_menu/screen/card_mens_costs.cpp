// The monthly menu screen's cost follow-up: the panel under the grid with the day's and
// the month's figures against the standard, the warning bar that says they are out of
// date, the comparison charts and the reference dates. The figures come from the open
// month's costs (TCustoMensal); the screen shows them.
#include "core/dates.h"
#include "core/numbers.h"
#include "host/busy_scopes.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/number_edit.h"
#include "host/tool_button.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pla::module {

using namespace pla::host;

namespace {

constexpr int LarguraComPainel = 745;

// A saldo below zero is red; zero and above keep the read-only colour.
void corDoSaldo(TNumberEdit* box) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base,
               box->Value() < 0 ? QColor(Qt::red) : box->palette().color(QPalette::Button));
    box->setPalette(p);
}

} // namespace

void TfrmCardMens::buildCostPanel(QWidget* parent) {
    panCusto = new QWidget(parent);
    panCusto->setObjectName(QStringLiteral("panCusto"));
    auto* centre = new QHBoxLayout(panCusto);
    centre->setContentsMargins(0, 2, 0, 2);
    subPanCusto = new QWidget(panCusto);
    subPanCusto->setObjectName(QStringLiteral("subPanCusto"));
    centre->addStretch(1);
    centre->addWidget(subPanCusto);
    centre->addStretch(1);
    auto* row = new QHBoxLayout(subPanCusto);
    row->setContentsMargins(0, 0, 0, 0);

    grbGraficos = new QGroupBox(subPanCusto);
    grbGraficos->setObjectName(QStringLiteral("grbGraficos"));
    auto* g = new QVBoxLayout(grbGraficos);
    auto* buttons = new QHBoxLayout;
    sbtCalcularCustos =
        BotaoFerramenta(grbGraficos, "sbtCalcularCustos", QStringLiteral("Calcular Custos do Mês"),
                        "accessories-calculator");
    sbtGrafCust = BotaoFerramenta(grbGraficos, "sbtGrafCust", QStringLiteral("Custo Percapita"),
                                  "office-chart-bar");
    sbtPlanReal = BotaoFerramenta(grbGraficos, "sbtPlanReal",
                                  QStringLiteral("Comparação do Percapita"), "office-chart-line");
    sbtCustoAcum =
        BotaoFerramenta(grbGraficos, "sbtCustoAcum", QStringLiteral("Variação do Custo Acumulado"),
                        "office-chart-area");
    for (QToolButton* b : {sbtCalcularCustos, sbtGrafCust, sbtPlanReal, sbtCustoAcum}) {
        buttons->addWidget(b);
    }
    for (QToolButton* b : {sbtGrafCust, sbtPlanReal, sbtCustoAcum}) {
        b->setEnabled(false);
    }
    g->addLayout(buttons);
    chbSimultaneo =
        new QCheckBox(QStringLiteral("Recalcular ao &Confirmar Alterações"), grbGraficos);
    chbSimultaneo->setObjectName(QStringLiteral("chbSimultaneo"));
    chbSimultaneo->setEnabled(false);
    g->addWidget(chbSimultaneo);
    g->addStretch(1);
    row->addWidget(grbGraficos);

    const auto grupo = [this](const char* name, const QString& left, const QString& right,
                              QLabel** rightLabel, const char* rightName) {
        auto* box = new QGroupBox(subPanCusto);
        box->setObjectName(QString::fromLatin1(name));
        auto* grid = new QGridLayout(box);
        grid->setVerticalSpacing(1);
        grid->addWidget(new QLabel(left, box), 0, 1, Qt::AlignCenter);
        auto* r = new QLabel(right, box);
        if (rightName) {
            r->setObjectName(QString::fromLatin1(rightName));
        }
        if (rightLabel) {
            *rightLabel = r;
        }
        grid->addWidget(r, 0, 2, Qt::AlignCenter);
        return box;
    };
    const auto linha = [](QGroupBox* box, int at, const QString& label, QWidget* a, QWidget* b) {
        auto* grid = static_cast<QGridLayout*>(box->layout());
        grid->addWidget(new QLabel(label, box), at, 0);
        grid->addWidget(a, at, 1);
        if (b) {
            grid->addWidget(b, at, 2);
        }
    };

    grbCustoDia = grupo("grbCustoDia", QStringLiteral("Percapita do Dia"),
                        QStringLiteral("Total do Mês"), nullptr, nullptr);
    const std::tuple<const char*, TNumberEdit**, const char*, TNumberEdit**, const char*> dia[] = {
        {"Matéria-prima", &nedMatPriPerc, "nedMatPriPerc", &nedMatPriMes, "nedMatPriMes"},
        {"Consumo", &nedConsPerc, "nedConsPerc", &nedConsMes, "nedConsMes"},
        {"Custo Indireto", &nedCustIndPercDia, "nedCustIndPercDia", &nedCustIndTotMes,
         "nedCustIndTotMes"},
        {"Custo", &nedPercDia, "nedPercDia", &nedTotalMes, "nedTotalMes"},
        {"Padrão", &nedPadrPerc, "nedPadrPerc", &nedPadrMens, "nedPadrMens"},
        {"Saldo", &nedSaldoPerc, "nedSaldoPerc", &nedSaldoMes, "nedSaldoMes"},
    };
    int at = 1;
    for (const auto& [label, a, aName, b, bName] : dia) {
        *a = CampoValor(grbCustoDia, aName);
        *b = CampoValor(grbCustoDia, bName);
        linha(grbCustoDia, at++, QString::fromUtf8(label), *a, *b);
    }
    row->addWidget(grbCustoDia);

    grbCustTotaDia = grupo("grbCustTotaDia", QStringLiteral("Planejado"),
                           QStringLiteral("Realizado"), &lblRealizado, "lblRealizado");
    nedMatPriCardPlan = CampoValor(grbCustTotaDia, "nedMatPriCardPlan");
    nedConsCardPlan = CampoValor(grbCustTotaDia, "nedConsCardPlan");
    nedCustIndDia = CampoValor(grbCustTotaDia, "nedCustIndDia");
    nedCustoCardPlan = CampoValor(grbCustTotaDia, "nedCustoCardPlan");
    nedCustoCardReal = CampoValor(grbCustTotaDia, "nedCustoCardReal");
    linha(grbCustTotaDia, 1, QStringLiteral("Matéria-prima"), nedMatPriCardPlan, nullptr);
    linha(grbCustTotaDia, 2, QStringLiteral("Consumo"), nedConsCardPlan, nullptr);
    linha(grbCustTotaDia, 3, QStringLiteral("Custo Indireto"), nedCustIndDia, nullptr);
    linha(grbCustTotaDia, 4, QStringLiteral("Custo Total"), nedCustoCardPlan, nedCustoCardReal);
    static_cast<QGridLayout*>(grbCustTotaDia->layout())->setRowStretch(5, 1);
    row->addWidget(grbCustTotaDia);

    grbCustoAcum = grupo("grbCustoAcum", QStringLiteral("Planejado"), QStringLiteral("Realizado"),
                         &lblRealAcum, "lblRealAcum");
    nedMatPriAcuPlan = CampoValor(grbCustoAcum, "nedMatPriAcuPlan");
    nedConsAcuPlan = CampoValor(grbCustoAcum, "nedConsAcuPlan");
    nedCustIndPlan = CampoValor(grbCustoAcum, "nedCustIndPlan");
    nedTotalTAcum = CampoValor(grbCustoAcum, "nedTotalTAcum");
    nedTotalRAcum = CampoValor(grbCustoAcum, "nedTotalRAcum");
    nedEstimados = CampoValor(grbCustoAcum, "nedEstimados");
    nedEfetivos = CampoValor(grbCustoAcum, "nedEfetivos");
    nedPuMedioTeor = CampoValor(grbCustoAcum, "nedPuMedioTeor");
    nedPuMedioReal = CampoValor(grbCustoAcum, "nedPuMedioReal");
    linha(grbCustoAcum, 1, QStringLiteral("Matéria-prima"), nedMatPriAcuPlan, nullptr);
    linha(grbCustoAcum, 2, QStringLiteral("Consumo"), nedConsAcuPlan, nullptr);
    linha(grbCustoAcum, 3, QStringLiteral("Custo Indireto"), nedCustIndPlan, nullptr);
    linha(grbCustoAcum, 4, QStringLiteral("Custo Total"), nedTotalTAcum, nedTotalRAcum);
    linha(grbCustoAcum, 5, QStringLiteral("Comensais"), nedEstimados, nedEfetivos);
    linha(grbCustoAcum, 6, QStringLiteral("Per Capita Médio"), nedPuMedioTeor, nedPuMedioReal);
    row->addWidget(grbCustoAcum);
    panCusto->hide();

    panAvisoRecalc = new QFrame(parent);
    panAvisoRecalc->setObjectName(QStringLiteral("panAvisoRecalc"));
    panAvisoRecalc->setFrameShape(QFrame::Panel);
    panAvisoRecalc->setFrameShadow(QFrame::Raised);
    panAvisoRecalc->setAutoFillBackground(true);
    QPalette bar = panAvisoRecalc->palette();
    bar.setColor(QPalette::Window, QColor(0x6d, 0x6d, 0x6d));
    bar.setColor(QPalette::WindowText, Qt::white);
    panAvisoRecalc->setPalette(bar);
    auto* barLayout = new QHBoxLayout(panAvisoRecalc);
    barLayout->setContentsMargins(6, 2, 6, 2);
    imgAtencao = new QLabel(panAvisoRecalc);
    imgAtencao->setObjectName(QStringLiteral("imgAtencao"));
    const QIcon warning = QIcon::fromTheme(QStringLiteral("dialog-warning"));
    if (warning.isNull()) {
        imgAtencao->setText(QStringLiteral("⚠"));
    } else {
        imgAtencao->setPixmap(warning.pixmap(16, 16));
    }
    lblAvisoRecalc = new QLabel(msgPadrao.Msg(QStringLiteral("Recalc")), panAvisoRecalc);
    lblAvisoRecalc->setObjectName(QStringLiteral("lblAvisoRecalc"));
    QFont bold = lblAvisoRecalc->font();
    bold.setBold(true);
    lblAvisoRecalc->setFont(bold);
    barLayout->addWidget(imgAtencao);
    barLayout->addWidget(lblAvisoRecalc, 1);
    panAvisoRecalc->installEventFilter(this);
    panAvisoRecalc->hide();
    timFlashPan = new QTimer(this);
    timFlashPan->setObjectName(QStringLiteral("timFlashPan"));
    timFlashPan->setInterval(400);

    lblDtRefeCust = new QLabel(panMenu);
    lblDtRefeCust->setObjectName(QStringLiteral("lblDtRefeCust"));
    lblDtRefeCust->setToolTip(
        QStringLiteral("Data de referência para cálculo de custos na pesquisa de pratos"));
    lblDtRefeCust->setFont(bold);
    lblDtRefeCust->hide();
    ToolbarLayout()->addWidget(lblDtRefeCust);

    const auto handler = [this](auto member) {
        return [this, member] { RunHandler([this, member] { (this->*member)(); }); };
    };
    connect(sbtCalcularCustos, &QToolButton::clicked, this,
            handler(&TfrmCardMens::sbtCalcularCustosClick));
    connect(sbtGrafCust, &QToolButton::clicked, this, handler(&TfrmCardMens::sbtGrafCustClick));
    connect(sbtPlanReal, &QToolButton::clicked, this, handler(&TfrmCardMens::sbtPlanRealClick));
    connect(sbtCustoAcum, &QToolButton::clicked, this, handler(&TfrmCardMens::sbtCustoAcumClick));
    connect(chbSimultaneo, &QCheckBox::clicked, this, handler(&TfrmCardMens::chbSimultaneoClick));
    connect(timFlashPan, &QTimer::timeout, this, handler(&TfrmCardMens::timFlashPanTimer));
    connect(nedSaldoPerc, &QLineEdit::textChanged, this,
            handler(&TfrmCardMens::nedSaldoPercChange));
    connect(nedSaldoMes, &QLineEdit::textChanged, this, handler(&TfrmCardMens::nedSaldoMesChange));
    connect(cardapio_, &TCardapioMensal::custoDesatualizado, this,
            [this] { RunHandler([this] { ExibeAvisoRecalc(true); }); });
    connect(cardapio_, &TCardapioMensal::custoCalculado, this,
            [this] { RunHandler([this] { aposCalculo(); }); });
    connect(cardapio_, &TCardapioMensal::referenciaAlterada, this,
            [this] { RunHandler([this] { AtualizaLblRefeCust(); }); });
}

// The menu entries of the costs, after the panel's own entry.
void TfrmCardMens::buildCostCommands(QMenu* menu) {
    QAction* panel = Menus.value(QStringLiteral("mnuVisAcomCust"));
    QAction* after = nullptr;
    const QList<QAction*> all = menu->actions();
    const qsizetype i = all.indexOf(panel);
    after = i >= 0 && i + 1 < all.size() ? all[i + 1] : nullptr;
    const auto item = [&](const char* name, const QString& text, QKeyCombination key) {
        auto* a = new QAction(text, menu);
        a->setObjectName(QString::fromLatin1(name));
        if (key != QKeyCombination{}) {
            a->setShortcut(QKeySequence(key));
        }
        menu->insertAction(after, a);
        Menus.insert(a->objectName(), a);
        addAction(a);
        return a;
    };
    QAction* sep = item("sepCustos", QString(), {});
    sep->setSeparator(true);
    sep->setVisible(false);
    QAction* calc =
        item("mnuCalcularCustos", QStringLiteral("Calcular Custos do Mês"), Qt::CTRL | Qt::Key_F5);
    calc->setVisible(false);
    QAction* simult =
        item("mnuSimultaneo", QStringLiteral("Atualização Simultânea"), Qt::CTRL | Qt::Key_S);
    simult->setCheckable(true);
    simult->setEnabled(false);
    const std::tuple<const char*, const char*, Qt::Key> charts[] = {
        {"mnuGrafCust", "Custo Percapita", Qt::Key_F7},
        {"mnuPlanReal", "Comparação do Percapita", Qt::Key_F8},
        {"mnuCustoAcum", "Variação do Custo Acumulado", Qt::Key_F9}};
    for (const auto& [name, text, key] : charts) {
        QAction* a = item(name, QString::fromUtf8(text), Qt::CTRL | key);
        a->setVisible(false);
        a->setEnabled(false);
    }
    connect(calc, &QAction::triggered, this, [this] {
        if (sbtCalcularCustos->isEnabled()) {
            sbtCalcularCustos->click();
        }
    });
    connect(simult, &QAction::triggered, this,
            [this] { RunHandler([this] { mnuSimultaneoClick(); }); });
}

void TfrmCardMens::habilitaCustos() {
    const TEstadoComandos c = cardapio_->Comandos();
    sbtCalcularCustos->setEnabled(c.CalcularCustos);
    Menus.value(QStringLiteral("mnuCalcularCustos"))->setEnabled(c.CalcularCustos);
    chbSimultaneo->setEnabled(c.Simultaneo);
    Menus.value(QStringLiteral("mnuSimultaneo"))->setEnabled(c.Simultaneo);
    for (QToolButton* b : {sbtGrafCust, sbtPlanReal, sbtCustoAcum}) {
        b->setEnabled(c.Graficos);
    }
    for (const char* name : {"mnuGrafCust", "mnuPlanReal", "mnuCustoAcum"}) {
        Menus.value(QString::fromLatin1(name))->setEnabled(c.Graficos);
    }
}

void TfrmCardMens::sbtCustosClick() {
    cardapio_->DesabilitaAnaliCor();
    const bool show = panCusto->isHidden();
    panCusto->setVisible(show);
    Menus.value(QStringLiteral("sepCustos"))->setVisible(show);
    Menus.value(QStringLiteral("mnuCalcularCustos"))->setVisible(show);
    if (show && !(THostContext::WindowState(this) & Qt::WindowMaximized)) {
        // The panel's four groups need their room, at least the screen's usual width.
        auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
        QWidget* frame = sub ? static_cast<QWidget*>(sub) : this;
        const int extra = frame->width() - width();
        const int wide = std::max(LarguraComPainel, subPanCusto->sizeHint().width() + 16);
        frame->resize(wide + extra, frame->height());
        const QRect area = sub && sub->mdiArea() ? sub->mdiArea()->viewport()->rect()
                           : frame->screen()     ? frame->screen()->availableGeometry()
                                                 : QRect();
        if (area.isValid()) {
            frame->move(area.x() + std::max(0, (area.width() - frame->width()) / 2),
                        area.y() + std::max(0, (area.height() - frame->height()) / 2));
        }
    }
    update();
}

void TfrmCardMens::sbtCalcularCustosClick() {
    if (!cardapio_->CalculaCusto()) {
        return;
    }
    cardapio_->Custo().CustoCalculado = true;
    AtualizaCusto();
    HabilitaComandos();
}

// After every calculation, whoever asked for it.
void TfrmCardMens::aposCalculo() {
    ExibeAvisoRecalc(false);
    HabilitaComandos();
    AtualizaCusto();
}

void TfrmCardMens::AtualizaCusto() {
    TCustoMensal& custo = cardapio_->Custo();
    const QDate d = cardapio_->DataCard();
    if (!custo.CustoCalculado || !d.isValid()) {
        return;
    }
    const TPainelCusto p = custo.Painel(d, Host().DataProc(cardapio_->CdFilial));
    const QString dia = msgPadrao.Msg(QStringLiteral("DIA")) + QLatin1Char(' ') +
                        FormatDateTime(QStringLiteral("ddddd"), d);
    grbCustTotaDia->setTitle(dia);
    grbCustoDia->setTitle(dia);
    grbCustoAcum->setTitle(msgPadrao.Msg(QStringLiteral("ACUM_ATE")) + QLatin1Char(' ') +
                           FormatDateTime(QStringLiteral("ddddd"), d));
    const std::pair<TNumberEdit*, double> values[] = {
        {nedCustoCardReal, p.CustoCardReal},
        {nedTotalRAcum, p.TotalRAcum},
        {nedEfetivos, p.Efetivos},
        {nedPuMedioReal, p.PuMedioReal},
        {nedMatPriPerc, p.MatPriPerc},
        {nedConsPerc, p.ConsPerc},
        {nedPercDia, p.PercDia},
        {nedPadrPerc, p.PadrPerc},
        {nedSaldoPerc, p.SaldoPerc},
        {nedMatPriMes, p.MatPriMes},
        {nedConsMes, p.ConsMes},
        {nedCustIndTotMes, p.CustIndTotMes},
        {nedTotalMes, p.TotalMes},
        {nedPadrMens, p.PadrMens},
        {nedSaldoMes, p.SaldoMes},
        {nedMatPriCardPlan, p.MatPriCardPlan},
        {nedCustIndDia, p.CustIndDia},
        {nedCustIndPercDia, p.CustIndPercDia},
        {nedConsCardPlan, p.ConsCardPlan},
        {nedCustoCardPlan, p.CustoCardPlan},
        {nedMatPriAcuPlan, p.MatPriAcuPlan},
        {nedCustIndPlan, p.CustIndPlan},
        {nedConsAcuPlan, p.ConsAcuPlan},
        {nedTotalTAcum, p.TotalTAcum},
        {nedEstimados, p.Estimados},
        {nedPuMedioTeor, p.PuMedioTeor},
    };
    for (const auto& [box, value] : values) {
        box->SetValue(value);
    }
    corDoSaldo(nedSaldoPerc);
    corDoSaldo(nedSaldoMes);
    for (QWidget* w : std::initializer_list<QWidget*>{lblRealizado, nedCustoCardReal, lblRealAcum,
                                                      nedTotalRAcum, nedEfetivos, nedPuMedioReal}) {
        w->setEnabled(p.RealHabilitado);
    }
}

void TfrmCardMens::nedSaldoPercChange() {
    corDoSaldo(nedSaldoPerc);
}

void TfrmCardMens::nedSaldoMesChange() {
    corDoSaldo(nedSaldoMes);
}

void TfrmCardMens::ExibeAvisoRecalc(bool show) {
    if (!cardapio_->Custo().CustoCalculado) {
        return;
    }
    lblAvisoRecalc->setText(msgPadrao.Msg(chbSimultaneo->isChecked() ? QStringLiteral("ConfRecalc")
                                                                     : QStringLiteral("Recalc")));
    ContFlash = 0;
    panAvisoRecalc->setVisible(show);
    if (show) {
        timFlashPan->start();
    } else {
        timFlashPan->stop();
    }
}

// Eleven ticks, ending with the icon shown.
void TfrmCardMens::timFlashPanTimer() {
    imgAtencao->setVisible(ContFlash % 2 == 0);
    if (++ContFlash >= 11) {
        timFlashPan->stop();
    }
}

void TfrmCardMens::panAvisoRecalcClick() {
    sbtCalcularCustosClick();
}

void TfrmCardMens::chbSimultaneoClick() {
    cardapio_->Custo().Simultaneo = chbSimultaneo->isChecked();
    Menus.value(QStringLiteral("mnuSimultaneo"))->setChecked(chbSimultaneo->isChecked());
    HabilitaComandos();
}

void TfrmCardMens::mnuSimultaneoClick() {
    if (!chbSimultaneo->isEnabled()) {
        return;
    }
    chbSimultaneo->setChecked(!chbSimultaneo->isChecked());
    chbSimultaneoClick();
}

void TfrmCardMens::sbtPlanRealClick() {
    cardapio_->DesabilitaAnaliCor();
    TCustoMensal& custo = cardapio_->Custo();
    custo.MontaGrafPlanReal();
    Host().LoadBPL(QStringLiteral("PLA00108"),
                   {QVariant::fromValue<QObject*>(custo.cdsGrafPlanReal), cardapio_->CdFilial,
                    cardapio_->CdServico});
}

void TfrmCardMens::sbtCustoAcumClick() {
    cardapio_->DesabilitaAnaliCor();
    TCustoMensal& custo = cardapio_->Custo();
    custo.MontaCustoAcum();
    Host().LoadBPL(QStringLiteral("PLA00110"), {QVariant::fromValue<QObject*>(custo.cdsCustoAcum)});
}

void TfrmCardMens::btfDtRefCusClick() {
    cardapio_->AlteraDataReferencia(false);
}

void TfrmCardMens::btfDtRecCusClick() {
    cardapio_->AlteraDataReferencia(true);
}

void TfrmCardMens::AtualizaLblRefeCust() {
    const TCardapioMensal& c = *cardapio_;
    TMemTable& cenarios = *c.cdsCardames;
    const bool cenario = cenarios.Active() && !cenarios.IsEmpty();
    lblDtRefeCust->setVisible(c.ExibeCusto || cenario);
    const QString gerado =
        cenario ? msgPadrao.Msg(QStringLiteral("cenario")) + QLatin1Char(' ') +
                      cenarios.FieldByName(QStringLiteral("NRCENARIOCARD")).AsString()
                : QString();
    if (c.ExibeCusto) {
        QString caption =
            c.RefeCardapio
                ? msgPadrao.Msg(QStringLiteral("refecard"))
                : msgPadrao.Fmt(
                      QStringLiteral("refefix"),
                      {FormatDateTime(QStringLiteral("ddddd"),
                                      c.DtRefeCusto.isValid() ? c.DtRefeCusto.date() : Hoje())});
        if (cenario) {
            caption += QString(58, QLatin1Char(' ')) + gerado;
        }
        lblDtRefeCust->setText(caption);
    } else if (cenario) {
        lblDtRefeCust->setText(gerado);
    }
}

} // namespace pla::module
