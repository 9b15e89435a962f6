#include "core/data_packet.h"
#include "core/table_scopes.h"
#include "editing_fixture.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "packages/diners_by_type.h"
#include "packages/dish_inversion.h"
#include "packages/dish_selection.h"
#include "packages/period_deletion.h"
#include "packages/screens.h"
#include "screen_access.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QtTest/QTest>

using namespace pla;
using namespace pla::module;

namespace {

using Editing = test::TEditingTest;

TEST_F(Editing, CopyAndPasteAskBeforeReplacingAndKeepTheCellWhenRefused) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    const QString t = type(s, 0);
    goTo(s, a, t);
    key(s, Qt::Key_C, Qt::ControlModifier);
    const auto source = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(source);
    EXPECT_EQ(s->Cardapio().PratoCopiado.CdPrato, source->Code);
    EXPECT_EQ(s->Cardapio().PratoCopiado.NmPrato, source->Dish()) << "the name without its mark";

    goTo(s, b, t);
    const QString before = cell(s, b, t);
    presenter_.Answer(host::mrNo);
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Confirma substituição?");
    EXPECT_EQ(cell(s, b, t), before);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "nothing changed";
    EXPECT_FALSE(s->Cardapio().ExclusaoRealizada);

    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_V, Qt::ControlModifier);
    const auto pasted = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->Code, source->Code);
    EXPECT_EQ(pasted->Mark(), QChar('N'));
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    // The same diners on a day of other diners: another share.
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    const auto row = cacheRow(s, b, seq);
    ASSERT_TRUE(row);
    EXPECT_NEAR((*row)["VRPECONSCARD"].toDouble(),
                s->Cardapio().PratoCopiado.Valor / s->Cardapio().comensaisDia(b) * 100.0, 1e-9);
    EXPECT_EQ((*row)["CDPRATO"].toString(), source->Code);

    // Saved, closed, reopened: the grid as it was, cell by cell.
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    const QStringList grid = texts(s);
    ASSERT_TRUE(s->close());
    settle();
    TfrmCardMens* again = open("0001", "00001", next_);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(texts(again), grid);
}

TEST_F(Editing, KeysThatDoNothingAndTheCopyThatStays) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QString t = type(s, 1);
    goTo(s, a, t);
    key(s, Qt::Key_C, Qt::ControlModifier);
    const QString copied = s->Cardapio().PratoCopiado.CdPrato;
    ASSERT_FALSE(copied.isEmpty());

    // Delete on the diners row asks nothing and removes nothing.
    goTo(s, a, total(s));
    const QString diners = cell(s, a, total(s));
    key(s, Qt::Key_Delete);
    EXPECT_TRUE(presenter_.Shown().isEmpty());
    EXPECT_EQ(cell(s, a, total(s)), diners);

    // A dish removed leaves an empty cell; Delete there asks nothing; Ctrl+C there
    // keeps the dish copied before.
    const QDate b = workingDay("0001", a.day() + 1);
    goTo(s, b, t);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(presenter_.LastText(), "Confirma exclusão?");
    EXPECT_FALSE(s->Cardapio().EntradaCelula());
    presenter_.Clear();
    key(s, Qt::Key_Delete);
    EXPECT_TRUE(presenter_.Shown().isEmpty());
    key(s, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(s->Cardapio().PratoCopiado.CdPrato, copied);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1) << "one dish removed";

    // Cancel brings it back.
    presenter_.Answer(host::mrYes);
    s->sbtCancelar->click();
    EXPECT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);

    // The key-up enabling follows the cell.
    goTo(s, a, t);
    QTest::keyRelease(GridView(s), Qt::Key_Right);
    EXPECT_TRUE(s->sbtExcluir->isEnabled());
    EXPECT_FALSE(s->sbtIncluir->isEnabled());
    goTo(s, a, total(s));
    QTest::keyRelease(GridView(s), Qt::Key_Right);
    EXPECT_FALSE(s->sbtExcluir->isEnabled()) << "the diners row";
    EXPECT_EQ(s->mnuExcluir->isEnabled(), s->sbtExcluir->isEnabled());
}

TEST_F(Editing, PasteChecksTheRecipeTheProductsAndWorkingDays) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QString t = type(s, 0);
    goTo(s, a, t);
    const QString before = cell(s, a, t);
    // A dish without a revised recipe.
    const QString unrevised =
        server_.Db().Scalar("SELECT MIN(CDPRATO) FROM PRATO WHERE IDRECEREVI = 'N'").toString();
    ASSERT_FALSE(unrevised.isEmpty());
    s->Cardapio().PratoCopiado = {unrevised, "0002", "SEM RECEITA", 100};
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Operação bloqueada. Prato não possui receita revisada.");
    EXPECT_EQ(cell(s, a, t), before);

    // A dish whose recipe has an inactive product.
    const QString dish = s->Cardapio().EntradaCelula()->Code;
    const QString product =
        server_.Db()
            .Scalar("SELECT MIN(CDPRODUTO) FROM RECEITA WHERE CDPRATO = ?", {dish})
            .toString();
    ASSERT_FALSE(product.isEmpty());
    server_.Db().Exec("UPDATE PRODUTO SET IDATIVO = 'N' WHERE CDPRODUTO = ?", {product});
    s->Cardapio().PratoCopiado = {dish, "0002", "X", 100};
    presenter_.Clear();
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(product.size(), 6) << "a product code of the picture 9.99.999";
    EXPECT_EQ(presenter_.LastText(),
              QString("Prato não pode conter produto inativo na receita (%1.%2.%3).")
                  .arg(product.left(1), product.mid(1, 2), product.mid(3)));
    server_.Db().Exec("UPDATE PRODUTO SET IDATIVO = 'S' WHERE CDPRODUTO = ?", {product});

    // A branch that plans working days only refuses its holidays.
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', ?, "
                      "'Feriado municipal')",
                      {DataHora(a)});
    presenter_.Clear();
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Cardápio bloqueado para dia não útil.");
    EXPECT_EQ(cell(s, a, t), before);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(Editing, TheFirstDishOfADayCreatesItWithTheWeekdayEstimates) {
    const QDate d = workingDay("0001", 6);
    dropDay("0001", "00001", d);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString t = type(s, 2);
    goTo(s, d, t);
    EXPECT_FALSE(s->Cardapio().EntradaCelula());
    TChoice choice;
    choice.Value = 410;
    {
        auto script = selection(choice);
        key(s, Qt::Key_Return);
    }
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_FALSE(choice.Chosen.isEmpty());
    EXPECT_DOUBLE_EQ(choice.StartValue, 820) << "the whole day's diners offered";
    // The day went to the server at once, with its weekday and shift estimates.
    const QString nr = dayNumber("0001", "00001", d);
    ASSERT_EQ(nr.size(), 10);
    QSqlQuery q = server_.Db().Exec("SELECT QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2, "
                                    "QTESTITURNO3 FROM CARDADIA WHERE CDFILIAL = '0001' AND "
                                    "NRCARDAPIO = ?",
                                    {nr});
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 820);
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 287);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 328);
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), 205);
    EXPECT_EQ(s->Cardapio().cdsCardaDia->ChangeCount(), 0) << "the day is saved";
    EXPECT_EQ(s->Cardapio().cdsCompCardCache->ChangeCount(), 1) << "the dish waits for confirm";
    const auto row = cacheRow(s, d, s->Cardapio().GetSeqPrat(t.left(3).toInt()));
    ASSERT_TRUE(row);
    EXPECT_DOUBLE_EQ((*row)["VRPECONSCARD"].toDouble(), 50) << "410 of 820 diners";
    EXPECT_EQ((*row)["NRCARDAPIO"].toString(), nr);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "N");
    EXPECT_TRUE(cell(s, d, t).contains("410"));
    s->sbtConfirmar->click();
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ? AND CDPRATO = ? AND VRPECONSCARD = 50",
                          {nr, choice.Chosen})
                  .toInt(),
              1);
}

TEST_F(Editing, ADayWithoutDinersTakesNoDish) {
    const QDate d = sunday(4);
    ASSERT_TRUE(dayNumber("0001", "00001", d).isEmpty()) << "the service does not serve Sundays";
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, type(s, 0));
    TChoice choice;
    choice.Value = 10;
    {
        auto script = selection(choice);
        key(s, Qt::Key_F9);
    }
    EXPECT_EQ(presenter_.LastText(), "Número de comensais do dia deve ser maior que zero.");
    EXPECT_TRUE(choice.Chosen.isEmpty()) << "the selection never opened";
    EXPECT_TRUE(dayNumber("0001", "00001", d).isEmpty());
    EXPECT_TRUE(s->Cardapio().getNrCardapio("0001", "00001", d).isEmpty())
        << "the day row was dropped";
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

// The hospital's own nutritionist.
class HospitalEditing : public Editing {
protected:
    HospitalEditing()
        : TEditingTest("HOSP1") {}
};

TEST_F(HospitalEditing, AHolidayDayTakesTheHolidayEstimatesAndPercentagesStayAsGiven) {
    const QDate d = workingDay("0003", 9);
    dropDay("0003", "00001", d);
    server_.Db().Exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES "
                      "('0003', ?, 'Aniversário da cidade', ?)",
                      {DataHora(d), DataHora(month_)});
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_EQ(s->Cardapio().TipoMontagem, 1) << "the hospital plans in percentages";
    const QString t = type(s, 0);
    goTo(s, d, t);
    TChoice choice;
    choice.Value = 37.5;
    {
        auto script = selection(choice);
        key(s, Qt::Key_Enter);
    }
    EXPECT_DOUBLE_EQ(choice.StartValue, 100);
    const QString nr = dayNumber("0003", "00001", d);
    ASSERT_FALSE(nr.isEmpty());
    QSqlQuery q = server_.Db().Exec("SELECT QTCOMESTICAR, QTESTITURNO1, QTESTITURNO2 FROM "
                                    "CARDADIA WHERE CDFILIAL = '0003' AND NRCARDAPIO = ?",
                                    {nr});
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(0).toDouble(), 220) << "the holiday estimate";
    // On a menu holiday each shift takes its holiday estimate too (QTCOMESTTFER), as the
    // day does: this system's rule, not the Saturday one.
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 132);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 88);
    const auto row = cacheRow(s, d, s->Cardapio().GetSeqPrat(t.left(3).toInt()));
    ASSERT_TRUE(row);
    EXPECT_DOUBLE_EQ((*row)["VRPECONSCARD"].toDouble(), 37.5);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "S") << "a branch outside the central kitchen";
    // The day departs from the central menu.
    EXPECT_TRUE(s->Cardapio().cdsCardEsp->Locate("DTCARDAPIO", DataHora(d)));
    s->sbtConfirmar->click();
    EXPECT_TRUE(s->Cardapio().cdsCardEsp->Locate("DTCARDAPIO", DataHora(d)))
        << "and the server agrees";
}

TEST_F(HospitalEditing, RemovingACentralPositionTwiceKeepsOneExcludedRow) {
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0003", 7);
    const QString t = type(s, 1);
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    goTo(s, d, t);
    const auto original = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(original);
    const auto excluded = [&] { return excludedRows(s, d, seq); };
    const int rowsBefore = excluded().first;
    ASSERT_EQ(rowsBefore, 0) << "nothing removed from that position yet";
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(excluded(), (std::pair{1, QString("F")})) << "removed outside the central kitchen";
    // Put a dish back and remove it again: still one row.
    s->Cardapio().PratoCopiado = {original->Code, original->Branch, original->Dish(), 50};
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(excluded().first, 1);
    // Saved, the server records the same.
    s->sbtConfirmar->click();
    EXPECT_EQ(excluded(), (std::pair{1, QString("F")}));
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = '0003' AND "
                          "CDSERVFILI = '00001' AND DTPRATEXCL = ? AND NRSEQPRATEXCL = ?",
                          {DayKey(d), seq})
                  .toInt(),
              1);
}

TEST_F(HospitalEditing, TheSameDishPastedOverItselfKeepsItsMark) {
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0003", 8);
    // A cell whose dish carries a mark other than N.
    QString t;
    for (const QString& candidate : GridModel(s)->Pivot().Types()) {
        const auto [row, col] = GridModel(s)->Pivot().Position(d, candidate);
        GridView(s)->setCurrentIndex(GridModel(s)->index(row, col));
        const auto e = s->Cardapio().EntradaCelula();
        if (e && e->Mark() != QChar('N') && !s->Cardapio().LinhaComensais()) {
            t = candidate;
            break;
        }
    }
    ASSERT_FALSE(t.isEmpty()) << "the demonstration marks some hospital dishes";
    goTo(s, d, t);
    const TDishLine before = *s->Cardapio().EntradaCelula();
    key(s, Qt::Key_C, Qt::ControlModifier);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Name, before.Name) << "mark included";
}

TEST_F(Editing, ThePeriodDeletionAndTheInversionReloadTheMonth) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // Two working days in a row, so that the period holds just them.
    QDate a = workingDay("0001", 10);
    while (workingDay("0001", a.day() + 1) != a.addDays(1)) {
        a = workingDay("0001", a.day() + 1);
    }
    const QDate b = a.addDays(1);
    const QString t = type(s, 0);
    goTo(s, a, t);
    const QString dishA = s->Cardapio().EntradaCelula()->Code;
    goTo(s, b, t);
    const QString dishB = s->Cardapio().EntradaCelula()->Code;
    ASSERT_NE(dishA, dishB);

    // Inverting: the other day chosen, confirmed.
    presenter_.Answer(host::mrYes);
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* f = d.findChild<packages::TfrmInvPrato*>();
            EXPECT_NE(f, nullptr);
            f->depOutroDia->SetDate(a);
            f->sbtConfirma->click();
            return int(QDialog::Accepted);
        });
        Button(s, "sbtInvPrato")->click();
    }
    EXPECT_TRUE(presenter_.LastText().startsWith("Confirma a inversão"))
        << presenter_.LastText().toStdString();
    goTo(s, b, t);
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Code, dishA);
    goTo(s, a, t);
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Code, dishB);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);

    // Cancelled in its screen: the month is not reloaded, so a change made meanwhile
    // behind the screen's back stays unseen.
    server_.Db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? "
                      "AND CDPRATO = ?",
                      {dishA, dayNumber("0001", "00001", a), dishB});
    host_.ClearCalls();
    {
        host::TModalRunner::TScope script([](QDialog&) { return int(QDialog::Rejected); });
        Button(s, "sbtInvPrato")->click();
    }
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Code, dishB);
    EXPECT_FALSE(host_.Calls().contains("Pla00100.rdmParamCardIndu.getImpCardDia"))
        << host_.Calls().join(" ").toStdString();

    // Deleting the two days.
    presenter_.Answer(host::mrYes);
    presenter_.Answer(host::mrOk);
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* f = d.findChild<packages::TfrmDelCardPeriodo*>();
            EXPECT_NE(f, nullptr);
            f->depInicio->SetDate(a);
            f->depFim->SetDate(b);
            f->sbtConfirma->click();
            return int(QDialog::Accepted);
        });
        Button(s, "sbtDelCard")->click();
    }
    EXPECT_EQ(presenter_.LastText(), "Cardápio excluído: 2 dia(s).");
    EXPECT_TRUE(dayNumber("0001", "00001", a).isEmpty());
    EXPECT_TRUE(s->Cardapio().getNrCardapio("0001", "00001", b).isEmpty());
    goTo(s, a, t);
    EXPECT_FALSE(s->Cardapio().EntradaCelula());
}

TEST_F(Editing, TwoPlannersSavingTheSameDishTheSecondKeepsItsChanges) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 12);
    const QString t = type(s, 3);
    goTo(s, d, t);
    const QString dish = s->Cardapio().EntradaCelula()->Code;
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    // Meanwhile another planner saved a new share for that dish.
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 12 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ? AND CDPRATO = ?",
                      {dayNumber("0001", "00001", d), dish});
    s->sbtConfirmar->click();
    EXPECT_EQ(presenter_.LastText(),
              QString("O prato %1 do dia %2 foi alterado por outro operador. Cancele as "
                      "alterações e carregue o cardápio novamente.")
                  .arg(dish, FormatDateTime("dd/mm/yyyy", d)));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ? AND CDPRATO = ?",
                          {dayNumber("0001", "00001", d), dish})
                  .toInt(),
              1)
        << "nothing half-written";
}

TEST_F(HospitalEditing, DishTypesOverTheirDayHoldTheSave) {
    // A second counted position of the counted dish type (03).
    TfrmCardMens* probe = open("0003", "00001", next_);
    ASSERT_NE(probe, nullptr);
    QString t;
    for (const QString& label : GridModel(probe)->Pivot().Types()) {
        if (label.mid(3, 2) == "03") {
            t = label;
        }
    }
    ASSERT_FALSE(t.isEmpty());
    ASSERT_TRUE(probe->close());
    settle();
    server_.Db().Exec("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, NRSEQCNFMES, "
                      "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) VALUES "
                      "('0003', '00001', ?, 99, ?, 'N', 'S', 99, 'S')",
                      {DataHora(next_), t.mid(3, 2)});
    const QDate d = workingDay("0003", 11);
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 200 WHERE CDFILIAL = '0003' AND "
                      "NRCARDAPIO = ?",
                      {dayNumber("0003", "00001", d)});
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 60 WHERE CDFILIAL = '0003' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR = (SELECT NRSEQCNFMES FROM CNFCARDMES "
                      "WHERE CDFILIAL = '0003' AND CDSERVFILI = '00001' AND DTREFECNFMES = ? AND "
                      "NRORDCNFMES = ?)",
                      {dayNumber("0003", "00001", d), DataHora(next_), t.left(3).toInt()});
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    QString second;
    for (const QString& label : GridModel(s)->Pivot().Types()) {
        if (label.startsWith("099")) {
            second = label;
        }
    }
    ASSERT_FALSE(second.isEmpty());
    goTo(s, d, second);
    TChoice choice;
    choice.Value = 50;
    {
        auto script = selection(choice);
        key(s, Qt::Key_Return);
    }
    ASSERT_TRUE(
        s->Cardapio().cdsComensAux->Locate("DTCARDAPIO;CDTIPOPRAT", {DataHora(d), t.mid(3, 2)}));
    EXPECT_DOUBLE_EQ(s->Cardapio().cdsComensAux->FieldByName("COMENSEST").AsFloat(), 220);
    EXPECT_DOUBLE_EQ(s->Cardapio().cdsComensAux->FieldByName("COMENSDIA").AsFloat(), 200);
    EXPECT_DOUBLE_EQ(s->Cardapio().cdsComensAux->FieldByName("DIFERENCA").AsFloat(), 20);
    // Confirm shows the offending day and saves nothing.
    int offending = 0;
    {
        host::TModalRunner::TScope script([&](QDialog& dlg) {
            auto* f = dlg.findChild<packages::TfrmComensEst*>();
            EXPECT_NE(f, nullptr);
            offending = f->cdsComensEst->RecordCount();
            f->sbtConfirma->click(); // to the day
            return int(QDialog::Accepted);
        });
        s->sbtConfirmar->click();
    }
    EXPECT_EQ(offending, 1);
    EXPECT_TRUE(s->Cardapio().getSomaComEst() == false) << "the server holds no offending pair yet";
    EXPECT_GT(s->Cardapio().AlteracoesPendentes(), 0) << "nothing saved";
    EXPECT_EQ(s->Cardapio().DataCard(), d) << "the grid shows the day";
    // Corrected on the screen (the dish removed), the save goes through.
    goTo(s, d, second);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_FALSE(s->Cardapio().VerificaSomaTP());
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

} // namespace

namespace {

TEST_F(Editing, TheDateFilterShowsOneDayWhileLookUpsOfTheDayTableSeeEveryDay) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    const int days = s->Cardapio().cdsCardaDia->RecordCount();
    s->Cardapio().FiltraData(*s->Cardapio().cdsCompCardCache, a);
    const int dishes = s->Cardapio().cdsCompCardCache->RecordCount();
    EXPECT_EQ(dishes, 10) << "the day's ten positions";
    for (s->Cardapio().cdsCompCardCache->First(); !s->Cardapio().cdsCompCardCache->Eof();
         s->Cardapio().cdsCompCardCache->Next()) {
        EXPECT_EQ(s->Cardapio().cdsCompCardCache->FieldByName("DTCARDAPIO").AsDateTime().date(), a);
    }
    s->Cardapio().FiltraData(*s->Cardapio().cdsCardaDia, a);
    EXPECT_EQ(s->Cardapio().cdsCardaDia->RecordCount(), 1);
    EXPECT_TRUE(s->Cardapio().getNrCardapio("0001", "00001", b).isEmpty())
        << "under the filter in force";
    EXPECT_GT(s->Cardapio().comensaisDia(b), 0) << "the day's diners look at every day";
    EXPECT_FALSE(s->Cardapio().cdsCardaDia->Filtered());
    EXPECT_EQ(s->Cardapio().cdsCardaDia->RecordCount(), days);
    EXPECT_EQ(s->Cardapio().cdsCompCardCache->RecordCount(), dishes)
        << "the other table keeps its filter";
    // A rebuild of the dish lines sees every day, and leaves the filter as it was.
    s->Cardapio().AtualizaStlPratos(true);
    EXPECT_EQ(
        s->Cardapio().StlPratos.Count(), s->Cardapio().cdsCardaDia->RecordCount() + [&] {
            TFilterSuspended all(*s->Cardapio().cdsCompCardCache);
            return s->Cardapio().cdsCompCardCache->RecordCount();
        }());
    EXPECT_TRUE(s->Cardapio().cdsCompCardCache->Filtered());
    s->Cardapio().DesligaFiltro(*s->Cardapio().cdsCompCardCache);
    EXPECT_FALSE(s->Cardapio().cdsCompCardCache->Filtered());
    EXPECT_EQ(s->Cardapio().comensaisDia(sunday(1)), 0) << "a day without a menu";
}

} // namespace

namespace {

// The school network (type D, release-dependent, parameterised group) as its group's
// operator: a transported service whose new days get their delivery points.
class SchoolEditing : public Editing {
protected:
    SchoolEditing()
        : TEditingTest("GRUPO1") {}
};

TEST_F(SchoolEditing, ANewDayOfATransportedServiceGetsItsDeliveryPointsAndTheGroupsMark) {
    const QDate d = workingDay("0004", 8);
    dropDay("0004", "00001", d);
    presenter_.Answer(host::mrNo); // the month is not laid again from its cycle
    TfrmCardMens* s = open("0004", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_TRUE(s->Cardapio().dependeLiberacao());
    ASSERT_EQ(s->Cardapio().IdCardCentral, "S");
    const QString t = type(s, 0);
    goTo(s, d, t);
    TChoice choice;
    choice.Value = 100;
    {
        auto script = selection(choice);
        key(s, Qt::Key_Return);
    }
    ASSERT_FALSE(choice.Chosen.isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    const QString nr = dayNumber("0004", "00001", d);
    ASSERT_EQ(nr.size(), 10);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM CARDACLI WHERE CDFILIAL = '0004' AND "
                          "NRCARDAPIO = ?",
                          {nr})
                  .toInt(),
              6)
        << "the service's delivery points, numbered with the new day";
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Mark(), QChar('R')) << "a revision by the group";

    // Cut: the dish leaves the cell and stays copied; pasted back it is the group's.
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Confirma exclusão?");
    EXPECT_FALSE(s->Cardapio().EntradaCelula());
    EXPECT_EQ(s->Cardapio().PratoCopiado.CdPrato, choice.Chosen);
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Code, choice.Chosen);
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Mark(), QChar('R'));
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
}

} // namespace

namespace {

TEST_F(Editing, ClosingAMonthWithoutDaysDropsItsDishPositions) {
    // Next month's lunch emptied by hand, as another planner might have left it.
    const QDate empty = next_;
    for (QDate d = empty; d.month() == empty.month(); d = d.addDays(1)) {
        dropDay("0001", "00001", d);
    }
    TfrmCardMens* s = open("0001", "00001", empty);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const auto positions = [&] {
        return server_.Db()
            .Scalar("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                    "'00001' AND DTREFECNFMES = ?",
                    {DataHora(empty)})
            .toInt();
    };
    EXPECT_EQ(positions(), 10) << "the month was given its positions to plan";
    EXPECT_EQ(s->Cardapio().cdsCardaDia->RecordCount(), 0);
    ASSERT_TRUE(s->close());
    EXPECT_EQ(positions(), 0);
}

} // namespace

namespace {

TEST_F(Editing, ReplacingADishThroughTheSelectionRecordsTheFormerDishAndANewShare) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Cardapio().TipoMontagem, 0) << "the restaurant plans in diners";
    const QDate d = workingDay("0001", 14);
    const QString t = type(s, 2);
    goTo(s, d, t);
    const auto former = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(former);
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    const double diners = s->Cardapio().comensaisDia(d);
    ASSERT_GT(diners, 0);
    TChoice choice;
    choice.Search = QStringLiteral("FEIJ");
    choice.Value = 250;
    {
        auto script = selection(choice);
        key(s, Qt::Key_Return);
    }
    ASSERT_FALSE(choice.Chosen.isEmpty());
    ASSERT_NE(choice.Chosen, former->Code);
    const auto row = cacheRow(s, d, seq);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["CDPRATO"].toString(), choice.Chosen);
    EXPECT_NEAR((*row)["VRPECONSCARD"].toDouble(), 250 / diners * 100, 1e-9)
        << "250 diners of the day's " << diners;
    // No central dish for the position: the replaced dish is the one it stands in for.
    EXPECT_EQ((*row)["CDPRATOMAT"].toString(), former->Code);
    EXPECT_EQ((*row)["CDFILAUXPRATMAT"].toString(), former->Branch);
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Mark(), QChar('N'));
}

TEST_F(Editing, EnterWithShiftOrCtrlOpensNoSelection) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 10), type(s, 0));
    int opened = 0;
    host::TModalRunner::TScope count([&opened](QDialog&) {
        ++opened;
        return int(QDialog::Rejected);
    });
    key(s, Qt::Key_Return, Qt::ShiftModifier);
    key(s, Qt::Key_Return, Qt::ControlModifier); // confirm, with nothing pending
    key(s, Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(opened, 0);
    key(s, Qt::Key_F9);
    EXPECT_EQ(opened, 1) << "F9 alone does";
}

TEST_F(Editing, ConfirmWithNothingPendingSendsNothing) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    host_.ClearCalls();
    s->sbtConfirmarClick();
    EXPECT_FALSE(host_.Calls().contains("Pla00100.rdmParamCardIndu.UpdateCache"))
        << host_.Calls().join(" ").toStdString();
    EXPECT_FALSE(s->sbtConfirmar->isEnabled());
}

TEST_F(Editing, ASaveAnswerOfTenCharactersIsTheDayAndOfElevenAnError) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 10), type(s, 0));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    host_.AnswerNext("UpdateCache", QStringLiteral("Falhou: 123")); // 11 characters
    presenter_.Clear();
    EXPECT_ANY_THROW(s->Cardapio().UpdCacheOnSrv());
    EXPECT_EQ(presenter_.LastText(), "Falhou: 123");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1) << "the change stays pending";
    host_.AnswerNext("UpdateCache", QStringLiteral("0000000042")); // 10 characters
    EXPECT_EQ(s->Cardapio().UpdCacheOnSrv(), "0000000042");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "merged as saved";
}

// The school network's operators, and one from outside the group.
class SchoolByAnOutsider : public test::TEditingTest {
protected:
    SchoolByAnOutsider()
        : TEditingTest("ESCOLA1") {}
};

TEST_F(SchoolByAnOutsider, APasteOutsideTheCentralDishsEquivalentsIsRefused) {
    // A position of a day that stands for a central dish with equivalents.
    const QDate d = workingDay("0004", 9);
    const QString central = "0000000016";
    const QString equivalent = "0000000021";
    presenter_.Answer(host::mrNo); // the month is not laid again from its cycle
    TfrmCardMens* probe = open("0004", "00001", next_);
    ASSERT_NE(probe, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const QString t = type(probe, 0);
    const int seq = probe->Cardapio().GetSeqPrat(t.left(3).toInt());
    probe->close();
    settle();
    server_.Db().Exec("UPDATE COMPCARD SET CDPRATOMAT = ?, CDFILAUXPRATMAT = '0002' WHERE "
                      "CDFILIAL = '0004' AND NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                      {central, dayNumber("0004", "00001", d), seq});
    presenter_.Answer(host::mrNo);
    TfrmCardMens* s = open("0004", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->Cardapio().grupoParametrizado());
    EXPECT_FALSE(s->Cardapio().operadorDoGrupo());
    goTo(s, d, t);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    const QString before = cell(s, d, t);
    s->Cardapio().PratoCopiado = {"0000000009", "0002", "FEIJÃO CARIOCA", 100};
    presenter_.Clear();
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Prato não é equivalente.");
    EXPECT_EQ(cell(s, d, t), before);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    // One of its equivalents passes (and asks before replacing).
    s->Cardapio().PratoCopiado = {equivalent, "0002", "EQUIVALENTE", 100};
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Code, equivalent);
}

TEST_F(SchoolByAnOutsider, ATypeDPositionAlreadyRemovedGetsNoSecondRow) {
    presenter_.Answer(host::mrNo);
    TfrmCardMens* s = open("0004", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(s->Cardapio().dependeLiberacao());
    ASSERT_EQ(s->Cardapio().tipoDeOperador(), QChar('F'));
    const QDate d = workingDay("0004", 11);
    const QString t = type(s, 1);
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    goTo(s, d, t);
    const auto original = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(original);
    const auto rows = [&] { return excludedRows(s, d, seq).first; };
    ASSERT_EQ(rows(), 0);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(rows(), 1);
    s->Cardapio().PratoCopiado = {original->Code, original->Branch, original->Dish(), 100};
    key(s, Qt::Key_V, Qt::ControlModifier);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(rows(), 1) << "the position was already recorded";
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM PRATEXCL WHERE CDFILIAL = '0004' AND "
                          "DTPRATEXCL = ? AND NRSEQPRATEXCL = ?",
                          {DayKey(d), seq})
                  .toInt(),
              1);
}

// The hospital's group made a parameterised one whose central kitchen operator belongs
// to it: the second removal of a position changes who removed it.
class HospitalGroup : public test::TEditingTest {
protected:
    HospitalGroup()
        : TEditingTest("CENTRAL") {
        server_.Db().Exec("UPDATE GRUPSERV SET IDPARAMETRIZADO = 'S' WHERE CDGRUPSERV = '0003'");
        server_.Db().Exec(
            "INSERT INTO OPERGRUPSERV (CDGRUPSERV, CDOPERADOR) VALUES ('0003', 'CENTRAL')");
    }
};

TEST_F(HospitalGroup, TheSecondRemovalOfAPositionByTheGroupMarksItM) {
    const QDate d = workingDay("0003", 15);
    TfrmCardMens* probe = open("0003", "00001", next_);
    ASSERT_NE(probe, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const QString t = type(probe, 2);
    const int seq = probe->Cardapio().GetSeqPrat(t.left(3).toInt());
    goTo(probe, d, t);
    ASSERT_TRUE(probe->Cardapio().EntradaCelula());
    const QString dish = probe->Cardapio().EntradaCelula()->Code;
    probe->close();
    settle();
    // A planner outside the group removed the position's central dish earlier, and
    // another dish stands there now.
    server_.Db().Exec("INSERT INTO PRATEXCL (CDFILIAL, CDSERVFILI, DTMESCARD, DTPRATEXCL, "
                      "NRSEQPRATEXCL, IDLOCALEXCL, CDPRATO, CDFILAUXPRAT) VALUES ('0003', '00001', "
                      "?, ?, ?, 'F', ?, '0002')",
                      {DataHora(next_), DayKey(d), seq, dish});
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(s->Cardapio().grupoParametrizado() && s->Cardapio().operadorDoGrupo());
    goTo(s, d, t);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_TRUE(s->Cardapio().pratoExcluido(DayKey(d), seq));
    EXPECT_EQ(s->Cardapio().cdsPratosExcluidos->FieldByName("IDLOCALEXCL").AsString(), "M");
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
    QSqlQuery q = server_.Db().Exec("SELECT IDLOCALEXCL FROM PRATEXCL WHERE CDFILIAL = '0003' AND "
                                    "DTPRATEXCL = ? AND NRSEQPRATEXCL = ?",
                                    {DayKey(d), seq});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "M");
    EXPECT_FALSE(q.next()) << "one row";
}

TEST_F(HospitalEditing, ABranchsOwnDishRemovedWhereTheCentralMenuHasNoneIsMarkedRemoved) {
    // A position of a day whose dish is the branch's own ("S") and no central dish.
    const QDate d = workingDay("0003", 16);
    TfrmCardMens* probe = open("0003", "00001", next_);
    ASSERT_NE(probe, nullptr);
    const QString t = type(probe, 3);
    const int seq = probe->Cardapio().GetSeqPrat(t.left(3).toInt());
    probe->close();
    settle();
    const QString nr = dayNumber("0003", "00001", d);
    server_.Db().Exec("UPDATE COMPCARD SET IDPRATOESPE = 'S', CDPRATOMAT = NULL, "
                      "CDFILAUXPRATMAT = NULL WHERE CDFILIAL = '0003' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                      {nr, seq});
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, t);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    ASSERT_EQ(s->Cardapio().EntradaCelula()->Mark(), QChar('S'));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    // The row carries the keys, who removed it and an empty dish.
    ASSERT_TRUE(s->Cardapio().pratoExcluido(DayKey(d), seq));
    EXPECT_EQ(s->Cardapio().cdsPratosExcluidos->FieldByName("IDLOCALEXCL").AsString(), "F");
    EXPECT_EQ(s->Cardapio().cdsPratosExcluidos->FieldByName("CDPRATO").AsString().trimmed(), "");
    const QColor removed = QColor(cell(s, d, t, Qt::BackgroundRole));
    EXPECT_EQ(removed, QColor(0, 255, 255)) << "removed locally: NRCORCARDESP";
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
    // The server derived the same row; reopened, the cell keeps the colour.
    s->close();
    settle();
    TfrmCardMens* again = open("0003", "00001", next_);
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(again->Cardapio().pratoExcluido(DayKey(d), seq));
    EXPECT_EQ(again->Cardapio().cdsPratosExcluidos->FieldByName("IDLOCALEXCL").AsString(), "F");
    EXPECT_EQ(QColor(cell(again, d, t, Qt::BackgroundRole)), removed);
}

} // namespace

namespace {

TEST_F(Editing, TheDishSelectionOpensReadyToTypeWithEveryColumnInSight) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    s->Cardapio().ExibeCusto = true; // the cost per serving is the widest list
    goTo(s, workingDay("0001", 10), type(s, 0));
    bool typed = false;
    int hidden = -1;
    QSize size;
    {
        host::TModalRunner::TScope script([&](QDialog& d) {
            auto* f = d.findChild<packages::TfrmSelPrato*>();
            EXPECT_NE(f, nullptr);
            if (!f) {
                return int(QDialog::Rejected);
            }
            QApplication::processEvents();
            typed = d.focusWidget() == f->edtPesquisa;
            size = d.size();
            const QHeaderView* h = f->dbgPrato->horizontalHeader();
            hidden = 0;
            for (int c = 0; c < h->count(); ++c) {
                if (!h->isSectionHidden(c) &&
                    h->sectionViewportPosition(c) + h->sectionSize(c) > h->viewport()->width()) {
                    ++hidden;
                }
            }
            d.resize(820, 560); // the planner's own size, for next time
            return int(QDialog::Rejected);
        });
        key(s, Qt::Key_Return);
    }
    EXPECT_TRUE(typed) << "the search field takes the keyboard";
    EXPECT_EQ(hidden, 0) << "no column cut, the cost per serving included";
    EXPECT_GE(size.width(), 700);
    QSize again;
    {
        host::TModalRunner::TScope script([&again](QDialog& d) {
            again = d.size();
            return int(QDialog::Rejected);
        });
        key(s, Qt::Key_Return);
    }
    EXPECT_EQ(again, QSize(820, 560)) << "remembered";
}

} // namespace

namespace {

TEST_F(Editing, ASaveWhileAnotherProgramHoldsTheDatabaseSaysSoAndKeepsTheChanges) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 10), type(s, 0));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    // Another program writes to the file and holds it beyond the wait.
    server_.Db().Exec("PRAGMA busy_timeout = 100");
    db::TDatabase other(server_.Url());
    other.Begin(true);
    presenter_.Clear();
    s->sbtConfirmar->click();
    EXPECT_EQ(presenter_.LastText(), "O banco de dados está ocupado com outra gravação. Tente "
                                     "novamente em instantes: suas alterações continuam na tela.");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1) << "nothing lost";
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    other.Rollback();
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0)
        << presenter_.Texts().join(" | ").toStdString();
}

} // namespace
