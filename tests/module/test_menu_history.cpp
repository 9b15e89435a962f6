#include "core/clock.h"
#include "core/dates.h"
#include "core/reference.h"
#include "editing_fixture.h"
#include "host/date_edit.h"
#include "host/modal_runner.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "packages/dish_ranking.h"
#include "packages/menu_history.h"

#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using namespace pla::module;
using module::TfrmCardMens;
using packages::TfrmHistCard;
using packages::TfrmRankPrato;

namespace {

// The history of the menu (PLA00127) and the dish ranking (PLA00102), worked as a
// planner works them, and the dish they hand back going into the monthly screen's cell.
class MenuHistoryScreens : public test::TEditingTest {
protected:
    explicit MenuHistoryScreens(const QString& op = QStringLiteral("NUTRI1"))
        : TEditingTest(op) {}

    // Runs a command on the current cell; the script works the screen it opens (none:
    // cancelled). True when the screen opened.
    template <typename TScreen>
    bool run(const std::function<void()>& command, const std::function<void(TScreen&)>& work = {}) {
        bool opened = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TScreen*>();
            opened = f != nullptr;
            if (!f || !work) {
                return int(QDialog::Rejected);
            }
            d.show();
            work(*f);
            return f->ModalResult() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        command();
        return opened;
    }
    bool history(TfrmCardMens* s, const std::function<void(TfrmHistCard&)>& work = {}) {
        return run<TfrmHistCard>([s] { s->findChild<QToolButton*>("btfHistCard")->click(); }, work);
    }
    bool ranking(TfrmCardMens* s, const std::function<void(TfrmRankPrato&)>& work = {}) {
        return run<TfrmRankPrato>([s] { s->findChild<QToolButton*>("sbtRankingPratos")->click(); },
                                  work);
    }
    // A double click as a hand makes it: the first click makes the cell current.
    static void choose(QTableView* v, int row, int column) {
        const QModelIndex index = v->model()->index(row, column);
        v->scrollTo(index);
        const QPoint at = v->visualRect(index).center();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
    }
    static int columnOf(QTableView* v, const QString& label) {
        for (int c = 0; c < v->model()->columnCount(); ++c) {
            if (v->model()->headerData(c, Qt::Horizontal).toString() == label) {
                return c;
            }
        }
        return -1;
    }
    static QString at(QTableView* v, int row, const QString& label) {
        return v->model()->index(row, columnOf(v, label)).data().toString();
    }
    // A change of a position as the server records it.
    void record(const QString& branch, const QDate& day, const QString& before,
                const QString& after, const QString& op = QStringLiteral("NUTRI1"),
                const QDateTime& when = Agora()) {
        server_.Db().Exec(
            "INSERT INTO HISTCARD (CDFILIAL, CDSERVFILI, DTCARDAPIO, NRCARDAPIO, NRSEQPRATCAR, "
            "NRORDPRATCAR, CDTIPOPRAT, CDFILAUXPRATANT, CDPRATOANT, VRPECONSANT, "
            "CDFILAUXPRATNOV, CDPRATONOV, VRPECONSNOV, QTCOMESTIANT, QTCOMESTINOV, IDOPERACAO, "
            "CDOPERADOR, DTALTERACAO) VALUES (?, '00001', ?, '0000000001', 1, 1, '01', '0002', "
            "?, 100, '0002', ?, 100, 200, 200, 'G', ?, ?)",
            {branch, DataHora(day), before, after, op, when});
    }
    QString dishName(const QString& code) {
        return server_.Db()
            .Scalar("SELECT NMPRATO FROM PRATO WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?", {code})
            .toString()
            .trimmed();
    }
    // The active dishes with a revised recipe of the type of a dish, but that dish.
    QStringList othersOfType(const QString& code) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT CDPRATO FROM PRATO WHERE IDATIVO = 'S' AND IDRECEREVI = 'S' AND CDPRATO <> ? "
            "AND CDFILAUXPRAT = '0002' AND CDTIPOPRAT = (SELECT CDTIPOPRAT FROM PRATO WHERE "
            "CDFILAUXPRAT = '0002' AND CDPRATO = ?) ORDER BY CDPRATO",
            {code, code});
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString().trimmed();
        }
        return out;
    }
    QString otherDish(const QString& code) { return othersOfType(code).value(0); }
    // An operator's right taken away (or given back).
    void permission(rpc::TAutorizacao which, QChar allowed) {
        QString p = server_.Db()
                        .Scalar("SELECT DSPERMISSAO FROM OPERADOR WHERE CDOPERADOR = 'NUTRI1'")
                        .toString();
        p[rpc::Posicao(which)] = allowed;
        server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'", {p});
    }
    // The screen of a code answered by a stand-in: it keeps its arguments and runs
    // `answer` over them.
    QList<QVariantList>& capture(const QString& code,
                                 const std::function<void(const QVariantList&)>& answer = {}) {
        host::Host().RegisterScreen(code, [this, answer](const QVariantList& p) {
            opened_.append(p);
            if (answer) {
                answer(p);
            }
        });
        return opened_;
    }
    // The ranking's answer as its screen gives it: the dish and the chosen flag.
    static void rankingChooses(const QVariantList& p, const QString& code, const QString& name,
                               const QString& branch) {
        TReference::Of(p[5]).Set(code);
        TReference::Of(p[6]).Set(name);
        TReference::Of(p[7]).Set(branch);
        TReference::Of(p[9]).Set(true);
    }
    // The grid's dish-type label whose position is `seq`.
    static QString typeOfPosition(TfrmCardMens* s, int seq) {
        for (const QString& t : GridModel(s)->Pivot().Types()) {
            if (t != total(s) && s->Cardapio().GetSeqPrat(t.left(3).toInt()) == seq) {
                return t;
            }
        }
        return {};
    }

    QList<QVariantList> opened_;
};

TEST_F(MenuHistoryScreens, TheHistoryShowsTheChangesOfTheCellsDishAndHandsBackTheOneChosen) {
    // Only the changes recorded here.
    server_.Db().Exec("DELETE FROM HISTCARD WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 9);
    const QString t = type(s, 0);
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    const QStringList others = othersOfType(cell.Code);
    ASSERT_GE(others.size(), 2);
    const QString other = others[0];
    // Two changes of the cell's dish on other days, and one of other dishes.
    record("0001", d.addDays(-7), other, cell.Code, "NUTRI1", Agora().addSecs(-3600));
    record("0001", d.addDays(-14), cell.Code, other, "CENTRAL", Agora().addSecs(-60));
    record("0001", d.addDays(-21), other, others[1], "NUTRI1", Agora().addSecs(-30));
    const bool opened = history(s, [&](TfrmHistCard& f) {
        EXPECT_EQ(f.edtServico->text(), "00001 - Almoço");
        EXPECT_EQ(f.edtPrato->text(), cell.Code) << "the cell's dish to begin with";
        EXPECT_EQ(f.lblPrato->text(), dishName(cell.Code));
        EXPECT_EQ(f.depFim->Date(), Hoje());
        EXPECT_EQ(f.depInicio->Date(), Hoje().addYears(-1).addDays(1));
        ASSERT_EQ(f.dbgHistorico->model()->rowCount(), 2);
        EXPECT_EQ(at(f.dbgHistorico, 0, "Operador"), "CENTRAL - Marina Duarte") << "newest first";
        EXPECT_EQ(at(f.dbgHistorico, 0, "Operação"), "Gravação do cardápio");
        EXPECT_EQ(at(f.dbgHistorico, 0, "Prato anterior"), cell.Code + " - " + dishName(cell.Code));
        EXPECT_EQ(at(f.dbgHistorico, 0, "Dia do cardápio"),
                  FormatDateTime("dd/mm/yyyy ddd", d.addDays(-14)));
        EXPECT_EQ(at(f.dbgHistorico, 1, "Prato novo"), cell.Code + " - " + dishName(cell.Code));
        // Operators: every one who changed the service in the period.
        EXPECT_EQ(f.cbbOperador->count(), 3);
        f.cbbOperador->setCurrentIndex(f.cbbOperador->findData("CENTRAL"));
        EXPECT_EQ(f.dbgHistorico->model()->rowCount(), 1);
        f.cbbOperador->setCurrentIndex(0);
        // Every dish: the third change too, the newest.
        f.edtPrato->setFocus();
        QTest::keyClick(f.edtPrato, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f.edtPrato, Qt::Key_Backspace);
        QTest::keyClick(f.edtPrato, Qt::Key_Return);
        EXPECT_EQ(f.dbgHistorico->model()->rowCount(), 3);
        EXPECT_EQ(f.lblPrato->text(), "Todos os pratos");
        // The dish before the newest change, by a double click on its column.
        choose(f.dbgHistorico, 0, columnOf(f.dbgHistorico, "Prato anterior"));
    });
    ASSERT_TRUE(opened);
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(entry->Code, other) << "the dish before the newest change";
    EXPECT_EQ(entry->Name, "N" + dishName(other));
    EXPECT_EQ(entry->Quantity, cell.Quantity) << "the cell's value stays";
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
}

TEST_F(MenuHistoryScreens, EveryColumnOfTheStateBeforeHandsBackTheDishBefore) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 9);
    goTo(s, d, type(s, 0));
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    const QString other = otherDish(cell.Code);
    record("0001", d.addDays(-7), other, cell.Code);
    const auto handedBack = [&](const QString& column) {
        const TReference code, branch, name, chosen(false);
        TfrmHistCard f({"0001", "00001", cell.Code, cell.Branch, DataHora(d), code.AsVariant(),
                        branch.AsVariant(), name.AsVariant(), chosen.AsVariant()});
        f.show();
        EXPECT_EQ(f.dbgHistorico->model()->rowCount(), 1);
        const int c = columnOf(f.dbgHistorico, column);
        EXPECT_GE(c, 0) << column.toStdString();
        f.dbgHistorico->setCurrentIndex(f.dbgHistorico->model()->index(0, c));
        EXPECT_TRUE(host::RunHandler([&f] { f.sbtConfirmaClick(); }));
        EXPECT_TRUE(chosen.Get().toBool());
        return code.Get().toString();
    };
    for (const char* column : {"Prato anterior", "% antes", "Comensais antes"}) {
        EXPECT_EQ(handedBack(QString::fromUtf8(column)), other) << column;
    }
    for (const char* column : {"Prato novo", "% depois", "Comensais depois", "Operador"}) {
        EXPECT_EQ(handedBack(QString::fromUtf8(column)), cell.Code) << column;
    }
}

TEST_F(MenuHistoryScreens, AChangeWithoutADishOnEitherSideIsNotHandedBack) {
    const QDate d = workingDay("0001", 9);
    server_.Db().Exec("DELETE FROM HISTCARD WHERE CDFILIAL = '0001'");
    record("0001", d.addDays(-7), "", "");
    const TReference code, branch, name, chosen(false);
    TfrmHistCard f({"0001", "00001", "", "", DataHora(d), code.AsVariant(), branch.AsVariant(),
                    name.AsVariant(), chosen.AsVariant()});
    f.show();
    ASSERT_EQ(f.dbgHistorico->model()->rowCount(), 1);
    presenter_.Clear();
    choose(f.dbgHistorico, 0, columnOf(f.dbgHistorico, "Prato novo"));
    EXPECT_EQ(presenter_.LastText(), "Selecione uma alteração do histórico.");
    EXPECT_FALSE(chosen.Get().toBool());
    EXPECT_EQ(f.ModalResult(), 0);
}

TEST_F(MenuHistoryScreens, TheCellsDishIsNamedByItsOwnBranchAndABadPeriodIsSaid) {
    const QDate d = workingDay("0001", 9);
    QString code;
    {
        QSqlQuery q = server_.Db().Exec(
            "SELECT MIN(CDPRATO) FROM PRATO WHERE CDFILAUXPRAT = '0002' AND CDPRATO NOT IN "
            "(SELECT CDPRATO FROM PRATO WHERE CDFILAUXPRAT = '0001')");
        ASSERT_TRUE(q.next());
        code = q.value(0).toString().trimmed();
    }
    ASSERT_FALSE(code.isEmpty());
    // The same code names another dish in another branch, listed first.
    server_.Db().Exec("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) SELECT "
                      "'0001', CDPRATO, 'OUTRO PRATO DA FILIAL', CDTIPOPRAT FROM PRATO WHERE "
                      "CDFILAUXPRAT = '0002' AND CDPRATO = ?",
                      {code});
    const TReference cdPrato, branch, name, chosen(false);
    TfrmHistCard f({"0001", "00001", code, "0002", DataHora(d), cdPrato.AsVariant(),
                    branch.AsVariant(), name.AsVariant(), chosen.AsVariant()});
    f.show();
    EXPECT_EQ(f.lblPrato->text(), dishName(code));
    presenter_.Clear();
    f.depInicio->SetDate(f.depFim->Date().addDays(1));
    EXPECT_EQ(presenter_.LastText(), f.msgPadrao.Msg("PERIODO"));
    EXPECT_EQ(presenter_.LastText(), "Informe um período válido: a data inicial não pode ser "
                                     "posterior à final.");
}

TEST_F(MenuHistoryScreens, ADishFromTheHistoryReplacesTheCellsAndIsSavedWithItsShare) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 10);
    const QString t = type(s, 0);
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    const QString other = otherDish(cell.Code);
    record("0001", d.addDays(-7), cell.Code, other);
    ASSERT_TRUE(history(s, [&](TfrmHistCard& f) {
        ASSERT_EQ(f.dbgHistorico->model()->rowCount(), 1);
        // Enter on any column but the former dish's takes the dish after.
        f.dbgHistorico->setCurrentIndex(f.dbgHistorico->model()->index(0, 0));
        QTest::keyClick(f.dbgHistorico, Qt::Key_Return);
    }));
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Code, other);
    EXPECT_EQ(entry->Name, "N" + dishName(other)) << "a menu of type N";
    EXPECT_EQ(entry->Quantity, cell.Quantity);
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    const auto row = cacheRow(s, d, seq);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["CDPRATO"].toString(), other);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "N");
    const double diners = s->Cardapio().comensaisDia(d);
    EXPECT_NEAR((*row)["VRPECONSCARD"].toDouble(), QuantityValue(cell.Quantity) / diners * 100,
                1e-9);
    EXPECT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    s->sbtConfirmar->click();
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = "
                          "? AND NRSEQPRATCAR = ? AND CDPRATO = ?",
                          {dayNumber("0001", "00001", d), seq, other})
                  .toInt(),
              1);
    // And the save itself is in the history now.
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM HISTCARD WHERE CDFILIAL = '0001' AND CDPRATOANT = "
                          "? AND CDPRATONOV = ? AND IDOPERACAO = 'G' AND CDOPERADOR = 'NUTRI1' "
                          "AND DTCARDAPIO = ?",
                          {cell.Code, other, DataHora(d)})
                  .toInt(),
              1);
}

TEST_F(MenuHistoryScreens, WithTheCostsOfTheMenusDayTheHistoryKeepsTheCellsDate) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 11);
    goTo(s, d, type(s, 1));
    TCardapioMensal& m = s->Cardapio();
    const QDateTime fixed = DataHora(next_);
    m.ExibeCusto = true;
    m.RefeCardapio = false;
    m.DtRefeCusto = fixed;
    EXPECT_TRUE(history(s));
    EXPECT_EQ(m.DtRefeCusto, fixed) << "a fixed reference date stays";
    m.RefeCardapio = true;
    EXPECT_TRUE(history(s));
    EXPECT_EQ(m.DtRefeCusto, DataHora(d));
    goTo(s, workingDay("0001", d.day() + 1), type(s, 1));
    m.RefeCardapio = false;
    EXPECT_TRUE(history(s));
    EXPECT_EQ(m.DtRefeCusto, DataHora(d)) << "kept for later calculations";
}

TEST_F(MenuHistoryScreens, ABlockedDayTakesNoDishFromTheHistoryOrTheRanking) {
    blockFirstDays("0001");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    QDate d = next_;
    while (dayNumber("0001", "00001", d).isEmpty()) {
        d = d.addDays(1);
    }
    ASSERT_LT(d, next_.addDays(3));
    const QString t = type(s, 0);
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    EXPECT_FALSE(s->findChild<QToolButton*>("btfHistCard")->isEnabled());
    EXPECT_FALSE(s->findChild<QToolButton*>("sbtRankingPratos")->isEnabled());
    record("0001", d.addDays(-7), cell.Code, otherDish(cell.Code));
    // The history does not even open, whoever asks for it.
    presenter_.Clear();
    EXPECT_FALSE(
        run<TfrmHistCard>([s] { host::RunHandler([s] { s->Cardapio().ConsultaHistorico(); }); },
                          [](TfrmHistCard& f) { f.sbtConfirma->click(); }));
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Text(), cell.Text());
    // The ranking may be looked at: its choice is refused.
    bool confirmEnabled = true;
    QString shown;
    EXPECT_TRUE(
        run<TfrmRankPrato>([s] { host::RunHandler([s] { s->Cardapio().ConsultaRanking(); }); },
                           [&](TfrmRankPrato& f) {
                               confirmEnabled = f.sbtConfirma->isEnabled();
                               EXPECT_TRUE(f.lblBloqueado->isVisible());
                               ASSERT_GT(f.dbgRanking->model()->rowCount(), 0);
                               choose(f.dbgRanking, 0, 1);
                               shown = presenter_.LastText();
                           }));
    EXPECT_FALSE(confirmEnabled);
    EXPECT_EQ(shown, "O dia do cardápio está bloqueado: o ranking pode ser consultado, mas "
                     "nenhum prato pode ser escolhido.");
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Text(), cell.Text());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, ADishHandedBackForABlockedDayIsRefusedAndTheCellKeepsItsOwn) {
    blockFirstDays("0001");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    QDate d = next_;
    while (dayNumber("0001", "00001", d).isEmpty()) {
        d = d.addDays(1);
    }
    ASSERT_LT(d, next_.addDays(3));
    goTo(s, d, type(s, 0));
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    const QString other = otherDish(cell.Code);
    ASSERT_FALSE(other.isEmpty());
    // A ranking that hands a dish back all the same.
    QList<QVariantList>& seen = capture("PLA00102", [&](const QVariantList& p) {
        rankingChooses(p, other, dishName(other), "0002");
    });
    presenter_.Clear();
    EXPECT_FALSE(host::RunHandler([s] { s->Cardapio().ConsultaRanking(); }));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(seen[0][4].toBool()) << "told the day is blocked";
    EXPECT_EQ(presenter_.LastText(), "Dia do cardápio está bloqueado");
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Text(), cell.Text());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_EQ(cacheRow(s, d, s->Cardapio().GetSeqPrat(type(s, 0).left(3).toInt()))
                  ->value("CDPRATO")
                  .toString()
                  .trimmed(),
              cell.Code);
}

TEST_F(MenuHistoryScreens, ABlockedDayWithoutAMenuGetsNoDayFromTheRanking) {
    // A working day blocked, with the days before it.
    const QDate d = workingDay("0001", 9);
    const QDate processing = server_.Db()
                                 .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = '0001'")
                                 .toDateTime()
                                 .date();
    server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = '0001'",
                      {qlonglong(processing.daysTo(d.addDays(1)))});
    dropDay("0001", "00001", d);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, d, type(s, 0));
    ASSERT_TRUE(s->Cardapio().CardBlock(DayKey(d)));
    QList<QVariantList>& seen = capture("PLA00102");
    presenter_.Clear();
    EXPECT_FALSE(host::RunHandler([s] { s->Cardapio().ConsultaRanking(); }));
    EXPECT_EQ(presenter_.LastText(), "Número de comensais do dia deve ser maior que zero.");
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(dayNumber("0001", "00001", d).isEmpty()) << "no day written";
    EXPECT_TRUE(s->Cardapio().getNrCardapio("0001", "00001", d).isEmpty());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, TheRankingsChecksComeBeforeTheColoursEndOrAnythingIsSaved) {
    const QDate holiday = workingDay("0001", 16);
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', "
                      "?, 'Feriado municipal')",
                      {DataHora(holiday)});
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDCARDIAUTIL = 'S' WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, holiday, type(s, 0));
    Button(s, "sbtAnaliCor")->click();
    ASSERT_TRUE(s->Cardapio().AnaliseCores().Ativa());
    QList<QVariantList>& seen = capture("PLA00102");
    presenter_.Clear();
    EXPECT_FALSE(host::RunHandler([s] { s->Cardapio().ConsultaRanking(); }));
    EXPECT_EQ(presenter_.LastText(), "Cardápio bloqueado para dia não útil.");
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(s->Cardapio().AnaliseCores().Ativa()) << "refused before the prelude";
    // A working day goes through: the colours end before the ranking opens.
    goTo(s, workingDay("0001", holiday.day() + 1), type(s, 0));
    EXPECT_TRUE(host::RunHandler([s] { s->Cardapio().ConsultaRanking(); }));
    EXPECT_EQ(seen.size(), 1);
    EXPECT_FALSE(s->Cardapio().AnaliseCores().Ativa());
}

TEST_F(MenuHistoryScreens, TheHistoryOpensOnlyForADishThePlannerMayRemove) {
    permission(rpc::TAutorizacao::ExcluirPrato, '0');
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 9), type(s, 0));
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_FALSE(s->findChild<QToolButton*>("btfHistCard")->isEnabled());
    QList<QVariantList>& seen = capture("PLA00127");
    EXPECT_TRUE(host::RunHandler([s] { s->Cardapio().ConsultaHistorico(); }));
    EXPECT_TRUE(seen.isEmpty()) << "the model's own check";
}

TEST_F(MenuHistoryScreens, TheHistoryOpensForADishButNotForTheDayOrAnEmptyCell) {
    const QDate d = workingDay("0001", 12);
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                      "NRSEQPRATCAR = 3",
                      {dayNumber("0001", "00001", d)});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    QList<QVariantList>& seen = capture("PLA00127");
    goTo(s, d, total(s));
    ASSERT_TRUE(s->Cardapio().LinhaComensais());
    EXPECT_TRUE(host::RunHandler([s] { s->Cardapio().ConsultaHistorico(); }));
    goTo(s, d, typeOfPosition(s, 3));
    ASSERT_FALSE(s->Cardapio().EntradaCelula());
    EXPECT_TRUE(host::RunHandler([s] { s->Cardapio().ConsultaHistorico(); }));
    EXPECT_TRUE(seen.isEmpty());
    goTo(s, d, type(s, 0));
    ASSERT_TRUE(s->Cardapio().EntradaCelula());
    EXPECT_TRUE(host::RunHandler([s] { s->Cardapio().ConsultaHistorico(); }));
    EXPECT_EQ(seen.size(), 1);
}

TEST_F(MenuHistoryScreens, DishesServedAsOftenShareTheirPlaceAndTheNextTakesItsRow) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 15), type(s, 0));
    int ties = 0;
    int checked = 0;
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        f.cbbTipoPrato->setCurrentIndex(0);
        TMemTable& t = *f.cdsRanking;
        // By hand: the rows of a type in the ranking's order, the place of a row the row's
        // number in its type unless it was served as often as the row before.
        QHash<QString, std::pair<int, qint64>> byType; // rows so far, last times served
        QHash<QString, int> place;
        for (t.First(); !t.Eof(); t.Next()) {
            const QString type = t.FieldByName("CDTIPOPRAT").AsString().trimmed();
            const qint64 times = t.FieldByName("QTVEZES").AsInteger();
            auto& [rows, last] = byType[type];
            ++rows;
            if (rows == 1 || times != last) {
                place[type] = rows;
            } else {
                ++ties;
            }
            last = times;
            EXPECT_EQ(t.FieldByName("NRPOSTIPO").AsInteger(), place[type])
                << t.FieldByName("CDPRATO").AsString().toStdString();
            ++checked;
        }
    }));
    EXPECT_GT(checked, 10);
    EXPECT_GT(ties, 0) << "the demonstration serves some dishes as often as others";
}

TEST_F(MenuHistoryScreens, TheHistoryAndTheRankingGetTheirParametersInOrder) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 10);
    const QString t = type(s, 1);
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    TCardapioMensal& m = s->Cardapio();
    m.ExibeCusto = true;
    m.RefeCardapio = true;
    QList<QVariantList>& seen = capture("PLA00127");
    EXPECT_EQ(Action(s, "mnuHistCard")->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_H));
    Button(s, "btfHistCard")->click();
    ASSERT_EQ(seen.size(), 1);
    QVariantList p = seen[0];
    ASSERT_EQ(p.size(), 9);
    EXPECT_EQ(p.mid(0, 5), (QVariantList{"0001", "00001", cell.Code, cell.Branch, DataHora(d)}));
    EXPECT_EQ(TReference::Of(p[5]).Get().toString(), cell.Code) << "the dish code to begin with";
    EXPECT_EQ(TReference::Of(p[6]).Get().toString(), cell.Branch);
    EXPECT_EQ(TReference::Of(p[7]).Get().toString(), "") << "the name starts empty";
    EXPECT_FALSE(TReference::Of(p[8]).Get().toBool());
    Action(s, "mnuHistCard")->trigger();
    EXPECT_EQ(seen.size(), 2) << "the menu entry does the same";

    seen.clear();
    capture("PLA00102");
    EXPECT_EQ(Action(s, "mnuConsRankPrat")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    Button(s, "sbtRankingPratos")->click();
    ASSERT_EQ(seen.size(), 1);
    p = seen[0];
    ASSERT_EQ(p.size(), 16);
    EXPECT_EQ(p.mid(0, 5),
              (QVariantList{"0001", "00001", qlonglong(m.TipoCustoPlanejado), DataHora(d), false}));
    EXPECT_EQ(TReference::Of(p[5]).Get().toString(), cell.Code);
    EXPECT_EQ(TReference::Of(p[6]).Get().toString(), "");
    EXPECT_EQ(TReference::Of(p[7]).Get().toString(), cell.Branch);
    EXPECT_EQ(TReference::Of(p[8]).Get().toString(), d.toString(Qt::ISODate) + ";" + t.mid(3, 2));
    EXPECT_FALSE(TReference::Of(p[9]).Get().toBool());
    EXPECT_EQ(p.mid(10), (QVariantList{QString(), QString(), m.CdFiliCust, QString(), true, true}))
        << "no reference dish for a menu of type N";
    Action(s, "mnuConsRankPrat")->trigger();
    EXPECT_EQ(seen.size(), 2);
}

TEST_F(MenuHistoryScreens, TheRankingsDishReplacesTheCellsWithItsShareMarkAndFormerDish) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 17);
    const QString t = type(s, 0);
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    const int seq = s->Cardapio().GetSeqPrat(t.left(3).toInt());
    ASSERT_NE(cacheRow(s, d, seq)->value("IDPRATOESPE").toString(), "S");
    QString chosen;
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        for (int r = 0; r < f.dbgRanking->model()->rowCount(); ++r) {
            if (at(f.dbgRanking, r, "Código") != cell.Code &&
                at(f.dbgRanking, r, "Situação") == "Ativo") {
                chosen = at(f.dbgRanking, r, "Código");
                choose(f.dbgRanking, r, 2);
                return;
            }
        }
    }));
    ASSERT_FALSE(chosen.isEmpty());
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(entry->Code, chosen);
    EXPECT_EQ(entry->Name, "N" + dishName(chosen));
    EXPECT_EQ(entry->Quantity, cell.Quantity) << "the cell's value stays";
    const auto row = cacheRow(s, d, seq);
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["CDPRATO"].toString().trimmed(), chosen);
    EXPECT_EQ((*row)["NMPRATO"].toString(), "N" + dishName(chosen));
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "N");
    const double diners = s->Cardapio().comensaisDia(d);
    ASSERT_GT(diners, 0);
    EXPECT_NEAR((*row)["VRPECONSCARD"].toDouble(), QuantityValue(cell.Quantity) / diners * 100,
                1e-9);
    // No central dish for the position: the replaced dish is the one it stands in for.
    EXPECT_EQ((*row)["CDPRATOMAT"].toString().trimmed(), cell.Code);
    EXPECT_EQ((*row)["CDFILAUXPRATMAT"].toString().trimmed(), cell.Branch);
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
    EXPECT_GT(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, ADishWhoseCacheRowIsGoneChangesNothingInTheCell) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 18);
    goTo(s, d, type(s, 0));
    TDishLine cell = *s->Cardapio().EntradaCelula();
    const QString other = otherDish(cell.Code);
    // The cell shows a dish the cache no longer holds under that code.
    cell.Code = cell.Code == "0000000000" ? "0000000001" : "0000000000";
    s->Cardapio().StlPratos.Put(cell);
    ASSERT_EQ(s->Cardapio().EntradaCelula()->Code, cell.Code);
    EXPECT_TRUE(host::RunHandler([&] {
        s->Cardapio().RecebePrato({other, QStringLiteral("0002"), dishName(other)});
    })) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(s->Cardapio().EntradaCelula()->Text(), cell.Text()) << "not shown as if taken";
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, TheRankingIntoAnEmptyCellOfADayOf250DinersInsertsTheWholeDay) {
    const QDate d = workingDay("0001", 12);
    const QString nr = dayNumber("0001", "00001", d);
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 250 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ?",
                      {nr});
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                      "NRSEQPRATCAR = 3",
                      {nr});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->Cardapio().TipoMontagem, 0) << "the restaurant plans by number of diners";
    const QString t = typeOfPosition(s, 3);
    ASSERT_FALSE(t.isEmpty());
    goTo(s, d, t);
    ASSERT_FALSE(s->Cardapio().EntradaCelula());
    QString chosen;
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        EXPECT_EQ(f.cbbTipoPrato->currentData().toString(), t.mid(3, 2))
            << "the cell's dish type to begin with";
        EXPECT_EQ(f.depFim->Date(), d.addDays(-1));
        EXPECT_EQ(f.depInicio->Date(), d.addYears(-1));
        ASSERT_GT(f.dbgRanking->model()->rowCount(), 0);
        chosen = at(f.dbgRanking, 0, "Código");
        choose(f.dbgRanking, 0, 2);
    }));
    ASSERT_FALSE(chosen.isEmpty());
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(entry->Code, chosen);
    EXPECT_EQ(entry->Quantity, "250");
    EXPECT_EQ(entry->Name, "N" + dishName(chosen));
    const auto row = cacheRow(s, d, 3);
    ASSERT_TRUE(row);
    EXPECT_DOUBLE_EQ((*row)["VRPECONSCARD"].toDouble(), 100);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "N");
    EXPECT_TRUE(cell(s, d, t).contains("250"));
    EXPECT_TRUE(s->sbtConfirmar->isEnabled());
}

TEST_F(MenuHistoryScreens, TheRankingRefusesADayWithoutDinersOrNotWorkingBeforeItOpens) {
    const QDate empty = workingDay("0001", 13);
    server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = 0 WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00001' AND DTCARDAPIO = ?",
                      {DataHora(empty)});
    const QDate holiday = workingDay("0001", empty.day() + 1);
    server_.Db().Exec("INSERT INTO FERIFILI (CDFILIAL, DTFERIFILI, DSFERIFILI) VALUES ('0001', "
                      "?, 'Feriado municipal')",
                      {DataHora(holiday)});
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDCARDIAUTIL = 'S' WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, empty, type(s, 0));
    EXPECT_FALSE(ranking(s));
    EXPECT_EQ(presenter_.LastText(), "Número de comensais do dia deve ser maior que zero.");
    goTo(s, holiday, type(s, 0));
    presenter_.Clear();
    EXPECT_FALSE(ranking(s));
    EXPECT_EQ(presenter_.LastText(), "Cardápio bloqueado para dia não útil.");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, TheRankingCreatesADayWithoutMenuFromTheServicesEstimate) {
    QDate saturday = next_;
    while (saturday.dayOfWeek() != 6 || saturday.day() < 8) {
        saturday = saturday.addDays(1);
    }
    dropDay("0001", "00001", saturday);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, saturday, type(s, 0));
    EXPECT_TRUE(ranking(s)) << presenter_.Texts().join(" | ").toStdString();
    const QString nr = dayNumber("0001", "00001", saturday);
    ASSERT_EQ(nr.size(), 10) << "created on the server before the ranking opened";
    EXPECT_DOUBLE_EQ(server_.Db()
                         .Scalar("SELECT QTCOMESTICAR FROM CARDADIA WHERE CDFILIAL = '0001' AND "
                                 "NRCARDAPIO = ?",
                                 {nr})
                         .toDouble(),
                     180);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuHistoryScreens, TheRankingSortsByItsHeadersAndFiltersByDishType) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 15);
    goTo(s, d, type(s, 0));
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        const int ofType = f.dbgRanking->model()->rowCount();
        ASSERT_GT(ofType, 1);
        QHeaderView* h = f.dbgRanking->horizontalHeader();
        const auto click = [&](const QString& label) {
            const int c = columnOf(f.dbgRanking, label);
            QTest::mouseClick(
                h->viewport(), Qt::LeftButton, {},
                QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
        };
        const auto names = [&] {
            QStringList out;
            for (int r = 0; r < f.dbgRanking->model()->rowCount(); ++r) {
                out << at(f.dbgRanking, r, "Prato");
            }
            return out;
        };
        click("Prato");
        EXPECT_EQ(f.Ordem(), "NMPRATO");
        EXPECT_FALSE(f.Decrescente());
        QStringList sorted = names();
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        EXPECT_EQ(names(), sorted);
        click("Prato");
        EXPECT_TRUE(f.Decrescente()) << "the same header again turns the order round";
        std::reverse(sorted.begin(), sorted.end());
        EXPECT_EQ(names(), sorted);
        click("Vezes servido");
        EXPECT_TRUE(f.Decrescente()) << "counts begin with the largest";
        for (int r = 1; r < f.dbgRanking->model()->rowCount(); ++r) {
            EXPECT_GE(at(f.dbgRanking, r - 1, "Vezes servido").toInt(),
                      at(f.dbgRanking, r, "Vezes servido").toInt());
        }
        f.cbbTipoPrato->setCurrentIndex(0);
        EXPECT_GT(f.dbgRanking->model()->rowCount(), ofType) << "every dish type";
        // An empty period is refused and says so.
        f.depInicio->SetDate(d);
        EXPECT_EQ(presenter_.LastText(), "Informe um período válido: a data inicial não pode "
                                         "ser posterior à final.");
    }));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "cancelled";
}

TEST_F(MenuHistoryScreens, DishTypesOfTheSameNameOrWithoutOneAreEachOfferedByTheirCode) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 15), type(s, 0));
    // The types ranked, by their codes.
    QStringList codes;
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        for (int i = 1; i < f.cbbTipoPrato->count(); ++i) {
            codes << f.cbbTipoPrato->itemData(i).toString();
        }
    }));
    ASSERT_GE(codes.size(), 3);
    // The second takes the first's name, the third has none.
    const QString name =
        server_.Db()
            .Scalar("SELECT NMTIPOPRAT FROM TIPOPRAT WHERE CDTIPOPRAT = ?", {codes[0]})
            .toString()
            .trimmed();
    server_.Db().Exec("UPDATE TIPOPRAT SET NMTIPOPRAT = ? WHERE CDTIPOPRAT = ?", {name, codes[1]});
    server_.Db().Exec("UPDATE TIPOPRAT SET NMTIPOPRAT = '' WHERE CDTIPOPRAT = ?", {codes[2]});
    ASSERT_TRUE(ranking(s, [&](TfrmRankPrato& f) {
        QStringList now;
        for (int i = 1; i < f.cbbTipoPrato->count(); ++i) {
            now << f.cbbTipoPrato->itemData(i).toString();
        }
        std::sort(now.begin(), now.end());
        QStringList all = codes;
        std::sort(all.begin(), all.end());
        EXPECT_EQ(now, all) << "every type, once";
        for (const int i : {0, 1}) {
            const int at = f.cbbTipoPrato->findData(codes[i]);
            ASSERT_GE(at, 0);
            EXPECT_EQ(f.cbbTipoPrato->itemText(at), name + " (" + codes[i] + ")") << "told apart";
        }
        EXPECT_EQ(f.cbbTipoPrato->itemText(f.cbbTipoPrato->findData(codes[2])), codes[2]);
        // Each keeps to its own dishes.
        f.cbbTipoPrato->setCurrentIndex(f.cbbTipoPrato->findData(codes[1]));
        ASSERT_GT(f.cdsRanking->RecordCount(), 0);
        for (f.cdsRanking->First(); !f.cdsRanking->Eof(); f.cdsRanking->Next()) {
            EXPECT_EQ(f.cdsRanking->FieldByName("CDTIPOPRAT").AsString().trimmed(), codes[1]);
        }
    }));
}

// The hospital follows the central kitchen: a menu of type S.
class HospitalHistory : public MenuHistoryScreens {
protected:
    HospitalHistory()
        : MenuHistoryScreens("HOSP1") {}
};

TEST_F(HospitalHistory, TheSameDishBackFromTheHistoryIsMarkedNWhateverItsFormerMark) {
    TfrmCardMens* s = open("0003", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0003", 8);
    QString t;
    for (const QString& candidate : GridModel(s)->Pivot().Types()) {
        goTo(s, d, candidate);
        const auto e = s->Cardapio().EntradaCelula();
        if (e && e->Mark() != QChar('N') && !s->Cardapio().LinhaComensais()) {
            t = candidate;
            break;
        }
    }
    ASSERT_FALSE(t.isEmpty()) << "the demonstration marks some hospital dishes";
    goTo(s, d, t);
    const TDishLine cell = *s->Cardapio().EntradaCelula();
    record("0003", d.addDays(-7), otherDish(cell.Code), cell.Code);
    ASSERT_TRUE(history(s, [&](TfrmHistCard& f) {
        ASSERT_EQ(f.dbgHistorico->model()->rowCount(), 1);
        choose(f.dbgHistorico, 0, columnOf(f.dbgHistorico, "Prato novo"));
    }));
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(entry->Code, cell.Code);
    EXPECT_EQ(entry->Name, "N" + cell.Dish()) << "was " << cell.Name.toStdString();
    const auto row = cacheRow(s, d, s->Cardapio().GetSeqPrat(t.left(3).toInt()));
    ASSERT_TRUE(row);
    EXPECT_EQ((*row)["IDPRATOESPE"].toString(), "N");
}

} // namespace
