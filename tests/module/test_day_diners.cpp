#include "core/data_packet.h"
#include "core/format_float.h"
#include "core/table_scopes.h"
#include "editing_fixture.h"
#include "host/db_grid.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "module/monthly_menu/editing/comensais_dia.h"
#include "module/shift_diners/card_turn.h"
#include "screen_access.h"

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using namespace pla::module;

namespace {

// The day's diners dialog opened from the diners row of the monthly grid, worked as a
// planner does, against the in-process server.
class DayDiners : public test::TEditingTest {
protected:
    explicit DayDiners(const QString& op = QStringLiteral("NUTRI1"))
        : TEditingTest(op) {}

    using TScript = std::function<void(TfrmCardTurn&)>;
    // Opens the dialog on a day's diners row; the script works it. The answer is how
    // the dialog closed (cancelled unless the script confirmed it).
    int dialog(TfrmCardMens* s, const QDate& day, const TScript& script) {
        goTo(s, day, total(s));
        int result = -1;
        host::TModalRunner::TScope run([&](QDialog& d) {
            auto* f = d.findChild<TfrmCardTurn*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            script(*f);
            // A dialog left open by the script is cancelled.
            result = f->ModalResult() == host::mrOk ? host::mrOk : host::mrCancel;
            return result == host::mrOk ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        key(s, Qt::Key_Return);
        return result;
    }
    static void type(host::TNumberEdit* box, double value) {
        box->selectAll();
        QTest::keyClicks(box, QString::number(value));
    }
    double column(const QString& sql, const QVariantList& params) {
        return server_.Db().Scalar(sql, params).toDouble();
    }
    double serviceDefault(const QString& branch, const QString& service, const char* column,
                          const QString& suffix) {
        return server_.Db()
            .Scalar(QString("SELECT %1%2 FROM SERVICO WHERE CDFILIAL = ? AND CDSERVFILI = ?")
                        .arg(QLatin1String(column), suffix),
                    {branch, service})
            .toDouble();
    }
    QList<double> shiftDefaults(const QString& branch, const QString& service,
                                const QString& suffix) {
        QSqlQuery q = server_.Db().Exec(QString("SELECT QTCOMESTT%1 FROM TURNOSERV WHERE CDFILIAL "
                                                "= ? AND CDSERVFILI = ? ORDER BY CDTURNO")
                                            .arg(suffix),
                                        {branch, service});
        QList<double> out;
        while (q.next()) {
            out << q.value(0).toDouble();
        }
        return out;
    }
    QVariantMap dayRow(const QString& branch, const QString& service, const QDate& day) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRCARDAPIO, QTCOMESTICAR, QTCLIESTICAR, QTFUNESTICAR, QTDOAESTICAR, "
            "QTESTITURNO1, QTESTITURNO2, QTESTITURNO3, QTESTITURNO4, DSCARDAPIO FROM CARDADIA "
            "WHERE CDFILIAL = ? AND CDSERVFILI = ? AND DTCARDAPIO = ?",
            {branch, service, DataHora(day)});
        QVariantMap m;
        if (q.next()) {
            for (int i = 0; i < q.record().count(); ++i) {
                m.insert(q.record().fieldName(i).toUpper(), q.value(i));
            }
        }
        return m;
    }
    // The shares of a day's dishes in the change cache, by position.
    static QMap<int, double> shares(TfrmCardMens* s, const QDate& day) {
        QMap<int, double> out;
        TMemTable& t = *s->Cardapio().cdsCompCardCache;
        TFilterSuspended all(t);
        for (t.First(); !t.Eof(); t.Next()) {
            if (t.FieldByName("DTCARDAPIO").AsDateTime().date() == day) {
                out.insert(int(t.FieldByName("NRSEQPRATCAR").AsInteger()),
                           t.FieldByName("VRPECONSCARD").AsFloat());
            }
        }
        return out;
    }
    static double shown(TfrmCardMens* s, const QDate& day) {
        return QuantityValue(cell(s, day, total(s)));
    }
};

TEST(DayDinersRules, KeepingThePortionsChangesTheShare) {
    EXPECT_DOUBLE_EQ(PercentualMantendoPorcoes(50, 600, 750), 40);
    EXPECT_DOUBLE_EQ(PercentualMantendoPorcoes(50, 200, 250), 40);
    EXPECT_DOUBLE_EQ(PercentualMantendoPorcoes(25, 400, 200), 50);
    EXPECT_DOUBLE_EQ(PercentualMantendoPorcoes(30, 0, 500), 30) << "no portions to keep";
    TComensaisDia v;
    v.Total = 100;
    v.Funcionario = 70;
    v.Doacoes = 50;
    EXPECT_DOUBLE_EQ(v.Cliente(), -20) << "the dialog keeps its client box at 0 itself";
}

TEST_F(DayDiners, AMondayASaturdayAndAHolidayTakeTheirOwnDefaults) {
    QDate monday = workingDay("0001", 8);
    while (monday.dayOfWeek() != 1) {
        monday = monday.addDays(1);
    }
    const QDate saturday = monday.addDays(5);
    const QDate holiday = monday.addDays(1);
    server_.Db().Exec("INSERT INTO FERICARD (CDFILIAL, DTFERICARD, DSFERICARD, DTULTATU) VALUES "
                      "('0001', ?, 'Feriado municipal', ?)",
                      {DataHora(holiday), DataHora(Hoje())});
    for (const QDate& d : {monday, saturday, holiday}) {
        dropDay("0001", "00001", d);
    }
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const std::pair<QDate, QString> days[] = {{monday, "SEG"}, {saturday, "SAB"}, {holiday, "FER"}};
    for (const auto& [day, suffix] : days) {
        const QList<double> shifts = shiftDefaults("0001", "00001", suffix);
        ASSERT_EQ(shifts.size(), 3);
        double sum = 0;
        for (double v : shifts) {
            sum += v;
        }
        const double employees = serviceDefault("0001", "00001", "QTFUNESTI", suffix);
        const double donations = serviceDefault("0001", "00001", "QTDOAESTI", suffix);
        const int result = dialog(s, day, [&](TfrmCardTurn& f) {
            EXPECT_FALSE(f.CardaDiaExiste);
            EXPECT_FALSE(f.sbtComesPdr->isEnabled()) << "no saved values to go back from";
            EXPECT_TRUE(f.grbTurno->isVisibleTo(&f));
            for (int n = 0; n < 3; ++n) {
                EXPECT_TRUE(f.nedTurno[n]->isVisibleTo(&f)) << suffix.toStdString();
                EXPECT_EQ(f.nedTurno[n]->Value(), shifts[n]) << suffix.toStdString();
            }
            EXPECT_FALSE(f.nedTurno[3]->isVisibleTo(&f));
            EXPECT_EQ(f.lblTurno[0]->text(), "1º turno (11h00)");
            // The shifts make the total; the clients are what employees and donations
            // leave of it.
            EXPECT_EQ(f.nedTotal->Value(), sum) << suffix.toStdString();
            EXPECT_EQ(f.nedFuncionario->Value(), employees) << suffix.toStdString();
            EXPECT_EQ(f.nedDoacoes->Value(), donations);
            EXPECT_EQ(f.nedCliente->Value(), std::max(0.0, sum - employees - donations));
            EXPECT_FALSE(f.grbCardaCli->isVisibleTo(&f)) << "no delivery points";
        });
        EXPECT_EQ(result, host::mrCancel);
    }
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "a cancelled dialog writes nothing";
    EXPECT_TRUE(dayRow("0001", "00001", monday).isEmpty());
}

TEST_F(DayDiners, ShiftsThatDoNotMakeTheTotalAreRefusedWithTheirSum) {
    const QDate d = workingDay("0001", 10);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QVariantMap before = dayRow("0001", "00001", d);
    ASSERT_FALSE(before.isEmpty());
    const int result = dialog(s, d, [&](TfrmCardTurn& f) {
        EXPECT_TRUE(f.CardaDiaExiste);
        EXPECT_TRUE(f.sbtComesPdr->isEnabled());
        EXPECT_EQ(f.nedTotal->Value(), before["QTCOMESTICAR"].toDouble());
        const double shifts =
            f.nedTurno[0]->Value() + f.nedTurno[1]->Value() + f.nedTurno[2]->Value();
        // The clients typed after the shifts: the total no longer is their sum.
        type(f.nedCliente, f.nedCliente->Value() + 7);
        EXPECT_EQ(f.nedTotal->Value(),
                  f.nedCliente->Value() + f.nedFuncionario->Value() + f.nedDoacoes->Value());
        presenter_.Clear();
        f.sbtConfirma->click();
        EXPECT_EQ(f.ModalResult(), host::mrNone) << "the dialog stays open";
        EXPECT_EQ(presenter_.LastText(),
                  QString("Total de comensais estimados deve ser igual à somatória dos turnos "
                          "(%1).")
                      .arg(FormatFloat("#,##0.00", shifts)));
        // Employees and donations above the shifts leave no negative clients.
        type(f.nedFuncionario, shifts);
        type(f.nedDoacoes, 50);
        type(f.nedTurno[0], f.nedTurno[0]->Value());
        EXPECT_EQ(f.nedCliente->Value(), 0);
        EXPECT_EQ(f.nedTotal->Value(), shifts);
    });
    EXPECT_EQ(result, host::mrCancel);
    EXPECT_EQ(dayRow("0001", "00001", d), before) << "nothing saved";
}

TEST_F(DayDiners, ConfirmingSavesTheDayAndTheGridAndReopeningFindsIt) {
    const QDate d = workingDay("0001", 12);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const double was = shown(s, d);
    ASSERT_GT(was, 0);
    const QMap<int, double> dishes = shares(s, d);
    ASSERT_FALSE(dishes.isEmpty());
    Button(s, "sbtCalcularCustos")->click();
    presenter_.Answer(host::mrYes); // the portions follow the new total
    const int result = dialog(s, d, [&](TfrmCardTurn& f) {
        type(f.nedTurno[1], f.nedTurno[1]->Value() + 30);
        f.edtDsCard->setText("Festa junina");
        f.sbtConfirma->click();
    });
    ASSERT_EQ(result, host::mrOk) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(presenter_.LastText(),
              "Deseja alterar proporcionalmente o número de porções dos Pratos?");
    const QVariantMap row = dayRow("0001", "00001", d);
    EXPECT_EQ(row["QTCOMESTICAR"].toDouble(), was + 30);
    EXPECT_EQ(row["QTCOMESTICAR"].toDouble(), row["QTESTITURNO1"].toDouble() +
                                                  row["QTESTITURNO2"].toDouble() +
                                                  row["QTESTITURNO3"].toDouble());
    EXPECT_EQ(row["QTESTITURNO4"].toDouble(), 0) << "no fourth shift";
    EXPECT_EQ(row["QTCLIESTICAR"].toDouble(), row["QTCOMESTICAR"].toDouble() -
                                                  row["QTFUNESTICAR"].toDouble() -
                                                  row["QTDOAESTICAR"].toDouble());
    EXPECT_EQ(row["DSCARDAPIO"].toString(), "Festa junina");
    EXPECT_EQ(shares(s, d), dishes) << "the percentages stay; the portions follow";
    EXPECT_EQ(shown(s, d), was + 30);
    EXPECT_TRUE(s->Cardapio().StlDesc.contains(DayKey(d) + "=Festa junina"));
    EXPECT_TRUE(s->Cardapio().AvisoRecalculo) << "the costs no longer match";
    EXPECT_FALSE(Child<QWidget>(s, "panAvisoRecalc")->isHidden());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);

    ASSERT_TRUE(s->close());
    settle();
    TfrmCardMens* again = open("0001", "00001", next_);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(shown(again, d), was + 30);
    EXPECT_TRUE(again->Cardapio().StlDesc.contains(DayKey(d) + "=Festa junina"));
}

TEST_F(DayDiners, KeepingThePortionsRescalesTheSharesOfTheDay) {
    const QDate d = workingDay("0001", 14);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const double was = shown(s, d);
    const QMap<int, double> before = shares(s, d);
    ASSERT_FALSE(before.isEmpty());
    presenter_.Answer(host::mrNo);
    double now = 0;
    dialog(s, d, [&](TfrmCardTurn& f) {
        type(f.nedTurno[0], f.nedTurno[0]->Value() + 100);
        now = f.nedTotal->Value();
        f.sbtConfirma->click();
    });
    ASSERT_EQ(now, was + 100);
    const QMap<int, double> after = shares(s, d);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        EXPECT_NEAR(after.value(it.key()), it.value() * was / now, 1e-9);
        // The same portions as before.
        EXPECT_NEAR(after.value(it.key()) / 100.0 * now, it.value() / 100.0 * was, 1e-9);
    }
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "saved with the day";

    // The same total again asks nothing: nothing to keep or follow.
    presenter_.Clear();
    dialog(s, d, [&](TfrmCardTurn& f) { f.sbtConfirma->click(); });
    EXPECT_FALSE(presenter_.Texts().contains(
        "Deseja alterar proporcionalmente o número de porções dos Pratos?"));
}

TEST_F(DayDiners, ANewDayIsNumberedByTheServerAndKeepsNoPlaceholder) {
    const QDate d = workingDay("0001", 16);
    dropDay("0001", "00001", d);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Cardapio().comensaisDia(d), 0) << "a day without a record has no diners";
    presenter_.Clear();
    const int result = dialog(s, d, [&](TfrmCardTurn& f) { f.sbtConfirma->click(); });
    ASSERT_EQ(result, host::mrOk) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_TRUE(presenter_.Texts().isEmpty()) << "no dishes: no question";
    const QVariantMap row = dayRow("0001", "00001", d);
    ASSERT_FALSE(row.isEmpty());
    const QString nr = s->Cardapio().getNrCardapio("0001", "00001", d);
    EXPECT_EQ(nr, row["NRCARDAPIO"].toString());
    EXPECT_NE(nr, "XXXXXXXXXX");
    EXPECT_GT(shown(s, d), 0);
}

TEST_F(DayDiners, ADayOfNoDinersServesEveryDishToAll) {
    const QDate d = workingDay("0001", 18);
    const QDate other = workingDay("0001", d.day() + 1);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // Two dishes of the day that serve part of it.
    TMemTable& cache = *s->Cardapio().cdsCompCardCache;
    int changed = 0;
    for (cache.First(); !cache.Eof() && changed < 2; cache.Next()) {
        if (cache.FieldByName("DTCARDAPIO").AsDateTime().date() == d) {
            cache.Edit();
            cache.FieldByName("VRPECONSCARD").SetAsFloat(40 + changed++);
            cache.Post();
        }
    }
    ASSERT_EQ(changed, 2);
    const QMap<int, double> others = shares(s, other);
    s->Cardapio().PratosDoDiaIntegrais(d);
    for (const double share : shares(s, d)) {
        EXPECT_EQ(share, 100);
    }
    EXPECT_EQ(shares(s, other), others) << "other days keep theirs";
}

TEST_F(DayDiners, ShiftsBeyondTheFourthAreNamedNotDropped) {
    server_.Db().Exec("INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO, "
                      "QTCOMESTTSEG, QTCOMESTTTER, QTCOMESTTQUA, QTCOMESTTQUI, QTCOMESTTSEX) "
                      "VALUES ('0001', '00001', 5, 'Ceia', 40, 40, 40, 40, 40)");
    const QDate d = workingDay("0001", 11);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    double total = 0;
    const int result = dialog(s, d, [&](TfrmCardTurn& f) {
        EXPECT_TRUE(f.lblTurnosNaoGuardados->isVisibleTo(&f));
        EXPECT_TRUE(f.lblTurnosNaoGuardados->text().contains("5 - Ceia"));
        type(f.nedTurno[2], f.nedTurno[2]->Value() + 1);
        total = f.nedTotal->Value();
        presenter_.Answer(host::mrYes);
        f.sbtConfirma->click();
    });
    ASSERT_EQ(result, host::mrOk) << presenter_.Texts().join(" | ").toStdString();
    const QVariantMap row = dayRow("0001", "00001", d);
    EXPECT_EQ(row["QTCOMESTICAR"].toDouble(), total) << "the four columns make the total";
    EXPECT_EQ(row["QTESTITURNO4"].toDouble(), 0);
}

TEST_F(DayDiners, TheDefaultsButtonAndItsShortcutBringBackTheWeekday) {
    const QDate d = workingDay("0001", 15);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString suffix = SufixoDia(d, false);
    const QList<double> shifts = shiftDefaults("0001", "00001", suffix);
    dialog(s, d, [&](TfrmCardTurn& f) {
        type(f.nedTurno[0], 1);
        presenter_.Answer(host::mrNo);
        f.mnuComesPdr->trigger();
        EXPECT_EQ(presenter_.LastText(), "Confirma operação?");
        EXPECT_EQ(f.nedTurno[0]->Value(), 1) << "answered no";
        presenter_.Answer(host::mrYes);
        f.mnuComesPdr->trigger();
        for (int n = 0; n < 3; ++n) {
            EXPECT_EQ(f.nedTurno[n]->Value(), shifts[n]);
        }
        EXPECT_EQ(f.nedTotal->Value(), shifts[0] + shifts[1] + shifts[2]);
        EXPECT_EQ(f.nedFuncionario->Value(), serviceDefault("0001", "00001", "QTFUNESTI", suffix));
    });
}

class SchoolDayDiners : public DayDiners {
protected:
    SchoolDayDiners()
        : DayDiners("GRUPO1") {}

    // Types a point's diners into the grid, as the planner does.
    static void typePoint(TfrmCardTurn& f, int row, int value) {
        host::TDBGrid* grid = f.dbgCardaCli;
        int column = -1;
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            const int field = grid->DataSource()->FieldIndexAt(c);
            if (f.cdsCardaCli->Fields(field).FieldName() == "QTCOMESTICLI") {
                column = c;
            }
        }
        ASSERT_GE(column, 0);
        const QModelIndex at = grid->model()->index(row, column);
        grid->setCurrentIndex(at);
        grid->edit(at);
        auto* editor = grid->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, "-," + QString::number(value) + ".");
        EXPECT_EQ(editor->text(), QString::number(value)) << "no sign, no decimals";
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_FALSE(f.cdsCardaCli->IsEditing()) << "posted by Enter";
    }
    static double points(TfrmCardTurn& f) {
        const TDataPacket p = f.cdsCardaCli->Data();
        double sum = 0;
        for (const TPacketRow& r : p.Rows) {
            sum += r.Values[p.FieldIndex("QTCOMESTICLI")].toDouble();
        }
        return sum;
    }
    int pointsStored(const QString& nr) {
        return server_.Db()
            .Scalar("SELECT COALESCE(SUM(QTCOMESTICLI), 0) FROM CARDACLI WHERE CDFILIAL = "
                    "'0004' AND NRCARDAPIO = ?",
                    {nr})
            .toInt();
    }
};

TEST_F(SchoolDayDiners, DeliveryPointsMakeTheTotalAndAreCheckedAgainstIt) {
    const QDate d = workingDay("0004", 9);
    presenter_.Answer(host::mrNo); // the month is not laid again from its cycle
    TfrmCardMens* s = open("0004", "00001", next_);
    ASSERT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
    const QString nr = dayNumber("0004", "00001", d);
    ASSERT_FALSE(nr.isEmpty());
    const int result = dialog(s, d, [&](TfrmCardTurn& f) {
        ASSERT_TRUE(f.grbCardaCli->isVisibleTo(&f));
        ASSERT_GE(f.cdsCardaCli->RecordCount(), 2);
        typePoint(f, 0, 100);
        typePoint(f, 1, 50);
        const double points = SchoolDayDiners::points(f);
        EXPECT_EQ(f.nedTotal->Value(), points) << "the points make the total";
        // The shifts then say otherwise: the total follows them, the points differ
        // from both the total and the clients.
        type(f.nedTurno[0], f.nedTurno[0]->Value() + 5);
        presenter_.Clear();
        if (s->Cardapio().TipoMontagem == 0) {
            presenter_.Answer(host::mrYes); // the portions follow the total
        }
        f.sbtConfirma->click();
        EXPECT_EQ(f.ModalResult(), host::mrNone);
        EXPECT_EQ(presenter_.LastText(),
                  QString("Atenção! Total de comensais estimados difere da somatória dos "
                          "comensais dos pontos de entrega (%1).")
                      .arg(FormatFloat("0.00", points)));
        // The day itself was saved before the points were checked.
        EXPECT_EQ(dayRow("0004", "00001", d)["QTCOMESTICAR"].toDouble(), f.nedTotal->Value());
        // Points that match the clients: a warning, and the points saved.
        type(f.nedFuncionario, f.nedTotal->Value() - points);
        type(f.nedDoacoes, 0);
        type(f.nedTurno[0], f.nedTurno[0]->Value());
        ASSERT_EQ(f.nedCliente->Value(), points);
        presenter_.Clear();
        f.sbtConfirma->click();
        EXPECT_EQ(presenter_.Texts().size(), 1) << presenter_.Texts().join(" | ").toStdString();
        EXPECT_EQ(f.ModalResult(), host::mrOk);
        EXPECT_EQ(pointsStored(nr), points);
    });
    EXPECT_EQ(result, host::mrOk);
}

} // namespace
