#include "core/contract_rules.h"
#include "core/dates.h"
#include "core/reference.h"
#include "editing_fixture.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "packages/contract_restrictions.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using module::TfrmCardMens;
using packages::TfrmRestCont;

namespace {

constexpr int PosicaoPrincipal = 3; // the lunch's main course

// The contract restrictions worked as a planner works them: the screen opened from the
// monthly screen, a restriction maintained through its controls, and the month that
// breaks one kept from closing until it is mended.
class ContractRulesScreen : public test::TEditingTest {
protected:
    explicit ContractRulesScreen(const QString& op = QStringLiteral("NUTRI1"))
        : TEditingTest(op) {}

    db::TDatabase& db() { return server_.Db(); }
    // Only the lunch restrictions a test gives.
    void rules(const QList<std::tuple<char, QString, bool, double>>& list) {
        db().Exec("DELETE FROM RESTCONTSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
        int nr = 0;
        for (const auto& [kind, type, fried, limit] : list) {
            db().Exec("INSERT INTO RESTCONTSERV (CDFILIAL, CDSERVFILI, NRRESTCONT, IDTIPORESTR, "
                      "CDTIPOPRAT, IDSOFRITO, VRLIMITE) VALUES ('0001', '00001', ?, ?, ?, ?, ?)",
                      {++nr, QString(QLatin1Char(kind)), type.isEmpty() ? QVariant() : type,
                       fried ? "S" : "N", limit});
        }
        db().Exec("UPDATE RESTCONTCAB SET NRULTREST = ? WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                  "'00001'",
                  {nr});
    }
    // The branch checks its contract on closing; the cost interval is not in the way.
    void closeChecks(const QString& restrictions) {
        db().Exec("UPDATE PARAMPLANEJA SET IDRESTRCARD = ?, IDBLQFECHCARD = 'N' WHERE CDFILIAL = "
                  "'0001'",
                  {restrictions});
    }
    // One main course of the month fried, and served on one working day only.
    QDate friedOnce(const QString& dish = QString()) {
        const QString fried = dish.isEmpty() ? mainCourses().value(0) : dish;
        db().Exec("UPDATE PRATO SET IDFRITURA = 'N'");
        db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDPRATO = ? AND CDFILAUXPRAT = '0002'",
                  {mainCourses().value(1), fried});
        db().Exec("UPDATE PRATO SET IDFRITURA = 'S' WHERE CDFILAUXPRAT = '0002' AND CDPRATO = ?",
                  {fried});
        const QDate day = workingDay("0001", 10);
        db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                  "NRSEQPRATCAR = ?",
                  {fried, dayNumber("0001", "00001", day), PosicaoPrincipal});
        return day;
    }
    QStringList mainCourses() {
        QSqlQuery q = db().Exec("SELECT CDPRATO FROM PRATO WHERE CDTIPOPRAT = '03' AND IDATIVO = "
                                "'S' AND IDRECEREVI = 'S' ORDER BY CDPRATO");
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString();
        }
        return out;
    }
    int servedDays() {
        return db()
            .Scalar("SELECT COUNT(*) FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = "
                    "'00001' AND DTMESCARD = ? AND QTCOMESTICAR > 0",
                    {DataHora(next_)})
            .toInt();
    }
    // The days of a day's week inside the month, as the verdict names them.
    QString weekOf(const QDate& day) {
        const QDate start = std::max(day.addDays(1 - day.dayOfWeek()), next_);
        const QDate end = std::min(day.addDays(7 - day.dayOfWeek()), UltimoDiaMes(next_));
        return QString("Semana de %1 a %2: ").arg(dm(start), dm(end));
    }
    static QString dm(const QDate& d) { return FormatDateTime("dd/mm", d); }
    static QString typeOf(TfrmCardMens* s, const QString& code) {
        for (const QString& t : test::GridModel(s)->Pivot().Types()) {
            if (t.mid(3, 2) == code) {
                return t;
            }
        }
        return {};
    }
    static QString text(TfrmRestCont& f, int row, int column) {
        return f.dbgRestricoes->model()->index(row, column).data().toString();
    }
    static void clickRow(TfrmRestCont& f, int row) {
        const QModelIndex index = f.dbgRestricoes->model()->index(row, 0);
        QTest::mouseClick(f.dbgRestricoes->viewport(), Qt::LeftButton, {},
                          f.dbgRestricoes->visualRect(index).center());
    }
    static void type(QLineEdit* edit, const QString& value) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, value);
    }
    static void choose(QComboBox* box, const QString& data) {
        const int i = box->findData(data);
        ASSERT_GE(i, 0) << data.toStdString();
        box->setCurrentIndex(i);
    }
    // Runs the screen as the monthly screen's button opens it; the script works it.
    bool analyse(TfrmCardMens* s, const std::function<void(TfrmRestCont&)>& work) {
        bool opened = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmRestCont*>();
            opened = f != nullptr;
            if (f) {
                d.show();
                work(*f);
            }
            return int(QDialog::Rejected);
        });
        test::Button(s, "sbtAnalRestCont")->click();
        return opened;
    }
    // The lunch's restrictions as stored: kind, type, fried, limit, clause, who.
    QStringList stored() {
        QSqlQuery q = db().Exec("SELECT IDTIPORESTR, CDTIPOPRAT, IDSOFRITO, VRLIMITE, DSRESTCONT, "
                                "CDOPERADOR FROM RESTCONTSERV WHERE CDFILIAL = '0001' AND "
                                "CDSERVFILI = '00001' ORDER BY NRRESTCONT");
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 6; ++i) {
                row << (q.value(i).isNull() ? QStringLiteral("-")
                                            : q.value(i).toString().trimmed());
            }
            out << row.join(' ');
        }
        return out;
    }
    QString calcula(const QDate& month) {
        TReference ok(QStringLiteral("não respondeu"));
        host::Host().LoadBPL("PLA00113", {QString("CALCULA"), QString("0001"), QString("00001"),
                                          DataHora(month), ok.AsVariant()});
        return ok.Get().typeId() == QMetaType::Bool ? (ok.Get().toBool() ? "S" : "N")
                                                    : ok.Get().toString();
    }
};

TEST_F(ContractRulesScreen, EachRestrictionWithItsVerdictAndTheDaysThatBreakIt) {
    const QDate fried = friedOnce();
    rules({{'S', "03", true, 0}, {'D', "09", false, 15}});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const int served = servedDays();
    const bool opened = analyse(s, [&](TfrmRestCont& f) {
        EXPECT_TRUE(f.edtCardapio->text().startsWith("Filial 0001 - "));
        EXPECT_TRUE(f.edtCardapio->text().contains(" · Serviço 00001 - Almoço · "));
        EXPECT_TRUE(f.edtCardapio->isReadOnly());
        EXPECT_EQ(f.lblSituacao->text(),
                  "O cardápio do mês descumpre 1 das 2 restrições contratuais.");
        const QAbstractItemModel* m = f.dbgRestricoes->model();
        ASSERT_EQ(m->rowCount(), 2);
        EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Restrição");
        EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), "Situação");
        EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "Dias que a descumprem");
        EXPECT_EQ(text(f, 0, 0), "Nenhum prato frito do tipo PRATO PRINCIPAL no cardápio");
        EXPECT_EQ(text(f, 0, 1), "Descumprida");
        EXPECT_EQ(m->index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(176, 0, 0));
        EXPECT_EQ(text(f, 0, 2), dm(fried));
        EXPECT_EQ(text(f, 0, 3),
                  weekOf(fried) + "1 prato frito do tipo PRATO PRINCIPAL (máximo 0).");
        EXPECT_EQ(text(f, 1, 0), "Pratos do tipo FRUTA em no mínimo 15 dias do mês");
        EXPECT_EQ(text(f, 1, 1), "Cumprida");
        EXPECT_EQ(text(f, 1, 2), "");
        EXPECT_EQ(text(f, 1, 3),
                  QString("Pratos do tipo FRUTA em %1 dos %1 dias servidos.").arg(served));
        // The editor shows the first restriction.
        EXPECT_EQ(f.cbbTipo->currentData().toString(), "S");
        EXPECT_EQ(f.cbbTipoPrato->currentData().toString(), "03");
        EXPECT_TRUE(f.chbFritos->isChecked());
        EXPECT_EQ(f.lblUnidade->text(), "pratos por semana");
        EXPECT_FALSE(f.sbtConfirma->isEnabled()) << "nothing to save";
    });
    EXPECT_TRUE(opened);
    EXPECT_FALSE(s->Cardapio().RestricoesOk) << "the verdict came back";

    // The menu entry opens the same screen; a month that keeps them all says so.
    db().Exec("UPDATE PRATO SET IDFRITURA = 'N'");
    bool again = false;
    host::TModalRunner::TScope scope([&](QDialog& d) {
        auto* f = d.findChild<TfrmRestCont*>();
        again = f != nullptr;
        if (f) {
            EXPECT_EQ(f->lblSituacao->text(),
                      "O cardápio do mês cumpre todas as restrições contratuais.");
            EXPECT_EQ(text(*f, 0, 1), "Cumprida");
            EXPECT_EQ(text(*f, 0, 3), "Nenhum prato frito do tipo PRATO PRINCIPAL no mês.");
        }
        return int(QDialog::Rejected);
    });
    test::Action(s, "mnuAnalRestri")->trigger();
    EXPECT_TRUE(again);
    EXPECT_TRUE(s->Cardapio().RestricoesOk);
}

TEST_F(ContractRulesScreen, ARestrictionIncludedChangedAndRemovedThroughTheControls) {
    db().Exec("UPDATE PRATO SET IDFRITURA = 'N'");
    rules({{'S', "", true, 2}});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const bool opened = analyse(s, [&](TfrmRestCont& f) {
        const QAbstractItemModel* m = f.dbgRestricoes->model();
        ASSERT_EQ(m->rowCount(), 1);
        // Fruit on every day of the month, clause noted.
        choose(f.cbbTipo, "D");
        EXPECT_EQ(f.lblUnidade->text(), "dias no mês");
        choose(f.cbbTipoPrato, "09");
        f.chbFritos->setChecked(false); // the editor showed the fried dishes' restriction
        type(f.nedLimite, "31");
        f.edtClausula->setText("Cláusula 3.2"); // keys carry no accents here
        f.sbtIncluir->click();
        ASSERT_EQ(m->rowCount(), 2);
        EXPECT_EQ(text(f, 1, 0), "Pratos do tipo FRUTA em no mínimo 31 dias do mês");
        EXPECT_EQ(text(f, 1, 1), "Não gravada");
        EXPECT_TRUE(f.lblSituacao->text().endsWith(
            "As alterações ainda não gravadas não entram na análise."));
        EXPECT_TRUE(f.sbtConfirma->isEnabled());
        // What cannot stand is not included.
        choose(f.cbbTipo, "S");
        choose(f.cbbTipoPrato, "");
        f.chbFritos->setChecked(false);
        presenter_.Clear();
        f.sbtIncluir->click();
        EXPECT_EQ(presenter_.LastText(),
                  "Escolha o tipo de prato ou marque \"Somente pratos fritos\".");
        EXPECT_EQ(m->rowCount(), 2);

        f.sbtConfirma->click();
        EXPECT_EQ(presenter_.LastText(), "Restrições contratuais gravadas.");
        EXPECT_EQ(stored(), (QStringList{"S - S 2 - -", "D 09 N 31 Cláusula 3.2 NUTRI1"}));
        EXPECT_EQ(text(f, 1, 1), "Cumprida") << "fruit on every day the month serves";
        EXPECT_EQ(text(f, 1, 5), "NUTRI1") << "who changed it";
        EXPECT_FALSE(f.sbtConfirma->isEnabled());

        // No fried dish at all: the first changed, the second removed.
        clickRow(f, 0);
        EXPECT_EQ(f.cbbTipo->currentData().toString(), "S");
        EXPECT_TRUE(f.chbFritos->isChecked());
        EXPECT_EQ(f.nedLimite->Value(), 2);
        type(f.nedLimite, "0");
        f.sbtAlterar->click();
        EXPECT_EQ(text(f, 0, 0), "Nenhum prato frito no cardápio");
        EXPECT_EQ(text(f, 0, 1), "Não gravada");
        clickRow(f, 1);
        EXPECT_EQ(f.edtClausula->text(), "Cláusula 3.2");
        presenter_.Answer(host::mrYes);
        f.sbtExcluir->click();
        EXPECT_EQ(presenter_.LastText(),
                  "Excluir a restrição \"Pratos do tipo FRUTA em no mínimo 31 dias do mês\"?");
        EXPECT_EQ(m->rowCount(), 1);
        f.sbtConfirma->click();
        EXPECT_EQ(stored(), (QStringList{"S - S 0 - NUTRI1"}));
        EXPECT_EQ(text(f, 0, 1), "Cumprida");
        EXPECT_EQ(f.lblSituacao->text(),
                  "O cardápio do mês cumpre todas as restrições contratuais.");
    });
    EXPECT_TRUE(opened);
    QSqlQuery log = db().Exec("SELECT NRALTERACAO, IDOPERACAO, DSRESTRICAO FROM LOGRESTCONT "
                              "WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' ORDER BY "
                              "NRALTERACAO, NRRESTCONT");
    QStringList lines;
    while (log.next()) {
        lines << QString("%1 %2 %3")
                     .arg(log.value(0).toString(), log.value(1).toString(),
                          log.value(2).toString());
    }
    EXPECT_EQ(lines,
              (QStringList{"1 I Pratos do tipo FRUTA em no mínimo 31 dias do mês (Cláusula 3.2)",
                           "2 A Nenhum prato frito no cardápio",
                           "2 E Pratos do tipo FRUTA em no mínimo 31 dias do mês (Cláusula 3.2)"}));
    EXPECT_TRUE(s->Cardapio().RestricoesOk);
}

TEST_F(ContractRulesScreen, UnsavedChangesAreAskedAboutOnLeavingAndUndone) {
    rules({{'S', "", true, 2}});
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    analyse(s, [&](TfrmRestCont& f) {
        type(f.nedLimite, "4");
        f.sbtAlterar->click();
        EXPECT_EQ(text(f, 0, 0), "No máximo 4 pratos fritos por semana");
        // Undone on the planner's word.
        presenter_.Answer(host::mrYes);
        f.sbtCancelar->click();
        EXPECT_EQ(text(f, 0, 0), "No máximo 2 pratos fritos por semana");
        EXPECT_EQ(f.nedLimite->Value(), 2) << "the editor follows";
        // Leaving asks; Cancel stays, No leaves without saving.
        type(f.nedLimite, "3");
        f.sbtAlterar->click();
        presenter_.Answer(host::mrCancel);
        f.sbtFechar->click();
        EXPECT_EQ(presenter_.LastText(),
                  "As restrições foram alteradas. Deseja gravá-las antes de sair?");
        EXPECT_TRUE(f.isVisible()) << "still open";
        presenter_.Answer(host::mrYes);
        f.sbtFechar->click();
        EXPECT_EQ(presenter_.LastText(), "Restrições contratuais gravadas.");
    });
    EXPECT_EQ(stored(), (QStringList{"S - S 3 - NUTRI1"})) << "saved on the way out";
}

TEST_F(ContractRulesScreen, CalculaAnswersOnlyThroughTheReference) {
    const QDate fried = friedOnce();
    rules({{'S', "03", true, 0}});
    // No window may open.
    host::TModalRunner::TScope none([&](QDialog&) {
        ADD_FAILURE() << "a window opened";
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    EXPECT_EQ(calcula(next_), "N");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << "nothing said";
    db().Exec("UPDATE COMPCARD SET CDPRATO = ? WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
              "NRSEQPRATCAR = ?",
              {mainCourses().value(2), dayNumber("0001", "00001", fried), PosicaoPrincipal});
    EXPECT_EQ(calcula(next_), "S");
    rules({});
    EXPECT_EQ(calcula(next_), "S") << "no restriction, nothing broken";
    EXPECT_THROW(
        host::Host().LoadBPL("PLA00113", {QString("OUTRO"), QString("0001"), QString("00001"),
                                          DataHora(next_), TReference(true).AsVariant()}),
        EPlaError);
}

TEST_F(ContractRulesScreen, AMonthThatBreaksARestrictionClosesOnceMended) {
    const QDate fried = friedOnce();
    rules({{'S', "03", true, 0}});
    closeChecks("S");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString refused = "O cardápio do mês descumpre restrições contratuais do serviço e não "
                            "pode ser fechado. Veja quais e em que dias em \"Analisar Restrições "
                            "Contratuais\" (Ctrl+U).";
    presenter_.Clear();
    EXPECT_FALSE(s->close());
    EXPECT_EQ(presenter_.LastText(), refused);
    EXPECT_FALSE(s->Cardapio().RestricoesOk);

    // The fried main course taken out of its day, not saved yet: the saved month is judged.
    goTo(s, fried, typeOf(s, "03"));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 1);
    presenter_.Clear();
    EXPECT_FALSE(s->close());
    EXPECT_EQ(presenter_.LastText(), refused + " As alterações ainda não gravadas não entram na "
                                               "análise: confirme-as antes.");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 1) << "nothing asked, nothing lost";

    s->sbtConfirmar->click();
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    presenter_.Clear();
    EXPECT_TRUE(s->close());
    EXPECT_TRUE(s->Cardapio().RestricoesOk);
}

TEST_F(ContractRulesScreen, AMonthMendedThroughItsRestrictionsCloses) {
    friedOnce();
    rules({{'S', "03", true, 0}});
    closeChecks("S");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->close());
    // The contract allows one fried main course a week after all.
    analyse(s, [&](TfrmRestCont& f) {
        type(f.nedLimite, "1");
        f.sbtAlterar->click();
        f.sbtConfirma->click();
        EXPECT_EQ(text(f, 0, 1), "Cumprida");
    });
    EXPECT_TRUE(s->Cardapio().RestricoesOk);
    EXPECT_TRUE(s->close());
}

TEST_F(ContractRulesScreen, TheCloseIsNotCheckedWithoutTheParameterNorForAPastMonth) {
    friedOnce();
    rules({{'S', "03", true, 0}});
    closeChecks("N");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->close()) << "the branch does not check its contract";

    closeChecks("S");
    s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    // The month the branch processes is still checked...
    db().Exec("UPDATE FILIAL SET DTPROCESSA = ? WHERE CDFILIAL = '0001'",
              {DataHora(UltimoDiaMes(next_))});
    EXPECT_FALSE(s->close());
    // ...one before it no longer.
    db().Exec("UPDATE FILIAL SET DTPROCESSA = ? WHERE CDFILIAL = '0001'",
              {DataHora(next_.addMonths(1))});
    presenter_.Clear();
    EXPECT_TRUE(s->close());
    EXPECT_TRUE(presenter_.Shown().isEmpty());
}

// An operator without the permission to configure menus reads them only.
class ContractRulesReader : public ContractRulesScreen {
protected:
    ContractRulesReader()
        : ContractRulesScreen(QStringLiteral("CONSULTA")) {}
};

TEST_F(ContractRulesReader, SeesTheVerdictsButChangesNothing) {
    TReference ok(false);
    TfrmRestCont f({QString("FORMULARIO"), QString("0001"), QString("00001"), DataHora(next_),
                    ok.AsVariant()});
    EXPECT_EQ(f.dbgRestricoes->model()->rowCount(), 4) << "the demonstration's";
    EXPECT_FALSE(f.PodeAlterar());
    for (QWidget* w : std::initializer_list<QWidget*>{f.sbtIncluir, f.sbtAlterar, f.sbtExcluir,
                                                      f.sbtConfirma, f.cbbTipo, f.nedLimite}) {
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_EQ(f.panHelp->text(), "Somente consulta: o operador não tem permissão para alterar "
                                 "as restrições contratuais.");
}

} // namespace
