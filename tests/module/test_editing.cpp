#include "core/data_packet.h"
#include "core/table_scopes.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "monthly_fixture.h"
#include "packages/diners_by_type.h"
#include "packages/dish_inversion.h"
#include "packages/dish_selection.h"
#include "packages/period_deletion.h"
#include "packages/screens.h"

#include <QDialog>
#include <QLineEdit>
#include <QTableView>
#include <QtTest/QTest>

using namespace pla;
using namespace pla::module;

namespace {

// The monthly screen edited as a planner does: keys and clicks on the grid, the dish
// selection worked through its controls, questions answered.
class Editing : public test::TMonthlyScreenTest {
protected:
    explicit Editing(const QString& op = QStringLiteral("NUTRI1"))
        : TMonthlyScreenTest(op) {
        packages::RegisterScreens();
    }
    ~Editing() override { packages::UnregisterScreens(); }

    const QDate next_ = month_.addMonths(1);

    // A weekday of next month that is no holiday of the branch, from the given day on.
    QDate workingDay(const QString& branch, int from) {
        for (QDate d(next_.year(), next_.month(), from); d.month() == next_.month();
             d = d.addDays(1)) {
            const bool holiday = server_.Db()
                                     .Scalar("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = ? "
                                             "AND DTFERIFILI = ?",
                                             {branch, DataHora(d)})
                                     .toInt() > 0;
            if (d.dayOfWeek() <= 5 && !holiday) {
                return d;
            }
        }
        return {};
    }
    QDate sunday(int from) {
        QDate d(next_.year(), next_.month(), from);
        while (d.dayOfWeek() != 7) {
            d = d.addDays(1);
        }
        return d;
    }
    // Removes a day's menu as if it had never been planned.
    void dropDay(const QString& branch, const QString& service, const QDate& day) {
        const QString nr = dayNumber(branch, service, day);
        for (const char* t : {"COMPCARD", "CARDACLI", "CARDADIA"}) {
            server_.Db().Exec(QString("DELETE FROM %1 WHERE CDFILIAL = ? AND NRCARDAPIO = ?")
                                  .arg(QLatin1String(t)),
                              {branch, nr});
        }
    }
    QString dayNumber(const QString& branch, const QString& service, const QDate& day) {
        return server_.Db()
            .Scalar("SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = ? AND CDSERVFILI = ? AND "
                    "DTCARDAPIO = ?",
                    {branch, service, DataHora(day)})
            .toString();
    }
    static void goTo(TfrmCardMens* s, const QDate& day, const QString& type) {
        const auto [row, col] = s->desCardapio->Pivot().Position(day, type);
        ASSERT_GE(row, 0);
        s->degCardapio->setCurrentIndex(s->desCardapio->index(row, col));
    }
    static QString type(TfrmCardMens* s, int i) { return s->desCardapio->Pivot().Types().at(i); }
    static QString total(TfrmCardMens* s) { return s->desCardapio->Pivot().Types().last(); }
    static void key(TfrmCardMens* s, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(s->degCardapio, k, m);
    }
    // The cache row of a day's position, or nullopt.
    static std::optional<QVariantMap> cacheRow(TfrmCardMens* s, const QDate& day, int seq) {
        TDataPacket p = s->cdsCompCardCache->Data();
        for (const TPacketRow& r : p.Rows) {
            if (r.Kind == TRowKind::Deleted) {
                continue;
            }
            QVariantMap m;
            for (int i = 0; i < p.Fields.size(); ++i) {
                m.insert(p.Fields[i].Name, r.Values[i]);
            }
            if (m["DTCARDAPIO"].toDateTime().date() == day && m["NRSEQPRATCAR"].toInt() == seq) {
                return m;
            }
        }
        return std::nullopt;
    }
    // The dish selection answered with the first dish offered (or the one whose name
    // holds `search`) and the value.
    struct TChoice {
        QString Search = QStringLiteral("00"); // every code begins so
        double Value = 0;
        bool Confirm = true;
        QString Chosen; // the code chosen, filled by the script
        int Offered = 0;
        double StartValue = -1;
    };
    host::TModalRunner::TScope selection(TChoice& choice) {
        return host::TModalRunner::TScope([&choice](QDialog& d) {
            auto* f = d.findChild<packages::TfrmSelPrato*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            choice.StartValue = f->nedValor->Value();
            if (!choice.Search.isEmpty()) {
                f->edtPesquisa->setText(choice.Search);
            }
            choice.Offered = f->cdsLista->RecordCount();
            if (!choice.Confirm || choice.Offered == 0) {
                return int(QDialog::Rejected);
            }
            f->dbgPrato->setCurrentIndex(f->dbgPrato->model()->index(0, 0));
            choice.Chosen = f->dbgPrato->model()->index(0, 0).data().toString();
            f->nedValor->SetValue(choice.Value);
            f->sbtConfirma->click();
            return f->ModalResult() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }
    // Every cell's text of the grid.
    static QStringList texts(TfrmCardMens* s) {
        QStringList out;
        for (int r = 0; r < s->desCardapio->rowCount(); ++r) {
            for (int c = 0; c < s->desCardapio->columnCount(); ++c) {
                out << s->desCardapio->index(r, c).data().toString();
            }
        }
        return out;
    }
};

TEST_F(Editing, CopyAndPasteAskBeforeReplacingAndKeepTheCellWhenRefused) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    const QString t = type(s, 0);
    goTo(s, a, t);
    key(s, Qt::Key_C, Qt::ControlModifier);
    const auto source = s->EntradaCelula();
    ASSERT_TRUE(source);
    EXPECT_EQ(s->PratoCopiado.CdPrato, source->Code);
    EXPECT_EQ(s->PratoCopiado.NmPrato, source->Dish()) << "the name without its mark";

    goTo(s, b, t);
    const QString before = cell(s, b, t);
    presenter_.Answer(host::mrNo);
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Confirma substituição?");
    EXPECT_EQ(cell(s, b, t), before);
    EXPECT_EQ(s->AlteracoesPendentes(), 0) << "nothing changed";
    EXPECT_FALSE(s->ExclusaoRealizada);

    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_V, Qt::ControlModifier);
    const auto pasted = s->EntradaCelula();
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->Code, source->Code);
    EXPECT_EQ(pasted->Mark(), QChar('N'));
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    // The same diners on a day of other diners: another share.
    const int seq = s->GetSeqPrat(t.left(3).toInt());
    const auto row = cacheRow(s, b, seq);
    ASSERT_TRUE(row);
    EXPECT_NEAR((*row)["VRPECONSCARD"].toDouble(),
                s->PratoCopiado.Valor / s->comensaisDia(b) * 100.0, 1e-9);
    EXPECT_EQ((*row)["CDPRATO"].toString(), source->Code);

    // Saved, closed, reopened: the grid as it was, cell by cell.
    s->sbtConfirmar->click();
    EXPECT_EQ(s->AlteracoesPendentes(), 0);
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
    const QString copied = s->PratoCopiado.CdPrato;
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
    EXPECT_FALSE(s->EntradaCelula());
    presenter_.Clear();
    key(s, Qt::Key_Delete);
    EXPECT_TRUE(presenter_.Shown().isEmpty());
    key(s, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(s->PratoCopiado.CdPrato, copied);
    EXPECT_EQ(s->AlteracoesPendentes(), 1) << "one dish removed";

    // Cancel brings it back.
    presenter_.Answer(host::mrYes);
    s->sbtCancelar->click();
    EXPECT_TRUE(s->EntradaCelula());
    EXPECT_EQ(s->AlteracoesPendentes(), 0);

    // The key-up enabling follows the cell.
    goTo(s, a, t);
    QTest::keyRelease(s->degCardapio, Qt::Key_Right);
    EXPECT_TRUE(s->sbtExcluir->isEnabled());
    EXPECT_FALSE(s->sbtIncluir->isEnabled());
    goTo(s, a, total(s));
    QTest::keyRelease(s->degCardapio, Qt::Key_Right);
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
    s->PratoCopiado = {unrevised, "0002", "SEM RECEITA", 100};
    key(s, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Operação bloqueada. Prato não possui receita revisada.");
    EXPECT_EQ(cell(s, a, t), before);

    // A dish whose recipe has an inactive product.
    const QString dish = s->EntradaCelula()->Code;
    const QString product =
        server_.Db()
            .Scalar("SELECT MIN(CDPRODUTO) FROM RECEITA WHERE CDPRATO = ?", {dish})
            .toString();
    ASSERT_FALSE(product.isEmpty());
    server_.Db().Exec("UPDATE PRODUTO SET IDATIVO = 'N' WHERE CDPRODUTO = ?", {product});
    s->PratoCopiado = {dish, "0002", "X", 100};
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
    EXPECT_EQ(s->AlteracoesPendentes(), 0);
}

TEST_F(Editing, TheFirstDishOfADayCreatesItWithTheWeekdayEstimates) {
    const QDate d = workingDay("0001", 6);
    dropDay("0001", "00001", d);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString t = type(s, 2);
    goTo(s, d, t);
    EXPECT_FALSE(s->EntradaCelula());
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
    EXPECT_EQ(s->cdsCardaDia->ChangeCount(), 0) << "the day is saved";
    EXPECT_EQ(s->cdsCompCardCache->ChangeCount(), 1) << "the dish waits for confirm";
    const auto row = cacheRow(s, d, s->GetSeqPrat(t.left(3).toInt()));
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
    EXPECT_TRUE(s->getNrCardapio("0001", "00001", d).isEmpty()) << "the day row was dropped";
    EXPECT_EQ(s->AlteracoesPendentes(), 0);
}

class HospitalEditing : public Editing {};

TEST_F(HospitalEditing, AHolidayDayTakesTheHolidayEstimatesAndPercentagesStayAsGiven) {
    const QDate d = workingDay("0003", 9);
    dropDay("0003", "00001", d);
    server_.Db().Exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES "
                      "('0003', ?, 'Aniversário da cidade', ?)",
                      {DataHora(d), DataHora(month_)});
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_EQ(s->TipoMontagem, 1) << "the hospital plans in percentages";
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
    EXPECT_DOUBLE_EQ(q.value(1).toDouble(), 132);
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 88);
    const auto row = cacheRow(s, d, s->GetSeqPrat(t.left(3).toInt()));
    ASSERT_TRUE(row);
    EXPECT_DOUBLE_EQ((*row)["VRPECONSCARD"].toDouble(), 37.5);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "S") << "a branch outside the central kitchen";
    // The day departs from the central menu.
    EXPECT_TRUE(s->cdsCardEsp->Locate("DTCARDAPIO", DataHora(d)));
    s->sbtConfirmar->click();
    EXPECT_TRUE(s->cdsCardEsp->Locate("DTCARDAPIO", DataHora(d))) << "and the server agrees";
}

TEST_F(HospitalEditing, RemovingACentralPositionTwiceKeepsOneExcludedRow) {
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0003", 7);
    const QString t = type(s, 1);
    const int seq = s->GetSeqPrat(t.left(3).toInt());
    goTo(s, d, t);
    const auto original = s->EntradaCelula();
    ASSERT_TRUE(original);
    const auto excluded = [&] {
        int n = 0;
        QString mark;
        for (s->cdsPratosExcluidos->First(); !s->cdsPratosExcluidos->Eof();
             s->cdsPratosExcluidos->Next()) {
            if (s->cdsPratosExcluidos->FieldByName("DTPRATEXCL").AsString() == DayKey(d) &&
                s->cdsPratosExcluidos->FieldByName("NRSEQPRATEXCL").AsInteger() == seq) {
                ++n;
                mark = s->cdsPratosExcluidos->FieldByName("IDLOCALEXCL").AsString();
            }
        }
        return std::pair{n, mark};
    };
    const int rowsBefore = excluded().first;
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(excluded(), (std::pair{1, QString("F")})) << "removed outside the central kitchen";
    // Put a dish back and remove it again: still one row.
    s->PratoCopiado = {original->Code, original->Branch, original->Dish(), 50};
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->EntradaCelula());
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(excluded().first, 1);
    Q_UNUSED(rowsBefore);
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
    for (const QString& candidate : s->desCardapio->Pivot().Types()) {
        const auto [row, col] = s->desCardapio->Pivot().Position(d, candidate);
        s->degCardapio->setCurrentIndex(s->desCardapio->index(row, col));
        const auto e = s->EntradaCelula();
        if (e && e->Mark() != QChar('N') && !s->LinhaComensais()) {
            t = candidate;
            break;
        }
    }
    ASSERT_FALSE(t.isEmpty()) << "the demonstration marks some hospital dishes";
    goTo(s, d, t);
    const TDishLine before = *s->EntradaCelula();
    key(s, Qt::Key_C, Qt::ControlModifier);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->EntradaCelula());
    EXPECT_EQ(s->EntradaCelula()->Name, before.Name) << "mark included";
}

TEST_F(Editing, ThePeriodDeletionAndTheInversionReloadTheMonth) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 10);
    const QDate b = workingDay("0001", a.day() + 1);
    const QString t = type(s, 0);
    goTo(s, a, t);
    const QString dishA = s->EntradaCelula()->Code;
    goTo(s, b, t);
    const QString dishB = s->EntradaCelula()->Code;
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
        s->Botoes.value("sbtInvPrato")->click();
    }
    EXPECT_TRUE(presenter_.LastText().startsWith("Confirma a inversão"))
        << presenter_.LastText().toStdString();
    goTo(s, b, t);
    EXPECT_EQ(s->EntradaCelula()->Code, dishA);
    goTo(s, a, t);
    EXPECT_EQ(s->EntradaCelula()->Code, dishB);
    EXPECT_EQ(s->AlteracoesPendentes(), 0);

    // Cancelled in its screen: nothing changes.
    {
        host::TModalRunner::TScope script([](QDialog&) { return int(QDialog::Rejected); });
        s->Botoes.value("sbtInvPrato")->click();
    }
    EXPECT_EQ(s->EntradaCelula()->Code, dishB);

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
        s->Botoes.value("sbtDelCard")->click();
    }
    EXPECT_EQ(presenter_.LastText(), "Cardápio excluído: 2 dia(s).");
    EXPECT_TRUE(dayNumber("0001", "00001", a).isEmpty());
    EXPECT_TRUE(s->getNrCardapio("0001", "00001", b).isEmpty());
    goTo(s, a, t);
    EXPECT_FALSE(s->EntradaCelula());
}

TEST_F(Editing, TwoPlannersSavingTheSameDishTheSecondKeepsItsChanges) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 12);
    const QString t = type(s, 3);
    goTo(s, d, t);
    const QString dish = s->EntradaCelula()->Code;
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
    EXPECT_EQ(s->AlteracoesPendentes(), 1);
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
    for (const QString& label : probe->desCardapio->Pivot().Types()) {
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
    for (const QString& label : s->desCardapio->Pivot().Types()) {
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
    ASSERT_TRUE(s->cdsComensAux->Locate("DTCARDAPIO;CDTIPOPRAT", {DataHora(d), t.mid(3, 2)}));
    EXPECT_DOUBLE_EQ(s->cdsComensAux->FieldByName("COMENSEST").AsFloat(), 220);
    EXPECT_DOUBLE_EQ(s->cdsComensAux->FieldByName("COMENSDIA").AsFloat(), 200);
    EXPECT_DOUBLE_EQ(s->cdsComensAux->FieldByName("DIFERENCA").AsFloat(), 20);
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
    EXPECT_TRUE(s->getSomaComEst() == false) << "the server holds no offending pair yet";
    EXPECT_GT(s->AlteracoesPendentes(), 0) << "nothing saved";
    EXPECT_EQ(s->DataCard(), d) << "the grid shows the day";
    // Corrected on the screen (the dish removed), the save goes through.
    goTo(s, d, second);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    EXPECT_FALSE(s->VerificaSomaTP());
    s->sbtConfirmar->click();
    EXPECT_EQ(s->AlteracoesPendentes(), 0);
}

} // namespace

namespace {

TEST_F(Editing, TheDateFilterShowsOneDayWhileLookUpsOfTheDayTableSeeEveryDay) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    const int days = s->cdsCardaDia->RecordCount();
    s->FiltraData(*s->cdsCompCardCache, a);
    const int dishes = s->cdsCompCardCache->RecordCount();
    EXPECT_EQ(dishes, 10) << "the day's ten positions";
    for (s->cdsCompCardCache->First(); !s->cdsCompCardCache->Eof(); s->cdsCompCardCache->Next()) {
        EXPECT_EQ(s->cdsCompCardCache->FieldByName("DTCARDAPIO").AsDateTime().date(), a);
    }
    s->FiltraData(*s->cdsCardaDia, a);
    EXPECT_EQ(s->cdsCardaDia->RecordCount(), 1);
    EXPECT_TRUE(s->getNrCardapio("0001", "00001", b).isEmpty()) << "under the filter in force";
    EXPECT_GT(s->comensaisDia(b), 0) << "the day's diners look at every day";
    EXPECT_FALSE(s->cdsCardaDia->Filtered());
    EXPECT_EQ(s->cdsCardaDia->RecordCount(), days);
    EXPECT_EQ(s->cdsCompCardCache->RecordCount(), dishes) << "the other table keeps its filter";
    // A rebuild of the dish lines sees every day, and leaves the filter as it was.
    s->AtualizaStlPratos(true);
    EXPECT_EQ(
        s->StlPratos.Count(), s->cdsCardaDia->RecordCount() + [&] {
            TFilterSuspended all(*s->cdsCompCardCache);
            return s->cdsCompCardCache->RecordCount();
        }());
    EXPECT_TRUE(s->cdsCompCardCache->Filtered());
    s->DesligaFiltro(*s->cdsCompCardCache);
    EXPECT_FALSE(s->cdsCompCardCache->Filtered());
    EXPECT_EQ(s->comensaisDia(sunday(1)), 0) << "a day without a menu";
}

} // namespace

namespace {

// The school network (type D, release-dependent, parameterised group) as its group's
// operator: a transported service whose new days get their delivery points.
class SchoolEditing : public Editing {
protected:
    SchoolEditing()
        : Editing("GRUPO1") {}
};

TEST_F(SchoolEditing, ANewDayOfATransportedServiceGetsItsDeliveryPointsAndTheGroupsMark) {
    const QDate d = workingDay("0004", 8);
    dropDay("0004", "00001", d);
    presenter_.Answer(host::mrNo); // the month is not laid again from its cycle
    TfrmCardMens* s = open("0004", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    ASSERT_TRUE(s->dependeLiberacao());
    ASSERT_EQ(s->IdCardCentral, "S");
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
    EXPECT_EQ(s->EntradaCelula()->Mark(), QChar('R')) << "a revision by the group";

    // Cut: the dish leaves the cell and stays copied; pasted back it is the group's.
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(presenter_.LastText(), "Confirma exclusão?");
    EXPECT_FALSE(s->EntradaCelula());
    EXPECT_EQ(s->PratoCopiado.CdPrato, choice.Chosen);
    key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(s->EntradaCelula());
    EXPECT_EQ(s->EntradaCelula()->Code, choice.Chosen);
    EXPECT_EQ(s->EntradaCelula()->Mark(), QChar('R'));
    s->sbtConfirmar->click();
    EXPECT_EQ(s->AlteracoesPendentes(), 0) << presenter_.Texts().join(" | ").toStdString();
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
    EXPECT_EQ(s->cdsCardaDia->RecordCount(), 0);
    ASSERT_TRUE(s->close());
    EXPECT_EQ(positions(), 0);
}

} // namespace
