// The configuration of a month's dish positions (PLA00119) worked through its grid, the
// monthly screen's commands that open it and update the costs from the price lists, as
// a planner works them against the in-process server.
#include "core/dates.h"
#include "editing_fixture.h"
#include "host/busy_scopes.h"
#include "host/lookup_dialog.h"
#include "host/modal_runner.h"
#include "packages/diners_by_type.h"
#include "packages/menu_config.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using module::TfrmCardMens;
using packages::TfrmConfigCard;

namespace {

// A position as stored: number, order, dish type, optional, counted, printed.
struct TStored {
    int Seq = 0;
    int Ordem = 0;
    QString Tipo;
    QString Flags;
    friend bool operator==(const TStored&, const TStored&) = default;
};

void PrintTo(const TStored& p, std::ostream* os) {
    *os << p.Seq << '@' << p.Ordem << ' ' << p.Tipo.toStdString() << ' ' << p.Flags.toStdString();
}

class MenuConfigScreen : public test::TEditingTest {
protected:
    using TEditingTest::key; // the monthly grid's, beside the configuration grid's
    QVariantList params(const QDate& month) {
        return {QStringLiteral("0001"), QStringLiteral("00001"), DataHora(month)};
    }
    QList<TStored> stored(const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRSEQCNFMES, NRORDCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDCONCNFMES, IDIMPCNFMES "
            "FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND DTREFECNFMES = "
            "? ORDER BY NRORDCNFMES",
            {DataHora(month)});
        QList<TStored> out;
        while (q.next()) {
            out.append({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString().trimmed(),
                        q.value(3).toString() + q.value(4).toString() + q.value(5).toString()});
        }
        return out;
    }
    static int column(TfrmConfigCard& f, const QString& heading) {
        const QAbstractItemModel* m = f.dbgPosicoes->model();
        for (int c = 0; c < m->columnCount(); ++c) {
            if (m->headerData(c, Qt::Horizontal).toString() == heading) {
                return c;
            }
        }
        ADD_FAILURE() << "no column " << heading.toStdString();
        return 0;
    }
    static QModelIndex at(TfrmConfigCard& f, int row, const QString& heading) {
        return f.dbgPosicoes->model()->index(row, column(f, heading));
    }
    static QString text(TfrmConfigCard& f, int row, const QString& heading) {
        return at(f, row, heading).data().toString();
    }
    static bool checked(TfrmConfigCard& f, int row, const QString& heading) {
        return at(f, row, heading).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    }
    static void go(TfrmConfigCard& f, int row, const QString& heading) {
        f.dbgPosicoes->setFocus();
        f.dbgPosicoes->setCurrentIndex(at(f, row, heading));
    }
    static void key(TfrmConfigCard& f, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(f.dbgPosicoes, k, m);
    }
    // The dish type chosen in the open cell's list, as the planner picks it and presses
    // Enter.
    static void chooseType(TfrmConfigCard& f, const QString& code) {
        auto* combo = f.dbgPosicoes->findChild<QComboBox*>("cbbTipoPrato");
        ASSERT_NE(combo, nullptr) << "the list of dish types is open";
        combo->setCurrentIndex(combo->findData(code));
        QTest::keyClick(combo, Qt::Key_Return);
        QApplication::processEvents(); // the view commits the editor's value queued
    }
    static int rows(TfrmConfigCard& f) { return f.dbgPosicoes->model()->rowCount(); }
    QList<QDate> daysWith(int seq, const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT DISTINCT D.DTCARDAPIO FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL = "
            "C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL = '0001' AND "
            "D.CDSERVFILI = '00001' AND D.DTMESCARD = ? AND C.NRSEQPRATCAR = ? ORDER BY 1",
            {DataHora(month), seq});
        QList<QDate> out;
        while (q.next()) {
            out.append(q.value(0).toDateTime().date());
        }
        return out;
    }
    void blockUntil(const QDate& firstChangeable) {
        const QDate processing = server_.Db()
                                     .Scalar("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = "
                                             "'0001'")
                                     .toDateTime()
                                     .date();
        server_.Db().Exec("UPDATE PARAMPLANEJA SET QTDIABLOQCAR = ? WHERE CDFILIAL = '0001'",
                          {qlonglong(processing.daysTo(firstChangeable))});
    }
};

TEST_F(MenuConfigScreen, ThePlannerReordersEditsAndAddsThenSaves) {
    const QList<TStored> before = stored(next_);
    ASSERT_EQ(before.size(), 10);
    TfrmConfigCard f(params(next_));
    f.show();
    EXPECT_EQ(f.ScreenCode(), "PLA00119");
    EXPECT_EQ(f.HelpContext(), 12300119);
    EXPECT_TRUE(f.lblOrigem->isHidden()) << "the month has positions of its own";
    EXPECT_TRUE(f.lblServico->text().contains("Almoço"));
    ASSERT_EQ(rows(f), 10);
    const QStringList headings{"Ordem",    "Tipo de Prato", "Opcional",        "Contada",
                               "Impressa", "Posição",       "Dias com pratos", "Dias bloqueados"};
    for (int c = 0; c < headings.size(); ++c) {
        EXPECT_EQ(f.dbgPosicoes->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
    }
    EXPECT_EQ(text(f, 0, "Tipo de Prato"), "01 - ARROZ");
    EXPECT_EQ(text(f, 0, "Ordem"), "10");
    EXPECT_EQ(text(f, 0, "Dias com pratos"),
              QString::number(daysWith(before[0].Seq, next_).size()));
    EXPECT_FALSE(checked(f, 0, "Opcional"));
    EXPECT_TRUE(checked(f, 3, "Opcional")) << "the option";
    EXPECT_TRUE(checked(f, 2, "Contada")) << "the main course";

    // The last two change places by the button; the first two by the keyboard and back.
    go(f, 9, "Ordem");
    f.sbtSubir->click();
    EXPECT_EQ(text(f, 8, "Tipo de Prato"), "10 - SUCO");
    EXPECT_EQ(f.dbgPosicoes->currentIndex().row(), 8) << "the position moved stays current";
    go(f, 0, "Ordem");
    key(f, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(text(f, 1, "Tipo de Prato"), "01 - ARROZ");
    key(f, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(text(f, 0, "Tipo de Prato"), "01 - ARROZ");
    // The dessert is printed no more.
    go(f, 7, "Impressa");
    key(f, Qt::Key_Space);
    EXPECT_FALSE(checked(f, 7, "Impressa"));
    // A soup, first of all.
    key(f, Qt::Key_Insert);
    ASSERT_EQ(rows(f), 11);
    EXPECT_EQ(text(f, 10, "Ordem"), "110");
    EXPECT_EQ(text(f, 10, "Posição"), "nova");
    chooseType(f, "11");
    EXPECT_EQ(text(f, 10, "Tipo de Prato"), "11 - SOPA");
    go(f, 10, "Ordem");
    key(f, Qt::Key_F2);
    auto* spin = f.dbgPosicoes->findChild<QSpinBox*>("nedOrdem");
    ASSERT_NE(spin, nullptr);
    spin->setValue(5);
    QTest::keyClick(spin, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(text(f, 0, "Tipo de Prato"), "11 - SOPA") << "the grid follows the order";
    EXPECT_TRUE(f.Alterada());

    presenter_.Answer(host::mrOk);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Configuração do cardápio gravada.");
    EXPECT_EQ(f.ModalResult(), host::mrOk);
    QList<TStored> expected = before;
    std::swap(expected[8].Ordem, expected[9].Ordem);
    expected[7].Flags[2] = 'N';
    const QList<TStored> after = stored(next_);
    ASSERT_EQ(after.size(), 11);
    EXPECT_EQ(after[0].Ordem, 5);
    EXPECT_EQ(after[0].Tipo, "11");
    EXPECT_EQ(after[0].Flags, "NSS");
    EXPECT_GT(after[0].Seq, 10);
    for (const TStored& p : expected) {
        EXPECT_TRUE(after.contains(p)) << p.Seq;
    }
}

TEST_F(MenuConfigScreen, DishesAboutToGoAreAskedForAndTheServersRefusalLosesNothing) {
    const QList<TStored> before = stored(next_);
    const QList<QDate> days = daysWith(before[0].Seq, next_);
    ASSERT_GT(days.size(), 2);
    blockUntil(days[1].addDays(1));
    TfrmConfigCard f(params(next_));
    f.show();
    EXPECT_EQ(text(f, 0, "Dias bloqueados"), "2");
    EXPECT_EQ(at(f, 0, "Ordem").data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::darkRed));

    // Another type for the beans: the question, answered no, keeps it.
    go(f, 1, "Tipo de Prato");
    key(f, Qt::Key_F2);
    presenter_.Answer(host::mrNo);
    chooseType(f, "12");
    EXPECT_EQ(presenter_.LastText(),
              QString("A posição %1 (FEIJÃO) tem pratos em %2 dia(s) do mês. Mudando o tipo de "
                      "prato, esses pratos serão excluídos do cardápio ao gravar. Confirma?")
                  .arg(before[1].Seq)
                  .arg(daysWith(before[1].Seq, next_).size()));
    EXPECT_EQ(text(f, 1, "Tipo de Prato"), "02 - FEIJÃO");
    EXPECT_FALSE(f.Alterada());
    // The rice removed, the question answered yes.
    go(f, 0, "Ordem");
    presenter_.Answer(host::mrYes);
    key(f, Qt::Key_Delete);
    EXPECT_TRUE(presenter_.LastText().startsWith(
        QString("A posição %1 (ARROZ) tem pratos em %2 dia(s) do mês. Excluindo a posição")
            .arg(before[0].Seq)
            .arg(days.size())));
    ASSERT_EQ(rows(f), 9);
    EXPECT_TRUE(f.PratosConfirmados().contains(before[0].Seq));
    // The server refuses: its words, and the screen as the planner left it.
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(),
              QString("A posição %1 (ARROZ) não pode ser excluída: tem pratos no dia %2, que não "
                      "pode mais ser alterado.")
                  .arg(before[0].Seq)
                  .arg(FormatDateTime("dd/mm/yyyy", days.first())));
    EXPECT_EQ(f.ModalResult(), 0);
    EXPECT_EQ(rows(f), 9);
    EXPECT_EQ(text(f, 0, "Tipo de Prato"), "02 - FEIJÃO");
    EXPECT_TRUE(f.Alterada());
    EXPECT_EQ(stored(next_), before);
    EXPECT_EQ(daysWith(before[0].Seq, next_), days);
    // Leaving asks; staying keeps everything.
    presenter_.Answer(host::mrNo);
    EXPECT_FALSE(f.close());
    EXPECT_EQ(presenter_.LastText(),
              "As alterações da configuração não foram gravadas. Deseja sair sem gravá-las?");
    EXPECT_EQ(rows(f), 9);
}

TEST_F(MenuConfigScreen, AConsentedRemovalTakesTheDishesOfTheChangeableDays) {
    const QList<TStored> before = stored(next_);
    const int dishes = server_.Db()
                           .Scalar("SELECT COUNT(*) FROM COMPCARD C JOIN CARDADIA D ON D.CDFILIAL "
                                   "= C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO WHERE D.CDFILIAL "
                                   "= '0001' AND D.CDSERVFILI = '00001' AND D.DTMESCARD = ? AND "
                                   "C.NRSEQPRATCAR = ?",
                                   {DataHora(next_), before[9].Seq})
                           .toInt();
    ASSERT_GT(dishes, 0);
    TfrmConfigCard f(params(next_));
    f.show();
    go(f, 9, "Ordem");
    presenter_.Answer(host::mrYes);
    f.sbtExcluir->click();
    presenter_.Answer(host::mrOk);
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(),
              QString("Configuração do cardápio gravada; %1 prato(s) excluído(s) do cardápio.")
                  .arg(dishes));
    EXPECT_EQ(stored(next_), before.mid(0, 9));
    EXPECT_TRUE(daysWith(before[9].Seq, next_).isEmpty());
}

TEST_F(MenuConfigScreen, AMonthWithoutPositionsOfItsOwnSaysSoAndTakesTheServicesBySaving) {
    const QDate later = next_.addMonths(12);
    ASSERT_TRUE(stored(later).isEmpty());
    TfrmConfigCard f(params(later));
    f.show();
    EXPECT_FALSE(f.lblOrigem->isHidden());
    EXPECT_EQ(f.lblOrigem->text(), "O mês ainda não tem configuração própria: estas são as "
                                   "posições do serviço, que o mês recebe ao gravar.");
    ASSERT_EQ(rows(f), 10);
    EXPECT_FALSE(f.Alterada());
    presenter_.Answer(host::mrOk);
    f.sbtConfirma->click();
    EXPECT_EQ(stored(later).size(), 10);
    // The month's own, unchanged: nothing to save.
    TfrmConfigCard again(params(later));
    again.show();
    EXPECT_TRUE(again.lblOrigem->isHidden());
    again.sbtConfirma->click();
    EXPECT_EQ(presenter_.LastText(), "Não há alterações a gravar.");
    EXPECT_EQ(again.ModalResult(), 0);
}

// The monthly screen's command: the permission, the pending changes saved, the screen
// opened with the month, the month read again and the cost warning.
class ConfigLauncher : public MenuConfigScreen {
protected:
    // Runs the command; `work` works the configuration screen (none: closed as it is).
    bool run(TfrmCardMens* s, const std::function<void(TfrmConfigCard&)>& work = {}) {
        bool opened = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmConfigCard*>();
            opened = f != nullptr;
            if (!f || !work) {
                return int(QDialog::Rejected);
            }
            work(*f);
            return f->ModalResult() == host::mrOk ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        Button(s, "sbtConfig")->click();
        return opened;
    }
};

TEST_F(ConfigLauncher, AnOperatorWithoutThePermissionGetsNoConfiguration) {
    server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = '11111111110111111' WHERE CDOPERADOR = "
                      "'NUTRI1'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(Button(s, "sbtConfig")->isEnabled());
    EXPECT_FALSE(Action(s, "mnuConfig")->isEnabled());
    int modals = 0;
    host::TModalRunner::TScope none([&modals](QDialog&) {
        ++modals;
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    s->sbtConfigClick();
    EXPECT_EQ(modals, 0);
    EXPECT_TRUE(presenter_.Shown().isEmpty());
}

TEST_F(ConfigLauncher, DishTypesOverTheirDinersShowTheirScreenInsteadAndNothingIsSaved) {
    // A counted dish of a day feeds half as many diners again as the day has.
    const QDate d = workingDay("0001", 15);
    const QString nr = dayNumber("0001", "00001", d);
    ASSERT_EQ(server_.Db().ExecCount(
                  "UPDATE COMPCARD SET VRPECONSCARD = 150 WHERE CDFILIAL = '0001' AND NRCARDAPIO "
                  "= ? AND NRSEQPRATCAR = (SELECT MIN(C.NRSEQPRATCAR) FROM COMPCARD C JOIN "
                  "CNFCARDMES N ON N.CDFILIAL = C.CDFILIAL AND N.CDSERVFILI = '00001' AND "
                  "N.DTREFECNFMES = ? AND N.NRSEQCNFMES = C.NRSEQPRATCAR WHERE C.CDFILIAL = '0001' "
                  "AND C.NRCARDAPIO = ? AND N.IDOPCCNFMES <> 'S' AND N.IDCONCNFMES = 'S')",
                  {nr, DataHora(next_), nr}),
              1);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 20), type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    const int pending = s->Cardapio().AlteracoesPendentes();
    ASSERT_GT(pending, 0);
    QStringList opened;
    host::TModalRunner::TScope scope([&](QDialog& dlg) {
        if (dlg.findChild<packages::TfrmComensEst*>()) {
            opened << "PLA00124";
        } else if (dlg.findChild<TfrmConfigCard*>()) {
            opened << "PLA00119";
        }
        return int(QDialog::Rejected);
    });
    Button(s, "sbtConfig")->click();
    EXPECT_EQ(opened, QStringList{"PLA00124"});
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), pending) << "nothing saved";
}

TEST_F(ConfigLauncher, PendingChangesAreSavedAndTheMonthShowsItsNewPositions) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(Button(s, "sbtConfig")->isEnabled());
    EXPECT_EQ(Action(s, "mnuConfig")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    const int types = GridModel(s)->Pivot().Types().size();
    const QDate d = workingDay("0001", 20);
    goTo(s, d, type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);

    QString header;
    EXPECT_TRUE(run(s, [&](TfrmConfigCard& f) {
        header = f.lblServico->text();
        EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0) << "saved before the screen opened";
        f.sbtIncluir->click();
        chooseType(f, "11");
        presenter_.Answer(host::mrOk);
        f.sbtConfirma->click();
    }));
    EXPECT_TRUE(header.startsWith("Filial 0001, serviço 00001 - Almoço, " +
                                  FormatDateTime("mmmm 'de' yyyy", next_)));
    EXPECT_EQ(GridModel(s)->Pivot().Types().size(), types + 1) << "the month read again";
    EXPECT_TRUE(GridModel(s)->Pivot().Types().at(types - 1).contains("SOPA"));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(ConfigLauncher, CalculatedCostsAreSaidOutOfDateOrRecalculatedAsThePlannerChose) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* bar = Child<QFrame>(s, "panAvisoRecalc");
    EXPECT_TRUE(run(s)) << "before any calculation: nothing to say";
    EXPECT_TRUE(bar->isHidden());
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_TRUE(bar->isHidden());
    EXPECT_TRUE(run(s));
    EXPECT_FALSE(bar->isHidden()) << "the costs may no longer match the positions";
    EXPECT_EQ(Child<QLabel>(s, "lblAvisoRecalc")->text(), s->msgPadrao.Msg("Recalc"));

    // Recalculated with every change: the warning goes with the recalculation.
    Button(s, "sbtCalcularCustos")->click();
    auto* box = Child<QCheckBox>(s, "chbSimultaneo");
    QTest::mouseClick(box, Qt::LeftButton, {},
                      box->rect().center() - QPoint(box->width() / 2 - 6, 0));
    ASSERT_TRUE(box->isChecked());
    goTo(s, workingDay("0001", 12), type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_FALSE(bar->isHidden()) << "a change waiting for its save";
    EXPECT_TRUE(run(s));
    EXPECT_TRUE(bar->isHidden()) << "saved and recalculated";
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(ConfigLauncher, AReloadThatFailsStillSaysTheCostsAreOutOfDate) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* bar = Child<QFrame>(s, "panAvisoRecalc");
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_TRUE(bar->isHidden());
    host_.AnswerNext("GetCardapio", QStringLiteral("Servidor indisponível."));
    EXPECT_TRUE(run(s));
    EXPECT_EQ(presenter_.LastText(), "Servidor indisponível.");
    EXPECT_FALSE(bar->isHidden()) << "the positions may have changed on the server all the same";
    EXPECT_EQ(Child<QLabel>(s, "lblAvisoRecalc")->text(), s->msgPadrao.Msg("Recalc"));
}

// The price-list cost update: the lists marked in the host's list lookup.
class PriceListUpdate : public test::TEditingTest {
protected:
    struct TLookup {
        bool Shown = false;
        QString Title;
        QStringList Numbers;
        QStringList Update; // "Atualizar Custo" as shown
        bool Animation = true;
    };
    // Clicks the command; the lookup marks the rows of the given numbers and is
    // confirmed, or cancelled.
    TLookup run(TfrmCardMens* s, const QStringList& mark, bool confirm = true) {
        TLookup seen;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* lookup = dynamic_cast<host::TLookupDialog*>(&d);
            seen.Shown = lookup != nullptr;
            if (!lookup) {
                return int(QDialog::Rejected);
            }
            seen.Title = lookup->windowTitle();
            seen.Animation = host::WaitAnimationVisible();
            const QAbstractItemModel* m = lookup->View()->model();
            const int last = m->columnCount() - 1;
            EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Nº Lista");
            EXPECT_EQ(m->headerData(last, Qt::Horizontal).toString(), "Atualizar Custo");
            for (int r = 0; r < m->rowCount(); ++r) {
                seen.Numbers << m->index(r, 0).data().toString();
                seen.Update << m->index(r, last).data().toString();
                if (mark.contains(seen.Numbers.last())) {
                    lookup->SetMarked(r, true);
                }
            }
            return confirm ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        presenter_.Clear();
        Button(s, "sbtAtuCusto")->click();
        return seen;
    }
    static QString number(const QDate& month) {
        return QStringLiteral("%1").arg(month.year() * 100 + month.month(), 10, 10,
                                        QLatin1Char('0'));
    }
    QString flag(const QString& branch, const QString& list) {
        return server_.Db()
            .Scalar("SELECT IDATUCUSLIST FROM LISTAPRECO WHERE CDFILIAL = ? AND NRSEQPRELIST = ?",
                    {branch, list})
            .toString();
    }
    // The list's prices that the branch's costs of type 6 hold from its first day.
    int pricesTaken(const QString& branch, const QString& list) {
        return server_.Db()
            .Scalar("SELECT COUNT(*) FROM ITEMLISTAPRECO I JOIN LISTAPRECO L ON L.CDFILIAL = "
                    "I.CDFILIAL AND L.NRSEQPRELIST = I.NRSEQPRELIST JOIN CUSTOPROD C ON "
                    "C.CDFILIAL = ? AND C.NRTIPOCUSTO = 6 AND C.CDPRODUTO = I.CDPRODUTO AND "
                    "C.DTVIGENCIA = L.DTINIVALLIST AND C.VRCUSTUNIT = I.VRPRECO WHERE I.CDFILIAL "
                    "= ? AND I.NRSEQPRELIST = ?",
                    {branch, branch, list})
            .toInt();
    }
    int items(const QString& branch, const QString& list) {
        return server_.Db()
            .Scalar("SELECT COUNT(*) FROM ITEMLISTAPRECO WHERE CDFILIAL = ? AND NRSEQPRELIST = ?",
                    {branch, list})
            .toInt();
    }

    const QString current_ = number(month_);
};

TEST_F(PriceListUpdate, TheMarkedListUpdatesTheBranchsOwnCostsOnce) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(Button(s, "sbtAtuCusto")->isVisibleTo(s)) << "cost type 6";
    EXPECT_EQ(pricesTaken("0001", current_), 0);
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_FALSE(s->Cardapio().AvisoRecalculo);
    const TLookup first = run(s, {current_});
    ASSERT_TRUE(first.Shown);
    EXPECT_EQ(first.Title, "Lista de Preços");
    EXPECT_FALSE(first.Animation) << "the list waits for the planner without the animation";
    ASSERT_FALSE(first.Numbers.isEmpty());
    EXPECT_EQ(first.Numbers.first(), current_) << "newest first";
    EXPECT_EQ(first.Update.first(), "Sim");
    // Every item priced in each of the list's cost types the database knows.
    const int types = server_.Db()
                          .Scalar("SELECT COUNT(*) FROM TIPOCUSTO WHERE NRTIPOCUSTO IN (6, 10, 48)")
                          .toInt();
    EXPECT_EQ(presenter_.Texts(),
              QStringList{QString("Custo atualizado por 1 lista(s) de preços: %1 custo(s) de "
                                  "produto gravado(s).")
                              .arg(items("0001", current_) * types)});
    EXPECT_TRUE(s->Cardapio().AvisoRecalculo) << "the month's figures are out of date";
    // No purchasing central: the branch's own code went, and its own costs changed.
    EXPECT_EQ(flag("0001", current_), "N");
    EXPECT_EQ(pricesTaken("0001", current_), items("0001", current_));
    EXPECT_FALSE(host::WaitAnimationVisible());

    const TLookup second = run(s, {current_});
    EXPECT_EQ(second.Update.first(), "Não (já atualizada)");
    EXPECT_EQ(
        presenter_.LastText(),
        QString("A lista de preços %1 já atualizou o custo: nada foi alterado.").arg(current_));
    EXPECT_FALSE(host::WaitAnimationVisible()) << "hidden on the error too";
}

TEST_F(PriceListUpdate, NothingMarkedCancelledOrNoListChangesNothing) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(run(s, {}).Shown);
    EXPECT_EQ(presenter_.Texts(), QStringList{"Nenhuma lista de preços foi escolhida."});
    EXPECT_TRUE(run(s, {current_}, false).Shown);
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << "cancelled: nothing said";
    EXPECT_EQ(flag("0001", current_), "S");

    server_.Db().Exec("DELETE FROM LISTAPRECO WHERE CDFILIAL = '0001'");
    EXPECT_FALSE(run(s, {current_}).Shown);
    EXPECT_EQ(presenter_.Texts(),
              QStringList{"Não há lista de preços disponibilizada para a central de compras da "
                          "filial informada."});
    EXPECT_FALSE(host::WaitAnimationVisible());
}

TEST_F(PriceListUpdate, ABranchWithAPurchasingCentralTakesTheCentralsLists) {
    server_.Db().Exec("UPDATE FILIAL SET CDFILCENTCMP = '0002' WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const TLookup seen = run(s, {current_});
    ASSERT_TRUE(seen.Shown) << "the central's lists are offered";
    // The central's costs serve all the branches it buys for: the planner of one of them
    // may not write them, and hears so with nothing written.
    EXPECT_EQ(presenter_.Texts(),
              QStringList{"Operador sem acesso aos custos da central de compras 0002."});
    EXPECT_EQ(flag("0002", current_), "S");
    EXPECT_EQ(pricesTaken("0002", current_), 0);
    EXPECT_EQ(flag("0001", current_), "S") << "the branch's own list stays";
    EXPECT_EQ(pricesTaken("0001", current_), 0);
    EXPECT_FALSE(host::WaitAnimationVisible());
}

} // namespace
