#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_settings.h"
#include "core/mem_table.h"
#include "core/reference.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/host_messages.h"
#include "host/modal_runner.h"
#include "packages/cost_charts.h"
#include "packages/cost_reference_date.h"
#include "packages/screens.h"
#include "rpc/contracts.h"
#include "signed_in_host.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPrintPreviewDialog>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QtTest/QTest>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pla;
using packages::TfrmDataRefCusto;
using packages::TfrmGrafCustoAcum;
using packages::TfrmGraficoCusto;
using packages::TfrmGrafPerCapita;

namespace {

void settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The help window's page after a click on the screen's help button.
QString helpAfterClick(QToolButton* help) {
    help->click();
    host::THelpWindow* w = host::THelpWindow::Current();
    return w ? QStringLiteral("%1 %2").arg(w->CurrentContext()).arg(w->CurrentTitle()) : QString();
}

void closeHelp() {
    if (host::THelpWindow* w = host::THelpWindow::Current()) {
        w->close();
    }
    settle();
}

// --- the charts ---------------------------------------------------------------------------

// The charts over tables built as the monthly screen builds them: one row a day of
// March 2027 (31 days), served until the 20th.
class CostCharts : public ::testing::Test {
protected:
    CostCharts()
        : presenterScope_(presenter_)
        , ptBr_(TFormatSettings::PtBr()) {
        host::Host().HelpFolders = {QStringLiteral(PLA_HELP_DIR)};
        packages::RegisterScreens();
    }
    ~CostCharts() override {
        // Collected first: a chart takes its own dialogs along.
        QList<QPointer<QWidget>> charts;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<TfrmGraficoCusto*>(w)) {
                charts << w;
            }
        }
        qDeleteAll(charts);
        closeHelp();
        packages::UnregisterScreens();
        host::Host().HelpFolders.clear();
    }

    static std::unique_ptr<TMemTable> table(const char* standard, const char* planned,
                                            const char* real) {
        auto t = std::make_unique<TMemTable>(QStringLiteral("cdsGrafico"));
        t->AddField(QStringLiteral("DTCARDAPIO"), TFieldType::DateTime);
        for (const char* name : {standard, planned, real}) {
            t->AddField(QString::fromLatin1(name), TFieldType::Float);
        }
        t->CreateDataSet();
        return t;
    }
    static void append(TMemTable& t, const QDate& day, std::array<double, 3> values) {
        t.Append();
        t.FieldByName(QStringLiteral("DTCARDAPIO")).SetAsDateTime(DataHora(day));
        for (int i = 0; i < 3; ++i) {
            t.Fields(i + 1).SetAsFloat(values[static_cast<std::size_t>(i)]);
        }
        t.Post();
    }
    // Per capita: standard 12.5, planned 10 + day/8, real 9.5 + day/8 until the 20th.
    std::unique_ptr<TMemTable> perCapita(int days = 31) {
        auto t = table("VrPadrao", "VRPERCPLAN", "VRPERCREAL");
        for (int d = 1; d <= days; ++d) {
            append(*t, QDate(2027, 3, d), {12.5, 10 + d / 8.0, d <= 20 ? 9.5 + d / 8.0 : 0.0});
        }
        t->MergeChangeLog();
        return t;
    }
    // Accumulated: standard 1250.5 a day, planned 1200.25, real 1190.125 until the 20th,
    // then flat (or zero, as a table may leave days not served).
    std::unique_ptr<TMemTable> accumulated(bool zeroAfter) {
        auto t = table("VrTotPadrao", "VRTOTTACUM", "VRTOTRACUM");
        for (int d = 1; d <= 31; ++d) {
            const double real = d <= 20 ? 1190.125 * d : (zeroAfter ? 0.0 : 1190.125 * 20);
            append(*t, QDate(2027, 3, d), {1250.5 * d, 1200.25 * d, real});
        }
        t->MergeChangeLog();
        return t;
    }
    static QVariantList params(TMemTable* t, const QString& branch = QStringLiteral("0001"),
                               const QString& service = QStringLiteral("00001")) {
        return {QVariant::fromValue<QObject*>(t), branch, service};
    }
    template <class T> T* open(const QString& code, TMemTable* t) {
        host::Host().LoadBPL(code, params(t));
        return qobject_cast<T*>(TfrmGraficoCusto::Aberto(code, t));
    }
    static int openCharts() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            n += qobject_cast<TfrmGraficoCusto*>(w) && w->isVisible() ? 1 : 0;
        }
        return n;
    }
    static QList<double> ys(const QLineSeries* s) {
        QList<double> out;
        for (const QPointF& p : s->points()) {
            out << p.y();
        }
        return out;
    }
    static QList<double> values(const QBarSet* s) {
        QList<double> out;
        for (int i = 0; i < s->count(); ++i) {
            out << s->at(i);
        }
        return out;
    }
    static QList<double> column(TMemTable& t, const QString& field, int rows = -1) {
        QList<double> out;
        for (t.First(); !t.Eof() && (rows < 0 || out.size() < rows); t.Next()) {
            out << t.FieldByName(field).AsFloat();
        }
        return out;
    }

    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    TFormatSettingsScope ptBr_;
};

TEST_F(CostCharts, ThePerCapitaChartDrawsTheTableModelessOnceForATable) {
    auto t = perCapita();
    t->SetRecNo(7);
    auto* f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(f->isModal());
    EXPECT_TRUE(f->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(t->RecNo(), 7) << "the monthly screen's cursor stays where it was";
    EXPECT_EQ(f->windowTitle(),
              "Comparação do Per Capita — Planejado x Realizado — Filial 0001, Serviço 00001");
    EXPECT_EQ(f->chtGrafico->title(), "Comparação do Per Capita — Planejado x Realizado");
    EXPECT_EQ(f->panHelp->text(), "Filial 0001 · Serviço 00001 · Mês 03/2027");
    EXPECT_TRUE(f->chtGrafico->legend()->isVisible());

    QStringList days;
    for (int d = 1; d <= 31; ++d) {
        days << QString::number(d);
    }
    EXPECT_EQ(f->axsDias->categories(), days);
    EXPECT_EQ(f->serPadrao->name(), "Per capita padrão");
    EXPECT_EQ(f->barPlanejado->label(), "Per capita planejado");
    EXPECT_EQ(f->barRealizado->label(), "Per capita realizado");
    EXPECT_EQ(ys(f->serPadrao), column(*t, "VrPadrao"));
    EXPECT_EQ(values(f->barPlanejado), column(*t, "VRPERCPLAN"));
    EXPECT_EQ(values(f->barRealizado), column(*t, "VRPERCREAL"));
    EXPECT_EQ(f->UltimoRealizado(), 19) << "served until the 20th";
    EXPECT_FALSE(f->lblAviso->isVisible());

    // A second open over the same table brings this one forward.
    host::Host().LoadBPL("PLA00108", params(t.get()));
    EXPECT_EQ(openCharts(), 1);
    // The other chart over another table is a window of its own.
    auto other = accumulated(false);
    open<TfrmGrafCustoAcum>("PLA00110", other.get());
    EXPECT_EQ(openCharts(), 2);

    EXPECT_EQ(helpAfterClick(f->sbtAjuda), "12300108 Comparação do per capita (PLA00108)");
}

TEST_F(CostCharts, TheChartFollowsTheTablesChangesOnceTheyAreDone) {
    auto t = perCapita();
    auto* f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    ASSERT_NE(f, nullptr);
    t->SetRecNo(5);
    t->Edit();
    t->FieldByName("VRPERCPLAN").SetAsFloat(15.75);
    t->Post();
    t->SetRecNo(21);
    t->Edit();
    t->FieldByName("VRPERCREAL").SetAsFloat(9);
    t->Post();
    EXPECT_DOUBLE_EQ(f->barPlanejado->at(4), 10 + 5 / 8.0) << "one redraw after the burst";
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(f->barPlanejado->at(4), 15.75);
    EXPECT_EQ(f->UltimoRealizado(), 20) << "the 21st served now";
    EXPECT_DOUBLE_EQ(f->barRealizado->at(20), 9);

    // A recalculation with the views held back shows when they are released.
    t->DisableControls();
    for (t->First(); !t->Eof(); t->Next()) {
        t->Edit();
        t->FieldByName("VrPadrao").SetAsFloat(13);
        t->Post();
    }
    t->EnableControls();
    QApplication::processEvents();
    EXPECT_EQ(ys(f->serPadrao), QList<double>(31, 13));

    // Rows gone: the month read again with fewer days.
    auto shorter = perCapita(28);
    t->SetData(shorter->Data());
    QApplication::processEvents();
    EXPECT_EQ(f->serPadrao->count(), 28);
    EXPECT_EQ(f->barPlanejado->count(), 28);
    EXPECT_EQ(f->axsDias->count(), 28);
    t->Last();
    t->Delete();
    QApplication::processEvents();
    EXPECT_EQ(f->barRealizado->count(), 27);
    EXPECT_EQ(values(f->barPlanejado), column(*t, "VRPERCPLAN"));
}

TEST_F(CostCharts, TheTooltipShowsTheDayAndItsFiguresAsTheGridDoes) {
    auto t = perCapita();
    auto* f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    ASSERT_NE(f, nullptr);
    const QString third = "03/03/2027\nPer capita padrão: 12,50000\nPer capita planejado: "
                          "10,37500\nPer capita realizado: 9,87500";
    EXPECT_EQ(f->Dica(2), third);
    EXPECT_EQ(f->Dica(24), "25/03/2027\nPer capita padrão: 12,50000\nPer capita planejado: "
                           "13,12500\nPer capita realizado: —")
        << "not served yet";
    emit f->serDias->hovered(true, 2, f->barRealizado);
    EXPECT_EQ(QToolTip::text(), third);
    emit f->serDias->hovered(false, 2, f->barRealizado);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000)) << "the mouse left";
    emit f->serPadrao->hovered(QPointF(2.2, 12.5), true);
    EXPECT_EQ(QToolTip::text(), third) << "the line's nearest day";

    auto acc = accumulated(false);
    auto* g = open<TfrmGrafCustoAcum>("PLA00110", acc.get());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Dica(1), "02/03/2027\nCusto padrão acumulado: 2.501,00000\nCusto planejado "
                          "acumulado: 2.400,50000\nCusto realizado acumulado: 2.380,25000");
    emit g->serPlanejado->hovered(QPointF(1, 2400.5), true);
    EXPECT_EQ(QToolTip::text(), g->Dica(1));
    QToolTip::hideText();
}

TEST_F(CostCharts, TheAccumulatedChartEndsTheRealLineAtTheLastDayServed) {
    for (const bool zeroAfter : {false, true}) {
        auto t = accumulated(zeroAfter);
        auto* f = open<TfrmGrafCustoAcum>("PLA00110", t.get());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), "Variação do Custo Acumulado — Filial 0001, Serviço 00001");
        EXPECT_EQ(f->chtGrafico->title(), "Variação do Custo Acumulado");
        EXPECT_EQ(ys(f->serPadrao), column(*t, "VrTotPadrao"));
        EXPECT_EQ(ys(f->serPlanejado), column(*t, "VRTOTTACUM"));
        EXPECT_EQ(ys(f->serRealizado), column(*t, "VRTOTRACUM", 20)) << zeroAfter;
        EXPECT_EQ(f->serRealizado->count(), 20);
        EXPECT_EQ(f->serRealizado->points().last().x(), 19);
        EXPECT_EQ(f->serPlanejado->name(), "Custo planejado acumulado");
        EXPECT_TRUE(f->Dica(25).endsWith("Custo realizado acumulado: —"));
        if (!zeroAfter) {
            EXPECT_EQ(helpAfterClick(f->sbtAjuda),
                      "12300110 Variação do custo acumulado (PLA00110)");
        }
        f->sbtFechar->click();
        settle();
        EXPECT_EQ(openCharts(), 0) << "closed and freed";
    }
}

TEST_F(CostCharts, TheMonthlyScreenClosedTakesTheChartAlong) {
    auto t = perCapita();
    QPointer<TfrmGraficoCusto> f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    auto acc = accumulated(false);
    QPointer<TfrmGraficoCusto> g = open<TfrmGrafCustoAcum>("PLA00110", acc.get());
    ASSERT_TRUE(f && g);
    // A change waits for its redraw when the table goes.
    t->First();
    t->Edit();
    t->FieldByName("VRPERCPLAN").SetAsFloat(1);
    t->Post();
    t.reset();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(f->Dias().isEmpty());
    EXPECT_EQ(f->Tabela(), nullptr);
    EXPECT_EQ(qobject_cast<TfrmGrafPerCapita*>(f.data())->serPadrao->count(), 0);
    QApplication::processEvents();
    settle();
    EXPECT_TRUE(f.isNull());
    EXPECT_TRUE(g) << "the other table's chart stays";
    acc.reset();
    settle();
    EXPECT_TRUE(g.isNull());
}

TEST_F(CostCharts, AnEmptyTableShowsAnEmptyChartWithANote) {
    auto t = table("VrPadrao", "VRPERCPLAN", "VRPERCREAL");
    auto* f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->lblAviso->isVisible());
    EXPECT_EQ(f->lblAviso->text(), "Não há dias no cardápio deste mês para mostrar.");
    EXPECT_EQ(f->serPadrao->count(), 0);
    EXPECT_EQ(f->barPlanejado->count(), 0);
    EXPECT_EQ(f->UltimoRealizado(), -1);
    EXPECT_EQ(f->Dica(0), "");
    EXPECT_EQ(f->panHelp->text(), "Filial 0001 · Serviço 00001");
    QTemporaryDir dir;
    EXPECT_TRUE(f->SalvaImagem(dir.filePath("vazio.png")));
    f->SalvaPdf(dir.filePath("vazio.pdf"));
    EXPECT_GT(QFile(dir.filePath("vazio.pdf")).size(), 0);

    // Days arrive: the note goes.
    append(*t, QDate(2027, 3, 1), {1, 2, 3});
    QApplication::processEvents();
    EXPECT_FALSE(f->lblAviso->isVisible());
    EXPECT_EQ(f->barRealizado->count(), 1);

    // No table at all: the planner is told, nothing opens.
    EXPECT_FALSE(host::RunHandler([] { host::Host().LoadBPL("PLA00110", {QVariant()}); }));
    EXPECT_EQ(presenter_.LastText(), "O gráfico precisa da tabela de custos do cardápio mensal.");
}

TEST_F(CostCharts, TheChartIsSavedAsAnImageAndPrinted) {
    auto t = perCapita();
    auto* f = open<TfrmGrafPerCapita>("PLA00108", t.get());
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(f->SalvaImagem(dir.filePath("direto.png")));
    QImage direct(dir.filePath("direto.png"), "PNG");
    EXPECT_FALSE(direct.isNull());
    EXPECT_GE(direct.width(), f->chvGrafico->viewport()->width());

    // Through the button and its save dialog.
    QString proposed;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* save = qobject_cast<QFileDialog*>(&d);
            EXPECT_NE(save, nullptr);
            if (!save) {
                return int(QDialog::Rejected);
            }
            proposed = save->selectedFiles().value(0);
            save->selectFile(dir.filePath("botao.png"));
            return int(QDialog::Accepted);
        });
        QTest::mouseClick(f->sbtSalvarImagem, Qt::LeftButton);
    }
    EXPECT_TRUE(proposed.endsWith("PLA00108-2027-03.png")) << proposed.toStdString();
    QFile png(dir.filePath("botao.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
    EXPECT_GT(png.size(), 1000);

    f->SalvaPdf(dir.filePath("grafico.pdf"));
    QFile pdf(dir.filePath("grafico.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 1000);

    // Printing shows the preview on the host's page.
    QString preview;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            preview = d.objectName();
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(f->sbtImprimir, Qt::LeftButton);
    }
    EXPECT_EQ(preview, "dlgPreview");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

// --- the reference dates ------------------------------------------------------------------

// The reference dates of NUTRI1's branch for next month, stored on a copy of the
// demonstration through the host, as the monthly screen opens them.
class CostReferenceDates : public ::testing::Test {
protected:
    CostReferenceDates()
        : server_(test::TEngine::SQLite, Hoje())
        , host_(server_, QStringLiteral("NUTRI1"))
        , presenterScope_(presenter_)
        , ptBr_(TFormatSettings::PtBr()) {
        packages::RegisterScreens();
        branch_ = host::Host().FiliProc;
        name_ =
            server_.Db()
                .Scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {branch_})
                .toString();
    }
    ~CostReferenceDates() override {
        closeHelp();
        packages::UnregisterScreens();
    }

    QVariantList params(char kind, const QVariant& date) const {
        QVariantList p{branch_, name_, DataHora(month_), date};
        if (kind == rpc::BaseCustoPlanejado) {
            p << QStringLiteral("06");
        }
        return p;
    }
    static QString code(char kind) {
        return kind == rpc::BaseCustoPlanejado ? QStringLiteral("PLA00120")
                                               : QStringLiteral("PLA00126");
    }
    struct TRun {
        int Result = -1;
        bool StayedOpen = false; // after the script's last step
    };
    // Opens the screen as the monthly screen does; the script works it like a planner.
    TRun run(char kind, const QVariant& date, const std::function<void(TfrmDataRefCusto&)>& work) {
        TRun r;
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* f = d.findChild<TfrmDataRefCusto*>();
            EXPECT_NE(f, nullptr);
            if (!f) {
                return int(QDialog::Rejected);
            }
            work(*f);
            r.Result = f->ModalResult();
            r.StayedOpen = d.isVisible();
            return f->ModalResult() == host::mrOk ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        host::Host().LoadBPL(code(kind), params(kind, date));
        return r;
    }
    static void confirm(TfrmDataRefCusto& f) { QTest::mouseClick(f.sbtConfirma, Qt::LeftButton); }
    static void key(TfrmDataRefCusto& f, Qt::Key k) {
        f.depDataRef->setFocus();
        f.depDataRef->setCurrentSection(QDateTimeEdit::DaySection);
        QTest::keyClick(f.depDataRef, k);
    }
    // The month's stored row, as GetBaseCusto answers it.
    QVariantMap stored() {
        auto net = server_.Connect(QStringLiteral("Pla00120.rdmBaseCusto"), host::Host().Token);
        const rpc::TMethodSpec& metodo = rpc::metodos::GetBaseCusto();
        QList<rpc::TRpcArg> args = rpc::Argumentos(metodo, {branch_, DataHora(month_)});
        const TDataPacket p = rpc::PacoteServ(net->Call(metodo.Name, args));
        QVariantMap row;
        for (int i = 0; i < p.Fields.size() && !p.Rows.isEmpty(); ++i) {
            row.insert(p.Fields[i].Name.toUpper(), p.Rows.first().Values.value(i));
        }
        return row;
    }
    static QString dia(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }
    int writes() const { return host_.Calls().filter(QStringLiteral("SetBaseCusto")).size(); }

    test::TEmbeddedServer server_;
    test::TSignedInHost host_;
    host::TScriptedPresenter presenter_;
    host::TPresenterScope presenterScope_;
    TFormatSettingsScope ptBr_;
    const QDate month_ = PriDiaMes(Hoje()).addMonths(1);
    QString branch_;
    QString name_;
};

TEST_F(CostReferenceDates, TheScreenShowsTheMonthWhatIsStoredAndThePresetDate) {
    const QDate preset = month_.addDays(-3);
    const QVariantMap before = stored();
    const QString typeName = server_.Db()
                                 .Scalar(QStringLiteral("SELECT NMTIPOCUSTO FROM TIPOCUSTO WHERE "
                                                        "NRTIPOCUSTO = 6"))
                                 .toString();
    QString help;
    const TRun r = run(rpc::BaseCustoPlanejado, DataHora(preset), [&](TfrmDataRefCusto& f) {
        EXPECT_EQ(f.ScreenCode(), "PLA00120");
        EXPECT_EQ(f.windowTitle(), "Data de Referência dos Custos");
        EXPECT_EQ(f.edtFilial->text(), branch_ + " - " + name_);
        EXPECT_EQ(f.edtMes->text(), month_.toString("MM/yyyy"));
        ASSERT_NE(f.edtTipoCusto, nullptr);
        EXPECT_TRUE(f.edtTipoCusto->text().startsWith("06"))
            << f.edtTipoCusto->text().toStdString();
        EXPECT_TRUE(f.edtTipoCusto->text().contains(typeName));
        EXPECT_EQ(f.depDataRef->Date(), preset);
        EXPECT_EQ(f.depDataRef->text(), dia(preset));
        EXPECT_EQ(f.DataGravada(), before.value("DTBASCONCUSPLAN").toDateTime().date());
        EXPECT_EQ(f.edtDataGravada->text(),
                  before.value("DTBASCONCUSPLAN").toDateTime().date().isValid()
                      ? dia(before.value("DTBASCONCUSPLAN").toDateTime().date())
                      : QStringLiteral("Nenhuma data gravada"));
        EXPECT_EQ(f.Inicio(), month_.addMonths(-12));
        EXPECT_EQ(f.Fim(), UltimoDiaMes(month_));
        EXPECT_EQ(f.focusWidget(), f.depDataRef) << "where the planner types";
        help = helpAfterClick(f.sbtAjuda);
        QTest::mouseClick(f.sbtCancela, Qt::LeftButton);
    });
    EXPECT_EQ(r.Result, host::mrCancel);
    EXPECT_FALSE(r.StayedOpen) << "cancelled";
    EXPECT_EQ(help, "12300120 Data de referência dos custos (PLA00120)");
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(stored(), before) << "nothing written";
}

TEST_F(CostReferenceDates, AnEmptyDateOrOneOutOfBoundsIsRefusedAtTheEdges) {
    const QVariantMap before = stored();
    const QDate first = month_.addMonths(-12);
    const QDate last = UltimoDiaMes(month_);
    const QString bounds =
        QString("A data de referência deve estar entre %1 e %2.").arg(dia(first), dia(last));
    TRun r = run(rpc::BaseCustoPlanejado, DataHora(month_), [&](TfrmDataRefCusto& f) {
        f.depDataRef->Clear();
        confirm(f);
        EXPECT_EQ(presenter_.LastText(), "Informe a data de referência.");
        EXPECT_EQ(presenter_.Shown().last().Kind, "error");
        f.depDataRef->SetDate(last);
        key(f, Qt::Key_Up);
        EXPECT_EQ(f.depDataRef->Date(), last.addDays(1));
        confirm(f);
        EXPECT_EQ(presenter_.LastText(), bounds);
        f.depDataRef->SetDate(first);
        key(f, Qt::Key_Down);
        EXPECT_EQ(f.depDataRef->Date(), first.addDays(-1));
        confirm(f);
        EXPECT_EQ(presenter_.LastText(), bounds);
        EXPECT_EQ(f.depDataRef->Date(), first.addDays(-1)) << "the date stays to be corrected";
    });
    EXPECT_TRUE(r.StayedOpen);
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(stored(), before);

    // The edges themselves pass.
    for (const QDate edge : {first, last}) {
        presenter_.Clear();
        r = run(rpc::BaseCustoPlanejado, DataHora(edge), [&](TfrmDataRefCusto& f) { confirm(f); });
        EXPECT_FALSE(r.StayedOpen) << dia(edge).toStdString();
        EXPECT_EQ(presenter_.LastText(), "Data de referência gravada.");
        EXPECT_EQ(stored().value("DTBASCONCUSPLAN").toDateTime().date(), edge);
    }
}

TEST_F(CostReferenceDates, AValidDateIsStoredWithWhoAndWhenAndComesBack) {
    const QDate chosen = month_.addDays(-10);
    TReference date(DataHora(month_.addDays(-1)));
    const QDateTime before = NormalizaDataHora(Agora()).addSecs(-1);
    presenter_.Clear();
    const TRun r = run(rpc::BaseCustoPlanejado, date.AsVariant(), [&](TfrmDataRefCusto& f) {
        EXPECT_EQ(f.depDataRef->Date(), month_.addDays(-1)) << "preset from the reference";
        f.depDataRef->SetDate(chosen.addDays(1));
        key(f, Qt::Key_Down);
        confirm(f);
    });
    const QDateTime after = NormalizaDataHora(Agora()).addSecs(1);
    EXPECT_EQ(r.Result, host::mrOk);
    EXPECT_FALSE(r.StayedOpen);
    ASSERT_EQ(presenter_.Shown().size(), 1);
    EXPECT_EQ(presenter_.Shown().first().Kind, "message");
    EXPECT_EQ(presenter_.LastText(), "Data de referência gravada.");
    EXPECT_EQ(date.Get().toDateTime().date(), chosen) << "back to the caller";
    const QVariantMap row = stored();
    EXPECT_EQ(row.value("DTBASCONCUSPLAN").toDateTime().date(), chosen);
    EXPECT_EQ(row.value("CDOPERBASE").toString().trimmed(), "NUTRI1");
    const QDateTime when = NormalizaDataHora(row.value("DTALTBASE").toDateTime());
    EXPECT_GE(when, before) << when.toString(Qt::ISODate).toStdString();
    EXPECT_LE(when, after) << "the clock's instant";

    // Opened again, the screen shows it.
    run(rpc::BaseCustoPlanejado, DataHora(chosen), [&](TfrmDataRefCusto& f) {
        EXPECT_EQ(f.edtDataGravada->text(), dia(chosen));
        EXPECT_EQ(f.edtAlteradoPor->text(), "NUTRI1");
        EXPECT_EQ(f.edtAlteradoEm->text(), when.toString("dd/MM/yyyy hh:mm"));
        QTest::mouseClick(f.sbtCancela, Qt::LeftButton);
    });
}

TEST_F(CostReferenceDates, TheRecalculationDateIsStoredAlone) {
    const QVariantMap before = stored();
    const QDate chosen = month_.addDays(5);
    QString help;
    const TRun r = run(rpc::BaseCustoRecalculo, DataHora(chosen), [&](TfrmDataRefCusto& f) {
        EXPECT_EQ(f.ScreenCode(), "PLA00126");
        EXPECT_EQ(f.windowTitle(), "Data de Referência do Recálculo dos Custos");
        EXPECT_EQ(f.edtTipoCusto, nullptr);
        EXPECT_EQ(f.depDataRef->Date(), chosen);
        EXPECT_EQ(f.DataGravada(), before.value("DTBASRECCUS").toDateTime().date());
        help = helpAfterClick(f.sbtAjuda);
        confirm(f);
    });
    EXPECT_FALSE(r.StayedOpen);
    EXPECT_EQ(help, "12300126 Data de referência do recálculo dos custos (PLA00126)");
    EXPECT_EQ(presenter_.LastText(), "Data de referência gravada.");
    const QVariantMap row = stored();
    EXPECT_EQ(row.value("DTBASRECCUS").toDateTime().date(), chosen);
    EXPECT_EQ(row.value("CDOPERREC").toString().trimmed(), "NUTRI1");
    EXPECT_EQ(row.value("DTALTREC").toDateTime().date(), Hoje());
    for (const char* field : {"DTBASCONCUSPLAN", "CDOPERBASE", "DTALTBASE"}) {
        EXPECT_EQ(row.value(field), before.value(field)) << field;
    }
    run(rpc::BaseCustoRecalculo, DataHora(chosen), [&](TfrmDataRefCusto& f) {
        EXPECT_EQ(f.edtDataGravada->text(), dia(chosen));
        EXPECT_EQ(f.edtAlteradoPor->text(), "NUTRI1");
        QTest::mouseClick(f.sbtCancela, Qt::LeftButton);
    });
}

TEST_F(CostReferenceDates, AServerRefusalIsShownAndTheScreenStays) {
    const QVariantMap before = stored();
    const QDate chosen = month_.addDays(-20);
    const QString refusal = QStringLiteral("Os custos do mês já foram fechados.");
    const TRun r = run(rpc::BaseCustoPlanejado, DataHora(chosen), [&](TfrmDataRefCusto& f) {
        host_.AnswerNext(QStringLiteral("SetBaseCusto"), refusal);
        confirm(f);
        EXPECT_EQ(f.depDataRef->Date(), chosen) << "kept for another try";
        EXPECT_EQ(f.ModalResult(), 0);
    });
    EXPECT_TRUE(r.StayedOpen);
    EXPECT_EQ(r.Result, 0);
    ASSERT_FALSE(presenter_.Shown().isEmpty());
    EXPECT_EQ(presenter_.Shown().last().Kind, "error");
    EXPECT_EQ(presenter_.LastText(), refusal);
    EXPECT_EQ(stored(), before);

    // The server's own refusal: a branch this operator does not plan.
    branch_ = QStringLiteral("0004");
    const QVariantMap other = stored();
    presenter_.Clear();
    const TRun mine = run(rpc::BaseCustoRecalculo, DataHora(chosen), [&](TfrmDataRefCusto& f) {
        confirm(f);
        EXPECT_EQ(f.depDataRef->Date(), chosen);
    });
    EXPECT_TRUE(mine.StayedOpen);
    ASSERT_EQ(presenter_.Shown().size(), 1);
    EXPECT_EQ(presenter_.Shown().first().Kind, "error");
    EXPECT_FALSE(presenter_.LastText().isEmpty());
    EXPECT_EQ(stored(), other);
}

} // namespace
