#include "core/dates.h"
#include "editing_fixture.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "module/menu_copy/copi_rece.h"
#include "module/menu_copy/copia_prato.h"
#include "module/menu_copy/marca_copia.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest/QTest>
#include <functional>

using namespace pla;
using namespace pla::module;

namespace {

// The copy screen opened from the monthly grid's cell and worked through its controls.
class MenuCopy : public test::TEditingTest {
protected:
    // The grid's label of a dish type by its code.
    static QString typeOf(TfrmCardMens* s, const QString& code) {
        for (const QString& t : test::GridModel(s)->Pivot().Types()) {
            if (t.mid(3, 2) == code) {
                return t;
            }
        }
        return {};
    }
    static int seqOf(TfrmCardMens* s, const QString& label) {
        return s->Cardapio().GetSeqPrat(label.left(3).toInt());
    }
    void setDiners(const QDate& day, double diners) {
        server_.Db().Exec("UPDATE CARDADIA SET QTCOMESTICAR = ? WHERE CDFILIAL = '0001' AND "
                          "CDSERVFILI = '00001' AND DTCARDAPIO = ?",
                          {diners, DataHora(day)});
    }
    void setShare(const QDate& day, int seq, double share) {
        server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = ? WHERE CDFILIAL = '0001' AND "
                          "NRCARDAPIO = ? AND NRSEQPRATCAR = ?",
                          {share, dayNumber("0001", "00001", day), seq});
    }
    // Runs the copy from the current cell: the script fills the screen and the copy
    // button is clicked; `focused` gets the control the screen put the focus on. The
    // answer is whether the screen closed after a copy.
    bool copy(TfrmCardMens* s, const std::function<void(TfrmCopiRece&)>& fill,
              QString* focused = nullptr, bool run = true) {
        bool closed = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmCopiRece*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            fill(*f);
            if (!run) {
                return int(QDialog::Rejected);
            }
            f->sbtImportExport->click();
            if (focused && f->focusWidget()) {
                *focused = f->focusWidget()->objectName();
            }
            closed = f->ModalResult() == host::mrOk;
            return closed ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        s->findChild<QToolButton*>("spbDuplicacao")->click();
        return closed;
    }
    static void except(std::array<QCheckBox*, QtExcecoes>& boxes,
                       std::array<host::TNumberEdit*, QtExcecoes>& edits, TExcecaoDia day,
                       std::optional<double> value) {
        boxes[day]->click();
        edits[day]->clear();
        if (value) {
            QTest::keyClicks(edits[day], QString::number(*value));
        }
    }
    bool holiday(const QDate& d) {
        return server_.Db()
                   .Scalar("SELECT COUNT(*) FROM FERIFILI WHERE CDFILIAL = '0001' AND "
                           "DTFERIFILI = ?",
                           {DataHora(d)})
                   .toInt() > 0;
    }
    static double share(TfrmCardMens* s, const QDate& d, int seq) {
        const auto row = cacheRow(s, d, seq);
        return row ? (*row)["VRPECONSCARD"].toDouble() : -1;
    }
    static QString dish(TfrmCardMens* s, const QDate& d, int seq) {
        const auto row = cacheRow(s, d, seq);
        return row ? (*row)["CDPRATO"].toString().trimmed() : QString();
    }
};

TEST_F(MenuCopy, ChecksStopOnTheFirstValueMissingFocusItAndCopyNothing) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 5), typeOf(s, "03"));
    struct TCase {
        std::function<void(TfrmCopiRece&)> Fill;
        QString Message;
        QString Focus;
    };
    const QList<TCase> cases{
        {[](TfrmCopiRece& f) {
             f.rdbPrato->click();
             f.edtPrato->clear();
         },
         "Comensais do prato devem ser informados.", "edtPrato"},
        {[](TfrmCopiRece& f) {
             f.rdbPrato->click();
             f.edtPrato->SetValue(0);
         },
         "Comensais do prato devem ser maiores que zero.", "edtPrato"},
        // The day's diners need no value; the exceptions are checked in their order.
        {[](TfrmCopiRece& f) {
             except(f.chbExcPrat, f.edtExcPrat, ExcFer, 0);
             except(f.chbExcPrat, f.edtExcPrat, ExcQua, std::nullopt);
         },
         "Exceção (quarta-feira) deve ser informada.", "edtExcQuaPrat"},
        {[](TfrmCopiRece& f) { except(f.chbExcPrat, f.edtExcPrat, ExcFer, 0); },
         "Exceção (feriado) deve ser maior que zero.", "edtExcFerPrat"},
        {[](TfrmCopiRece& f) {
             f.pgcPadrao->setCurrentWidget(f.tshComensais);
             f.edtComensais->clear();
         },
         "Comensais do prato devem ser informados.", "edtComensais"},
    };
    for (const TCase& c : cases) {
        presenter_.Clear();
        QString focus;
        EXPECT_FALSE(copy(s, c.Fill, &focus));
        EXPECT_EQ(presenter_.LastText(), c.Message);
        EXPECT_EQ(focus, c.Focus) << c.Message.toStdString();
    }
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_TRUE(s->sbtConfirmar->isEnabled() == false);
}

TEST_F(MenuCopy, TheScreenStartsFromTheDishAndTheMontage) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QString t = typeOf(s, "03");
    const int seq = seqOf(s, t);
    setDiners(a, 600);
    setShare(a, seq, 33.3);
    ASSERT_TRUE(s->close());
    settle();
    s = open("0001", "00001", next_);
    goTo(s, a, t);
    const auto entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry);
    for (int mode : {0, 2, 1}) {
        s->Cardapio().TipoMontagem = mode == 1 ? 1 : 0;
        s->Cardapio().Arredondar = mode == 2;
        copy(
            s,
            [&](TfrmCopiRece& f) {
                EXPECT_EQ(f.edtNmPrato->text(), entry->Dish());
                EXPECT_FALSE(f.edtPrato->isEnabled()) << "the day's diners are chosen";
                EXPECT_FALSE(f.edtExcPrat[ExcSeg]->isEnabled());
                f.chbExcPrat[ExcSeg]->click();
                EXPECT_TRUE(f.edtExcPrat[ExcSeg]->isEnabled());
                // 33.3 % of 600 diners: 199.8 diners, 200 rounded, or the percentage.
                const double expected = mode == 0 ? 199.8 : mode == 2 ? 200 : 33.3;
                EXPECT_DOUBLE_EQ(f.edtPrato->Value(), expected) << mode;
                EXPECT_EQ(f.edtPrato->Decimals(), mode == 0 ? 3 : mode == 2 ? 0 : 2);
                EXPECT_EQ(f.edtExcPrat[ExcFer]->text(), f.edtPrato->text());
                EXPECT_EQ(f.edtComensais->Decimals(), f.edtPrato->Decimals());
                EXPECT_EQ(f.rdbPrato->text(),
                          mode == 1 ? "Consumo do Prato (%)" : "Comensais do Prato");
                EXPECT_EQ(f.pgcPadrao->tabText(1), mode == 1 ? "Consumo" : "Comensais");
                EXPECT_EQ(f.chbExcPrat[ExcSab]->text(),
                          mode == 1 ? "Exceção (sábados) (%)" : "Exceção (sábados)");
                // A minus sign and a ninth integer digit are refused.
                f.pgcPadrao->setCurrentWidget(f.tshComensais);
                f.edtComensais->clear();
                QTest::keyClicks(f.edtComensais, "-123456789");
                EXPECT_EQ(f.edtComensais->text(), "12345678");
            },
            nullptr, false);
    }
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
}

TEST_F(MenuCopy, TheDishGoesToEveryPermittedDayWithItsWeekdayValues) {
    blockFirstDays("0001");
    TfrmCardMens* s0 = open("0001", "00001", next_);
    ASSERT_NE(s0, nullptr);
    const QString t = typeOf(s0, "03");
    const int seq = seqOf(s0, t);
    const QDate source = workingDay("0001", 5);
    // A working Tuesday after the source without a record, created by the copy.
    QDate fresh = source.addDays(1);
    while (fresh.dayOfWeek() != 2 || holiday(fresh)) {
        fresh = fresh.addDays(1);
    }
    ASSERT_EQ(fresh.month(), next_.month());
    dropDay("0001", "00001", fresh);
    ASSERT_TRUE(s0->close());
    settle();
    TfrmCardMens* s = open("0001", "00001", next_);
    goTo(s, source, t);
    const QString code = s->Cardapio().EntradaCelula()->Code;
    const QDate blocked = next_; // before the first changeable day
    const QString blockedDish = dish(s, blocked, seq);
    QMap<QDate, QString> before;
    for (QDate d = next_; d.month() == next_.month(); d = d.addDays(1)) {
        before.insert(d, dish(s, d, seq));
    }
    presenter_.Answer(host::mrOk);
    ASSERT_TRUE(copy(s, [](TfrmCopiRece& f) {
        EXPECT_TRUE(f.chbSobrepor->isChecked());
        // Mondays at a quarter of the day's diners, Wednesdays at half; a ticked box of
        // the page not in use counts for nothing.
        except(f.chbExcPrat, f.edtExcPrat, ExcSeg, 205);
        except(f.chbExcPrat, f.edtExcPrat, ExcQua, 410);
        except(f.chbExcCom, f.edtExcCom, ExcTer, std::nullopt);
    })) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(presenter_.LastText(), "Cópia concluída com êxito.");

    EXPECT_EQ(dish(s, blocked, seq), blockedDish) << "a blocked day is never changed";
    int copied = 0;
    for (QDate d = next_.addDays(3); d.month() == next_.month(); d = d.addDays(1)) {
        const double diners = s->Cardapio().comensaisDia(d);
        if (holiday(d) || d.dayOfWeek() == 7) {
            EXPECT_EQ(dish(s, d, seq), before[d])
                << "nothing copied on " << d.toString().toStdString();
            continue;
        }
        ASSERT_EQ(dish(s, d, seq), code) << d.toString().toStdString();
        ++copied;
        const double expected = d.dayOfWeek() == 1   ? 205 * 100.0 / diners
                                : d.dayOfWeek() == 3 ? 410 * 100.0 / diners
                                                     : 100.0;
        EXPECT_NEAR(share(s, d, seq), expected, 1e-9) << d.toString().toStdString();
    }
    EXPECT_GT(copied, 15);
    // The day created on the server has its number and its weekday's diners.
    const QString nr = dayNumber("0001", "00001", fresh);
    EXPECT_EQ(nr.size(), 10);
    EXPECT_EQ(cacheRow(s, fresh, seq).value()["NRCARDAPIO"].toString().trimmed(), nr);
    EXPECT_DOUBLE_EQ(s->Cardapio().comensaisDia(fresh), 820);

    // Saved: the server holds what the copy put, day by day.
    s->sbtConfirmar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    for (QDate d = next_; d.month() == next_.month(); d = d.addDays(1)) {
        const auto row = cacheRow(s, d, seq);
        const QVariant stored = server_.Db().Scalar(
            "SELECT CDPRATO FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
            "NRSEQPRATCAR = ?",
            {dayNumber("0001", "00001", d), seq});
        EXPECT_EQ(stored.toString().trimmed(),
                  row ? (*row)["CDPRATO"].toString().trimmed() : QString())
            << d.toString().toStdString();
    }
}

TEST_F(MenuCopy, TypedDinersBecomeEachDaysShareAndOverwriteOffKeepsOtherDishes) {
    TfrmCardMens* s0 = open("0001", "00001", next_);
    ASSERT_NE(s0, nullptr);
    const QString t = typeOf(s0, "03");
    const int seq = seqOf(s0, t);
    ASSERT_TRUE(s0->close());
    settle();
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    setDiners(a, 600);
    setShare(a, seq, 50);
    // A day of 750 diners with nothing in the position.
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                      "NRSEQPRATCAR = ?",
                      {dayNumber("0001", "00001", b), seq});
    setDiners(b, 750);
    TfrmCardMens* s = open("0001", "00001", next_);
    goTo(s, a, t);
    const QString code = s->Cardapio().EntradaCelula()->Code;
    QMap<QDate, QString> before;
    for (QDate d = next_; d.month() == next_.month(); d = d.addDays(1)) {
        before.insert(d, dish(s, d, seq));
    }
    presenter_.Answer(host::mrOk);
    ASSERT_TRUE(copy(s, [](TfrmCopiRece& f) {
        f.rdbPrato->click();
        EXPECT_DOUBLE_EQ(f.edtPrato->Value(), 300);
        f.chbSobrepor->click();
    }));
    int kept = 0;
    for (QDate d = next_; d.month() == next_.month(); d = d.addDays(1)) {
        if (!before[d].isEmpty()) {
            kept += before[d] != code;
            EXPECT_EQ(dish(s, d, seq), before[d]) << "kept on " << d.toString().toStdString();
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_EQ(dish(s, b, seq), code);
    EXPECT_NEAR(share(s, b, seq), 40.0, 1e-9) << "300 of 750 diners";
}

TEST_F(MenuCopy, TheDinersPageRewritesOnlyTheDaysThatHoldTheDishInEachMode) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString t = typeOf(s, "03");
    const int seq = seqOf(s, t);
    const QDate a = workingDay("0001", 5);
    goTo(s, a, t);
    const QString code = s->Cardapio().EntradaCelula()->Code;
    struct TMode {
        int Montagem;
        bool Arredondar;
        double Typed;
    };
    for (const TMode& m : {TMode{0, false, 82}, TMode{1, false, 12.5}, TMode{0, true, 41}}) {
        s->Cardapio().TipoMontagem = m.Montagem;
        s->Cardapio().Arredondar = m.Arredondar;
        QMap<QDate, QString> before;
        for (QDate d = next_; d.month() == next_.month(); d = d.addDays(1)) {
            before.insert(d, dish(s, d, seq));
        }
        presenter_.Answer(host::mrOk);
        ASSERT_TRUE(copy(s, [&](TfrmCopiRece& f) {
            f.pgcPadrao->setCurrentWidget(f.tshComensais);
            f.edtComensais->SetValue(m.Typed);
        })) << presenter_.Texts().join(" | ").toStdString();
        for (QDate d = s->Cardapio().PrimeiroDiaEditavel(); d.month() == next_.month();
             d = d.addDays(1)) {
            EXPECT_EQ(dish(s, d, seq), before[d]) << "no dish moves";
            if (before[d].isEmpty() || holiday(d)) {
                continue;
            }
            const double diners = s->Cardapio().comensaisDia(d);
            const double expected = m.Montagem == 1 ? m.Typed : m.Typed * 100.0 / diners;
            EXPECT_NEAR(share(s, d, seq), expected, 1e-9) << d.toString().toStdString();
        }
        s->Cardapio().DescartaAlteracoes();
    }
    EXPECT_FALSE(code.isEmpty());
}

TEST_F(MenuCopy, ADayWhoseDishTypeWouldFeedMoreThanItsDinersIsListedAndLeft) {
    // A second compulsory, counted position of the main course's type holds 30 % of one
    // day: the whole day's diners cannot also take the copied dish there.
    const QDate month = next_;
    const QVariant ref = DataHora(month);
    server_.Db().Exec("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, NRSEQCNFMES, DTREFECNFMES, "
                      "CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, IDCONCNFMES) SELECT "
                      "CDFILIAL, CDSERVFILI, 99, DTREFECNFMES, CDTIPOPRAT, 'N', 'S', 995, 'S' "
                      "FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND "
                      "DTREFECNFMES = ? AND CDTIPOPRAT = '03'",
                      {ref});
    ASSERT_GT(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND "
                          "NRSEQCNFMES = 99")
                  .toInt(),
              0);
    const QDate c = workingDay("0001", 12);
    const QString nr = dayNumber("0001", "00001", c);
    server_.Db().Exec("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, NRORDPRATCAR, "
                      "CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE) SELECT CDFILIAL, "
                      "NRCARDAPIO, 99, 995, CDFILAUXPRAT, CDPRATO, 30, 'N' FROM COMPCARD WHERE "
                      "CDFILIAL = '0001' AND NRCARDAPIO = ? AND NRSEQPRATCAR = (SELECT "
                      "MIN(NRSEQCNFMES) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI "
                      "= '00001' AND CDTIPOPRAT = '03')",
                      {nr});
    server_.Db().Exec("UPDATE COMPCARD SET VRPECONSCARD = 60 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR <> 99 AND NRSEQPRATCAR = (SELECT "
                      "MIN(NRSEQCNFMES) FROM CNFCARDMES WHERE CDFILIAL = '0001' AND CDSERVFILI "
                      "= '00001' AND CDTIPOPRAT = '03')",
                      {nr});
    ASSERT_GT(server_.Db()
                  .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND "
                          "NRSEQPRATCAR = 99")
                  .toInt(),
              0);
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString t = typeOf(s, "03");
    const int seq = seqOf(s, t);
    const QDate a = workingDay("0001", 5);
    goTo(s, a, t);
    const QString code = s->Cardapio().EntradaCelula()->Code;
    const QString kept = dish(s, c, seq);
    ASSERT_NE(kept, code);
    ASSERT_TRUE(copy(s, [](TfrmCopiRece&) {}));
    ASSERT_FALSE(presenter_.Shown().isEmpty());
    const auto& shown = presenter_.Shown().last();
    EXPECT_EQ(shown.Text, "Cópia concluída, com advertências.");
    EXPECT_TRUE(shown.Detail.startsWith("Para alguns dias, os pratos não foram copiados"));
    EXPECT_TRUE(shown.Detail.contains(FormatDateTime("dd/mm/yyyy", c)));
    EXPECT_EQ(dish(s, c, seq), kept) << "the day keeps its dish";
    EXPECT_EQ(dish(s, workingDay("0001", c.day() + 1), seq), code);
}

TEST_F(MenuCopy, AnUnrevisedRecipeOrAFailingDayLeavesTheMonthAsItWas) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QString t = typeOf(s, "03");
    const QDate a = workingDay("0001", 5);
    goTo(s, a, t);
    const QString code = s->Cardapio().EntradaCelula()->Code;
    const QStringList grid = texts(s);

    server_.Db().Exec("UPDATE PRATO SET IDRECEREVI = 'N' WHERE CDPRATO = ?", {code});
    EXPECT_FALSE(copy(s, [](TfrmCopiRece&) {}));
    EXPECT_EQ(presenter_.LastText(), "Operação bloqueada. Prato não possui receita revisada.");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    server_.Db().Exec("UPDATE PRATO SET IDRECEREVI = 'S' WHERE CDPRATO = ?", {code});

    // The server refuses to create a day late in the month: the copy is undone.
    const QDate late = workingDay("0001", 17);
    dropDay("0001", "00001", late);
    ASSERT_TRUE(s->close());
    settle();
    s = open("0001", "00001", next_);
    goTo(s, a, t);
    const QStringList reopened = texts(s);
    host_.AnswerNext("UpdateCache", QStringLiteral("Falhou: servidor indisponível"));
    presenter_.Clear();
    EXPECT_FALSE(copy(s, [](TfrmCopiRece&) {}));
    EXPECT_EQ(presenter_.LastText(),
              QString("A cópia parou no dia %1 e foi desfeita; nenhum prato foi alterado. "
                      "Motivo: Falhou: servidor indisponível")
                  .arg(FormatDateTime("dd/mm/yyyy", late)));
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_EQ(texts(s), reopened);
    EXPECT_FALSE(grid.isEmpty());
}

TEST_F(MenuCopy, TheLauncherRefusesACellWithoutDinersOrDish) {
    TfrmCardMens* s0 = open("0001", "00001", next_);
    ASSERT_NE(s0, nullptr);
    const QString t = typeOf(s0, "03");
    const QDate a = workingDay("0001", 5);
    setShare(a, seqOf(s0, t), 0);
    ASSERT_TRUE(s0->close());
    settle();
    TfrmCardMens* s = open("0001", "00001", next_);
    goTo(s, a, t);
    bool opened = false;
    host::TModalRunner::TScope scope([&](QDialog&) {
        opened = true;
        return int(QDialog::Rejected);
    });
    s->findChild<QToolButton*>("spbDuplicacao")->click();
    EXPECT_FALSE(opened);
    EXPECT_EQ(presenter_.LastText(), "Número de comensais do prato deve ser maior do que zero.");
    s->Cardapio().TipoMontagem = 1;
    s->findChild<QToolButton*>("spbDuplicacao")->click();
    EXPECT_EQ(presenter_.LastText(), "Percentual de consumo do prato deve ser maior do que zero.");
    // A cell without a dish opens nothing and says nothing.
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ? AND "
                      "NRSEQPRATCAR = ?",
                      {dayNumber("0001", "00001", a), seqOf(s, t)});
    ASSERT_TRUE(s->close());
    settle();
    s = open("0001", "00001", next_);
    goTo(s, a, t);
    ASSERT_FALSE(s->Cardapio().EntradaCelula());
    presenter_.Clear();
    s->findChild<QToolButton*>("spbDuplicacao")->click();
    s->Cardapio().CopiaPratoComensais();
    EXPECT_TRUE(presenter_.Texts().isEmpty());
    EXPECT_FALSE(opened);
}

// The mark of a copied dish by the menu's type and who copies it.
TEST(CopyMarks, FollowTheMenuTypeTheOperatorAndTheCentralDish) {
    const TDishRef dish{"0000000010", "0001"};
    const TDishRef other{"0000000020", "0001"};
    const auto mark = [&](QChar type, bool central, bool group, bool release, bool flag, QChar op,
                          const TPratosDoDia& d, const QString& keep = "N") {
        TContextoMarcaCopia ctx;
        ctx.Parametros.TipoCardapio = type;
        ctx.Parametros.FilialCentral = central;
        ctx.Parametros.OperadorGrupo = group;
        ctx.Parametros.TipoOperador = op;
        ctx.Parametros.IdManCorCardAlt = keep;
        ctx.DependeLiberacao = release;
        ctx.CardapioCentral = flag;
        return MarcaCopia(ctx, dish, d);
    };
    EXPECT_EQ(mark('N', true, true, false, true, 'M', {}).Marca, QChar('N'));
    EXPECT_EQ(mark('S', false, false, false, false, 'F', {}).Marca, QChar('N'));
    EXPECT_EQ(mark('S', true, true, false, false, 'M', {}).Marca, QChar('R'));
    const TMarcaCopia s = mark('S', true, false, false, false, 'F', {{}, {}, other});
    EXPECT_EQ(s.Marca, QChar('S'));
    EXPECT_EQ(s.Central, other) << "the replaced row's central dish is kept";
    EXPECT_EQ(mark('D', false, false, false, true, 'F', {other, {}, {}}).Marca, QChar('N'));
    EXPECT_EQ(mark('D', false, false, true, false, 'F', {other, {}, {}}).Marca, QChar('N'));
    const TMarcaCopia d = mark('D', false, false, true, true, 'F', {other, {}, {}});
    EXPECT_EQ(d.Marca, QChar('S'));
    EXPECT_EQ(d.Central, other);
    EXPECT_EQ(mark('D', false, false, true, true, 'M', {other, {}, {}}).Marca, QChar('R'));
    EXPECT_EQ(mark('D', false, false, true, true, 'F', {dish, {}, {}}).Marca, QChar('N'))
        << "the central dish itself, its mark not kept";
    EXPECT_EQ(mark('D', false, false, true, true, 'F', {dish, {}, {}}, "S").Marca, QChar('S'));
    const TMarcaCopia removed = mark('D', false, false, true, true, 'M', {{}, other, {}});
    EXPECT_EQ(removed.Marca, QChar('R'));
    EXPECT_EQ(removed.Central, other);
    const TMarcaCopia free = mark('D', false, false, true, true, 'M', {});
    EXPECT_EQ(free.Marca, QChar('R'));
    EXPECT_TRUE(free.Central.Empty());
}

} // namespace
