// The cost follow-up of the monthly screen worked as a planner does, against the
// in-process server: the panel, the warning bar, recalculation on confirm, the real
// column, the reference dates and the closing's cost checks.
#include "core/numbers.h"
#include "editing_fixture.h"
#include "host/autoriza.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "server/admin.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

using namespace pla;
using namespace pla::module;

namespace {

class CostPanel : public test::TEditingTest {
protected:
    static double ned(TfrmCardMens* s, const char* name) {
        return Child<host::TNumberEdit>(s, QString::fromLatin1(name))->Value();
    }
    static QWidget* widget(TfrmCardMens* s, const char* name) {
        return Child<QWidget>(s, QString::fromLatin1(name));
    }
    static QFrame* bar(TfrmCardMens* s) { return Child<QFrame>(s, "panAvisoRecalc"); }
    static QString barText(TfrmCardMens* s) { return Child<QLabel>(s, "lblAvisoRecalc")->text(); }
    // The panel shown and the costs calculated, on a day of next month.
    TfrmCardMens* calculated(const QDate& day) {
        TfrmCardMens* s = open("0001", "00001", next_);
        EXPECT_NE(s, nullptr);
        goTo(s, day, type(s, 0));
        Button(s, "sbtCustos")->click();
        Button(s, "sbtCalcularCustos")->click();
        return s;
    }
    // The planned raw material of every day, as the server gave it.
    static QMap<QDate, double> materials(TfrmCardMens* s) {
        QMap<QDate, double> out;
        TMemTable& t = *s->Cardapio().Custo().cdsTrabCusto;
        for (t.First(); !t.Eof(); t.Next()) {
            out.insert(t.FieldByName("DTDATA").AsDateTime().date(),
                       t.FieldByName("VRCUSTPRODMAT").AsFloat());
        }
        return out;
    }
    // A dish of the day removed with Delete, the question answered yes.
    void removeFirstDish(TfrmCardMens* s, const QDate& day) {
        for (int i = 0; i + 1 < GridModel(s)->Pivot().Types().size(); ++i) {
            if (!cell(s, day, type(s, i)).trimmed().isEmpty()) {
                goTo(s, day, type(s, i));
                presenter_.Answer(host::mrYes);
                key(s, Qt::Key_Delete);
                return;
            }
        }
        ADD_FAILURE() << "no dish on " << day.toString().toStdString();
    }
};

TEST_F(CostPanel, TheCalculationFillsThePanelForTheCurrentDay) {
    const QDate day = workingDay("0001", 10);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, day, type(s, 0));
    EXPECT_TRUE(widget(s, "panCusto")->isHidden());
    Button(s, "sbtCustos")->click();
    EXPECT_FALSE(widget(s, "panCusto")->isHidden());
    EXPECT_TRUE(Action(s, "mnuCalcularCustos")->isVisible());
    EXPECT_FALSE(Child<QCheckBox>(s, "chbSimultaneo")->isEnabled());
    EXPECT_FALSE(Button(s, "sbtPlanReal")->isEnabled());
    Button(s, "sbtCalcularCustos")->click();
    EXPECT_TRUE(Child<QCheckBox>(s, "chbSimultaneo")->isEnabled());
    EXPECT_TRUE(Button(s, "sbtPlanReal")->isEnabled());
    EXPECT_TRUE(Button(s, "sbtCustoAcum")->isEnabled());

    TCustoMensal& k = s->Cardapio().Custo();
    EXPECT_EQ(k.ChaveTrabCusto.size(), 10);
    EXPECT_FALSE(k.CalculandoCusto);
    EXPECT_EQ(k.cdsTrabCusto->RecordCount(), next_.daysInMonth()) << "one row per day";
    ASSERT_TRUE(k.cdsTrabCusto->Locate("DTDATA", DataHora(day)));
    const double material = k.cdsTrabCusto->FieldByName("VRCUSTPRODMAT").AsFloat();
    EXPECT_GT(material, 0);
    EXPECT_DOUBLE_EQ(ned(s, "nedMatPriCardPlan"), RoundDec(material, 5));
    EXPECT_DOUBLE_EQ(ned(s, "nedCustoCardPlan"),
                     RoundDec(ned(s, "nedMatPriCardPlan") + ned(s, "nedConsCardPlan"), 5));
    EXPECT_DOUBLE_EQ(ned(s, "nedPadrPerc"), RoundDec(k.VrCustPadr(), 5));
    EXPECT_GT(ned(s, "nedPadrPerc"), 0);
    EXPECT_DOUBLE_EQ(ned(s, "nedSaldoPerc"),
                     RoundDec(ned(s, "nedPadrPerc") - ned(s, "nedPercDia"), 5));
    EXPECT_EQ(Child<QGroupBox>(s, "grbCustoDia")->title(), "Dia " + day.toString("dd/MM/yyyy"));
    EXPECT_EQ(Child<QGroupBox>(s, "grbCustoAcum")->title(),
              "Acumulado até " + day.toString("dd/MM/yyyy"));

    // The panel follows the cursor.
    const QDate next = workingDay("0001", day.day() + 1);
    goTo(s, next, type(s, 0));
    ASSERT_EQ(s->Cardapio().DataCard(), next);
    EXPECT_EQ(Child<QGroupBox>(s, "grbCustoDia")->title(), "Dia " + next.toString("dd/MM/yyyy"));
    ASSERT_TRUE(k.cdsTrabCusto->Locate("DTDATA", DataHora(next)));
    EXPECT_DOUBLE_EQ(ned(s, "nedMatPriCardPlan"),
                     RoundDec(k.cdsTrabCusto->FieldByName("VRCUSTPRODMAT").AsFloat(), 5));

    // A negative balance is red, zero is not.
    auto* saldo = Child<host::TNumberEdit>(s, "nedSaldoMes");
    saldo->SetValue(-0.00001);
    EXPECT_EQ(saldo->palette().color(QPalette::Base), QColor(Qt::red));
    saldo->SetValue(0);
    EXPECT_NE(saldo->palette().color(QPalette::Base), QColor(Qt::red));
}

TEST_F(CostPanel, AnEditWarnsAndTheBarRecalculatesExactlyWhatChanged) {
    const QDate day = workingDay("0001", 10);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // Before the first calculation nothing is out of date.
    removeFirstDish(s, day);
    EXPECT_TRUE(bar(s)->isHidden());
    s->Cardapio().DescartaAlteracoes();

    goTo(s, day, type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    const QMap<QDate, double> before = materials(s);
    removeFirstDish(s, day);
    EXPECT_FALSE(bar(s)->isHidden());
    EXPECT_EQ(barText(s), "Custos desatualizados! Clique para recalcular.");
    auto* timer = Child<QTimer>(s, "timFlashPan");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 400);
    QList<bool> shown;
    while (timer->isActive() && shown.size() < 20) {
        s->timFlashPanTimer();
        shown << !Child<QLabel>(s, "imgAtencao")->isHidden();
    }
    EXPECT_EQ(shown.size(), 11) << "eleven ticks";
    EXPECT_TRUE(shown.last()) << "ending with the icon shown";
    EXPECT_FALSE(shown[1]);
    EXPECT_GT(s->Cardapio().AlteracoesPendentes(), 0);

    QTest::mouseClick(bar(s), Qt::LeftButton);
    EXPECT_TRUE(bar(s)->isHidden());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "saved before calculating";
    const QMap<QDate, double> after = materials(s);
    ASSERT_EQ(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() == day) {
            EXPECT_LT(after[it.key()], it.value()) << "the dish no longer costs";
        } else {
            EXPECT_DOUBLE_EQ(after[it.key()], it.value()) << it.key().toString().toStdString();
        }
    }
}

TEST_F(CostPanel, RecalculatingOnConfirmTakesTheBarsClickAway) {
    const QDate day = workingDay("0001", 10);
    TfrmCardMens* s = calculated(day);
    auto* box = Child<QCheckBox>(s, "chbSimultaneo");
    QTest::mouseClick(box, Qt::LeftButton, {},
                      box->rect().center() - QPoint(box->width() / 2 - 6, 0));
    ASSERT_TRUE(box->isChecked());
    EXPECT_TRUE(Action(s, "mnuSimultaneo")->isChecked());
    EXPECT_FALSE(Button(s, "sbtCalcularCustos")->isEnabled());
    EXPECT_FALSE(Action(s, "mnuCalcularCustos")->isEnabled());
    const QString key = s->Cardapio().Custo().ChaveTrabCusto;
    const QMap<QDate, double> before = materials(s);

    removeFirstDish(s, day);
    EXPECT_FALSE(bar(s)->isHidden());
    EXPECT_EQ(barText(s), "Custos desatualizados! Confirme para recalcular.");
    QTest::mouseClick(bar(s), Qt::LeftButton);
    EXPECT_FALSE(bar(s)->isHidden()) << "the click does nothing";
    EXPECT_GT(s->Cardapio().AlteracoesPendentes(), 0);

    s->sbtConfirmar->click();
    EXPECT_TRUE(bar(s)->isHidden());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_LT(materials(s)[day], before[day]);
    EXPECT_NE(s->Cardapio().Custo().ChaveTrabCusto, key) << "a new work area";
    EXPECT_EQ(
        server_.Db().Scalar("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {key}).toInt(),
        0)
        << "the former one released";

    // Unticked from the menu, the button asks again.
    Action(s, "mnuSimultaneo")->trigger();
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(Button(s, "sbtCalcularCustos")->isEnabled());
}

TEST_F(CostPanel, TheRealColumnCountsUpToTheProcessingDate) {
    // The branch processed up to the 12th of next month: its days before are served.
    const QDate processing = next_.addDays(11);
    server_.Db().Exec("UPDATE FILIAL SET DTPROCESSA = ? WHERE CDFILIAL = '0001'",
                      {DataHora(processing)});
    server_.Db().Exec("INSERT INTO RETIRADA (CDFILIAL, CDSERVFILI, DTRETIRADA, CDPRODUTO, "
                      "QTRETIRADA, VRCUSTUNIT) SELECT '0001', '00001', ?, MIN(CDPRODUTO), 2, "
                      "3.5 FROM PRODUTO",
                      {DataHora(next_.addDays(4))});
    TfrmCardMens* s = calculated(workingDay("0001", 16));
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    // Costs are calculated from a day that may change; a served day is blocked.
    goTo(s, next_.addDays(4), type(s, 0));
    EXPECT_TRUE(widget(s, "lblRealizado")->isEnabled());
    EXPECT_TRUE(widget(s, "nedCustoCardReal")->isEnabled());
    EXPECT_GT(ned(s, "nedCustoCardReal"), 0);
    EXPECT_DOUBLE_EQ(ned(s, "nedTotalRAcum"), ned(s, "nedCustoCardReal")) << "the first served day";

    goTo(s, processing, type(s, 0));
    EXPECT_FALSE(widget(s, "lblRealizado")->isEnabled());
    EXPECT_FALSE(widget(s, "nedPuMedioReal")->isEnabled());
    EXPECT_DOUBLE_EQ(ned(s, "nedCustoCardReal"), 0);
    EXPECT_DOUBLE_EQ(ned(s, "nedTotalRAcum"), 0);
    EXPECT_DOUBLE_EQ(ned(s, "nedEfetivos"), 0);
}

TEST_F(CostPanel, TheComparisonChartsReceiveTheirTables) {
    QVariantList planReal, accumulated;
    host::Host().RegisterScreen("PLA00108", [&](const QVariantList& p) { planReal = p; });
    host::Host().RegisterScreen("PLA00110", [&](const QVariantList& p) { accumulated = p; });
    TfrmCardMens* s = calculated(workingDay("0001", 10));
    Button(s, "sbtPlanReal")->click();
    ASSERT_EQ(planReal.size(), 3);
    auto* table = qobject_cast<TMemTable*>(planReal[0].value<QObject*>());
    ASSERT_EQ(table, s->Cardapio().Custo().cdsGrafPlanReal);
    EXPECT_EQ(planReal[1].toString(), "0001");
    EXPECT_EQ(planReal[2].toString(), "00001");
    EXPECT_EQ(table->RecordCount(), next_.daysInMonth());
    Button(s, "sbtCustoAcum")->click();
    ASSERT_EQ(accumulated.size(), 1);
    EXPECT_EQ(qobject_cast<TMemTable*>(accumulated[0].value<QObject*>()),
              s->Cardapio().Custo().cdsCustoAcum);
    // A chart left open follows the next calculation.
    TMemTable& a = *s->Cardapio().Custo().cdsCustoAcum;
    a.Last();
    const double planned = a.FieldByName("VRTOTTACUM").AsFloat();
    removeFirstDish(s, workingDay("0001", 10));
    QTest::mouseClick(bar(s), Qt::LeftButton);
    a.Last();
    EXPECT_LT(a.FieldByName("VRTOTTACUM").AsFloat(), planned);
}

TEST_F(CostPanel, AStoredReferenceDateChangesOnlyWithASupervisor) {
    server_.AddOperator("SUPX", "senha-do-sup");
    server::Grant(server_.Db(), "SUPX", QString(), {}, {7, 12});
    QList<QVariantList> opened;
    host::Host().UnregisterScreen("PLA00120");
    host::Host().RegisterScreen("PLA00120", [&](const QVariantList& p) {
        opened << p;
        // The screen stores a new date, as the planner typed it.
        server_.Db().Exec("UPDATE BASECUSTMES SET DTBASCONCUSPLAN = ? WHERE CDFILIAL = '0001' "
                          "AND DTMESCUST = ?",
                          {DataHora(next_.addDays(-3)), DataHora(next_)});
    });
    server_.Db().Exec("DELETE FROM BASECUSTMES WHERE CDFILIAL = '0001' AND DTMESCUST = ?",
                      {DataHora(next_)});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    int asked = 0;
    host::TModalRunner::TScope never([&](QDialog&) {
        ++asked;
        return int(QDialog::Rejected);
    });
    Button(s, "btfDtRefCus")->click();
    EXPECT_EQ(asked, 0) << "nothing stored: no supervisor";
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].size(), 5);
    EXPECT_EQ(opened[0][0].toString(), "0001");
    EXPECT_EQ(opened[0][2].toDateTime().date(), next_);
    EXPECT_EQ(opened[0][3].toDateTime().date(), host::Host().DataProc("0001"))
        << "the processing date offered";
    EXPECT_EQ(opened[0][4].toString(),
              QString::number(s->Cardapio().TipoCustoPlanejado).rightJustified(2, '0'));

    server_.Db().Exec("INSERT INTO BASECUSTMES (CDFILIAL, DTMESCUST, DTBASCONCUSPLAN) VALUES "
                      "('0001', ?, ?)",
                      {DataHora(next_), DataHora(next_.addDays(-10))});
    Button(s, "btfDtRefCus")->click();
    EXPECT_EQ(asked, 1) << "a stored date asks for a supervisor";
    EXPECT_EQ(opened.size(), 1) << "refused: nothing opened";

    QStringList typed{"SUPX", "senha-do-sup"};
    host::TModalRunner::TScope supervisor([&](QDialog& d) {
        auto& dialog = dynamic_cast<host::TAutorizaDialog&>(d);
        QTest::keyClicks(dialog.Supervisor(), typed.value(0));
        QTest::keyClicks(dialog.Password(), typed.value(1));
        return int(QDialog::Accepted);
    });
    const bool fixed = s->Cardapio().ExibeCusto && !s->Cardapio().RefeCardapio;
    Button(s, "btfDtRefCus")->click();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1][3].toDateTime().date(), next_.addDays(-10)) << "the stored date";
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM LOGAUTORIZ WHERE CDSUPERVISOR = 'SUPX' AND "
                          "NRTIPOAUTORIZ = 7")
                  .toInt(),
              1);
    if (fixed) {
        EXPECT_EQ(s->Cardapio().DtRefeCusto.date(), next_.addDays(-3))
            << "the costs follow the new date";
    }
}

TEST_F(CostPanel, AMonthOutsideTheToleranceDoesNotClose) {
    TfrmCardMens* s = calculated(workingDay("0001", 10));
    TMemTable check;
    check.SetData(rpc::PacoteServ(s->Cardapio().chama(
        rpc::metodos::getVdFechaCardapioCus(),
        {QString("0001"), QString("00001"), DataHora(next_), DataHora(UltimoDiaMes(next_)),
         host::Host().Operador, qlonglong(s->Cardapio().TipoCustoPlanejado),
         s->Cardapio().RefeCardapio ? QString("C") : QString("X"),
         s->Cardapio().RefeCardapio ? QVariant() : QVariant(s->Cardapio().DtRefeCusto)})));
    ASSERT_EQ(check.RecordCount(), 1);
    const double diff = check.FieldByName("DIFECUSTO").AsFloat();
    ASSERT_NE(diff, 0);
    // The limit on the side of the difference; the other side is wide open.
    const auto tolerance = [&](double v) {
        server_.Db().Exec("UPDATE PARAMPLANEJA SET IDBLQFECHCARD = 'S', VRPEMAXDIFPLAPA = ?, "
                          "VRPEMINDIFPLAPA = ? WHERE CDFILIAL = '0001'",
                          {diff > 0 ? v : 1000.0, diff < 0 ? v : 1000.0});
    };
    tolerance(std::abs(diff) - 0.0001);
    presenter_.Clear();
    EXPECT_FALSE(s->close());
    EXPECT_EQ(presenter_.LastText(),
              "Operação bloqueada! O custo do cardápio está fora do intervalo permitido.");
    const QString key = s->Cardapio().Custo().ChaveTrabCusto;
    EXPECT_EQ(
        server_.Db().Scalar("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {key}).toInt(),
        1)
        << "still open, the work area stays";

    // The follow-up check: a saved month is analysed before it closes.
    tolerance(std::abs(diff));
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDACOMPCUSTO = 'S' WHERE CDFILIAL = '0001'");
    s->Cardapio().CustoAnalisado = false;
    QString analysis;
    {
        host::TModalRunner::TScope script([&analysis](QDialog& d) {
            if (auto* f = d.findChild<host::TForm*>()) {
                analysis = f->ScreenCode();
            }
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(s->close());
    }
    EXPECT_EQ(analysis, "PLA00106");
    EXPECT_TRUE(s->Cardapio().CustoAnalisado);
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDACOMPCUSTO = 'N' WHERE CDFILIAL = '0001'");

    // At its limit the month closes, and its work area goes with it.
    presenter_.Answer(host::mrYes); // days without dishes, if any
    EXPECT_TRUE(s->close());
    EXPECT_EQ(
        server_.Db().Scalar("SELECT COUNT(*) FROM TRABCUSTO WHERE NRTRABCUSTO = ?", {key}).toInt(),
        0);
}

} // namespace
