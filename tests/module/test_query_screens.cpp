// The nutrients of a day (PLA00105), the dish types brought from another month or
// service (PLA00121) and the branch's history (PLA08800): their screens worked as a
// planner works them, and the monthly screen's commands that open them, against the
// in-process server over the demonstration.
#include "core/dates.h"
#include "core/reference.h"
#include "editing_fixture.h"
#include "host/busy_scopes.h"
#include "host/modal_runner.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "packages/branch_history.h"
#include "packages/diners_by_type.h"
#include "packages/dish_type_import.h"
#include "packages/nutrients.h"

#include <QBarSet>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLineSeries>
#include <QSqlQuery>
#include <QTableView>
#include <QtTest/QTest>
#include <functional>
#include <optional>

using namespace pla;
using module::TfrmCardMens;
using packages::TfrmHistFilial;
using packages::TfrmImpTipoPrat;
using packages::TfrmNutriCard;

namespace {

class QueryScreens : public test::TEditingTest {
protected:
    explicit QueryScreens(const QString& op = QStringLiteral("NUTRI1"))
        : TEditingTest(op) {}
    using TEditingTest::key;
    // The screen of a code answered by a stand-in that keeps its arguments.
    QList<QVariantList>& capture(const QString& code) {
        host::Host().RegisterScreen(code, [this](const QVariantList& p) { opened_.append(p); });
        return opened_;
    }
    // A counted dish of a day of next month's lunch feeds half as many diners again as
    // the day has, so that the dish types' check holds the pending changes back.
    void overfeed(const QDate& d) {
        const QString nr = dayNumber("0001", "00001", d);
        ASSERT_EQ(server_.Db().ExecCount(
                      "UPDATE COMPCARD SET VRPECONSCARD = 150 WHERE CDFILIAL = '0001' AND "
                      "NRCARDAPIO = ? AND NRSEQPRATCAR = (SELECT MIN(C.NRSEQPRATCAR) FROM "
                      "COMPCARD C JOIN CNFCARDMES N ON N.CDFILIAL = C.CDFILIAL AND N.CDSERVFILI "
                      "= '00001' AND N.DTREFECNFMES = ? AND N.NRSEQCNFMES = C.NRSEQPRATCAR "
                      "WHERE C.CDFILIAL = '0001' AND C.NRCARDAPIO = ? AND N.IDOPCCNFMES <> 'S' "
                      "AND N.IDCONCNFMES = 'S')",
                      {nr, DataHora(next_), nr}),
                  1);
    }
    // A pending removal on the monthly screen.
    void removeADish(TfrmCardMens* s, int day) {
        goTo(s, workingDay("0001", day), type(s, 1));
        presenter_.Answer(host::mrYes);
        key(s, Qt::Key_Delete);
        ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    }
    QStringList positions(const QDate& month) {
        QSqlQuery q = server_.Db().Exec(
            "SELECT NRORDCNFMES, CDTIPOPRAT FROM CNFCARDMES WHERE CDFILIAL = '0001' AND "
            "CDSERVFILI = '00001' AND DTREFECNFMES = ? ORDER BY NRORDCNFMES",
            {DataHora(month)});
        QStringList out;
        while (q.next()) {
            out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString().trimmed();
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
    static int rowOf(TfrmImpTipoPrat& f, int order) {
        for (int r = 0; r < f.dbgTipos->model()->rowCount(); ++r) {
            if (f.cdsLinhas->ViewValue(r, f.cdsLinhas->FieldByName("NRORDCNFMES").Index())
                    .toInt() == order) {
                return r;
            }
        }
        return -1;
    }
    // The breakfast of next month chosen as the origin.
    static void chooseBreakfast(TfrmImpTipoPrat& f) {
        f.cbbServico->setCurrentIndex(f.cbbServico->findData("00003"));
        ASSERT_EQ(f.ServicoOrigem(), "00003");
        f.cbbMes->setCurrentIndex(f.cbbMes->findData(PriDiaMes(Hoje()).addMonths(1)));
        ASSERT_EQ(f.MesOrigem(), PriDiaMes(Hoje()).addMonths(1));
    }

    QList<QVariantList> opened_;
};

// --- the nutrients -------------------------------------------------------------------

TEST_F(QueryScreens, TheNutrientQueryGetsTheCellsDayAndDishWithoutItsMark) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 10);
    goTo(s, d, type(s, 2));
    const std::optional<module::TDishLine> entry = s->Cardapio().EntradaCelula();
    ASSERT_TRUE(entry.has_value());
    ASSERT_FALSE(entry->Name.isEmpty());
    QList<QVariantList>& seen = capture("PLA00105");
    EXPECT_EQ(Action(s, "mnuConsNutri")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    Button(s, "spbNutrientes")->click();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0], (QVariantList{"0001", "00001", "XXXX", DataHora(d), entry->Code.trimmed(),
                                     entry->Name.mid(1).trimmed()}))
        << "the name without its origin mark";
    // The menu entry does the same.
    Action(s, "mnuConsNutri")->trigger();
    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(seen.value(1), seen[0]);
}

TEST_F(QueryScreens, PendingChangesAreSavedFirstAndAnEmptyCellPassesEmptyTexts) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    const QDate d = workingDay("0001", 12);
    goTo(s, d, type(s, 1));
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    ASSERT_FALSE(s->Cardapio().EntradaCelula().has_value()) << "the cell is empty now";
    int pendingWhenOpened = -1;
    host::Host().RegisterScreen("PLA00105", [&](const QVariantList& p) {
        pendingWhenOpened = s->Cardapio().AlteracoesPendentes();
        opened_.append(p);
    });
    Button(s, "spbNutrientes")->click();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(pendingWhenOpened, 0) << "saved as the confirm button saves";
    EXPECT_EQ(opened_[0][4].toString(), "");
    EXPECT_EQ(opened_[0][5].toString(), "");
    EXPECT_EQ(opened_[0][3].toDateTime().date(), d);
    EXPECT_FALSE(Button(s, "sbtConfirmar")->isEnabled());
}

TEST_F(QueryScreens, DishTypesOverTheirDinersShowTheirScreenInsteadOfTheNutrients) {
    overfeed(workingDay("0001", 15));
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    removeADish(s, 20);
    const int pending = s->Cardapio().AlteracoesPendentes();
    QStringList shown;
    host::TModalRunner::TScope scope([&](QDialog& dlg) {
        shown << (dlg.findChild<packages::TfrmComensEst*>() ? "PLA00124" : dlg.objectName());
        return int(QDialog::Rejected);
    });
    QList<QVariantList>& seen = capture("PLA00105");
    Button(s, "spbNutrientes")->click();
    EXPECT_EQ(shown, QStringList{"PLA00124"});
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), pending) << "nothing saved";
}

// The school's nutrients, read by the operator of the school network.
class SchoolNutrients : public QueryScreens {
protected:
    SchoolNutrients()
        : QueryScreens(QStringLiteral("GRUPO1")) {}

    // Grams in one unit of a product as the recipes count it: what the product says one
    // unit weighs, else a kilogram or a litre is 1000 g, a gram or a millilitre 1 g;
    // nothing for a unit that cannot be weighed.
    static std::optional<double> grams(const QString& unit, const QVariant& perUnit) {
        if (!perUnit.isNull() && perUnit.toDouble() > 0) {
            return perUnit.toDouble();
        }
        const QString u = unit.trimmed().toUpper();
        if (u == "KG" || u == "L") {
            return 1000.0;
        }
        if (u == "G" || u == "ML") {
            return 1.0;
        }
        return std::nullopt;
    }
    // Each dish's nutrients in one serving, by hand from its recipe and the products'
    // composition: dish -> nutrient -> quantity; and each dish's share of the day.
    struct TDay {
        QHash<QString, QHash<QString, double>> PerServing;
        QHash<QString, double> Share;
    };
    TDay byHand(const QString& nr) {
        TDay out;
        QSqlQuery q = server_.Db().Exec(
            "SELECT C.CDPRATO, NP.CDNUTRIENTE, C.VRPECONSCARD, R.QTPERCAPITA, PR.SGUNIDADE, "
            "PR.QTGRAMAUNID, NP.QTNUTRI100 FROM COMPCARD C JOIN RECEITA R ON R.CDFILAUXPRAT = "
            "C.CDFILAUXPRAT AND R.CDPRATO = C.CDPRATO JOIN PRODUTO PR ON PR.CDPRODUTO = "
            "R.CDPRODUTO JOIN NUTRIPROD NP ON NP.CDPRODUTO = R.CDPRODUTO WHERE C.CDFILIAL = "
            "'0004' AND C.NRCARDAPIO = ?",
            {nr});
        while (q.next()) {
            const QString dish = q.value(0).toString().trimmed();
            out.Share[dish] = q.value(2).toDouble();
            const std::optional<double> g = grams(q.value(4).toString(), q.value(5));
            if (!g) {
                continue; // a product that cannot be weighed counts for nothing
            }
            out.PerServing[dish][q.value(1).toString().trimmed()] +=
                q.value(3).toDouble() * *g / 100 * q.value(6).toDouble();
        }
        return out;
    }
};

// A school day: its totals worked out by hand from the recipes and compositions stored,
// each dish weighed by its share of the day's diners, and one dish's serving.
TEST_F(SchoolNutrients, TheNutrientScreenShowsTheSchoolDayAgainstItsReference) {
    const QDate d = server_.Served("0004", "00002", next_, 8);
    ASSERT_TRUE(d.isValid());
    const QString nr = dayNumber("0004", "00002", d);
    const TDay day = byHand(nr);
    QHash<QString, double> total;
    for (auto dish = day.PerServing.cbegin(); dish != day.PerServing.cend(); ++dish) {
        for (auto n = dish->cbegin(); n != dish->cend(); ++n) {
            total[n.key()] += day.Share.value(dish.key()) / 100 * n.value();
        }
    }
    ASSERT_GT(total.value("ENER"), 0);
    QString code, name;
    {
        QSqlQuery q = server_.Db().Exec(
            "SELECT C.CDPRATO, P.NMPRATO FROM COMPCARD C JOIN PRATO P ON P.CDFILAUXPRAT = "
            "C.CDFILAUXPRAT AND P.CDPRATO = C.CDPRATO WHERE C.CDFILIAL = '0004' AND "
            "C.NRCARDAPIO = ? ORDER BY C.NRSEQPRATCAR",
            {nr});
        ASSERT_TRUE(q.next());
        code = q.value(0).toString().trimmed();
        name = q.value(1).toString().trimmed();
    }
    ASSERT_FALSE(day.PerServing.value(code).isEmpty()) << "the dish's recipe is composed";
    TfrmNutriCard f({"0004", "00002", "XXXX", DataHora(d), code, name});
    f.show();
    EXPECT_EQ(f.ScreenCode(), "PLA00105");
    EXPECT_EQ(f.HelpContext(), 12300105);
    EXPECT_TRUE(f.lblPrato->text().contains(name));
    EXPECT_TRUE(f.lblReferencia->text().contains("Escolar"));
    EXPECT_EQ(f.lblSemComposicao->isHidden(), true);
    EXPECT_EQ(f.Escolha(), "XXXX");
    EXPECT_EQ(f.cbbNutriente->count(), 7) << "every nutrient, and all of them";
    ASSERT_EQ(f.cdsNutrientes->RecordCount(), 6);
    for (f.cdsNutrientes->First(); !f.cdsNutrientes->Eof(); f.cdsNutrientes->Next()) {
        const QString n = f.cdsNutrientes->FieldByName("CDNUTRIENTE").AsString();
        const double dayTotal = f.cdsNutrientes->FieldByName("QTDIA").AsFloat();
        EXPECT_NEAR(dayTotal, total.value(n), 0.051) << n.toStdString();
        // One serving of the cell's dish, whatever its share of the day.
        EXPECT_NEAR(f.cdsNutrientes->FieldByName("QTPRATO").AsFloat(),
                    day.PerServing.value(code).value(n), 0.051)
            << n.toStdString();
        const QVariant min = f.cdsNutrientes->FieldByName("QTMINNUTRI").Value();
        const QVariant max = f.cdsNutrientes->FieldByName("QTMAXNUTRI").Value();
        const QString expected = !min.isNull() && dayTotal < min.toDouble()   ? "Abaixo"
                                 : !max.isNull() && dayTotal > max.toDouble() ? "Acima"
                                                                              : "Adequado";
        EXPECT_EQ(f.cdsNutrientes->FieldByName("DSSITUACAO").AsString(), expected)
            << n.toStdString();
    }
    const QAbstractItemModel* m = f.dbgNutrientes->model();
    QStringList headings;
    for (int c = 0; c < m->columnCount(); ++c) {
        headings << m->headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(headings, QStringList({"Nutriente", "Unidade", "Prato (porção)", "Total do dia",
                                     "Mínimo", "Máximo", "Situação"}));
    EXPECT_EQ(m->index(0, 0).data().toString(), "Energia");
    EXPECT_GT(f.cdsPratosDia->RecordCount(), 3);
    EXPECT_TRUE(f.cdsPratosDia->FindField("ENER")) << "a column per nutrient";
    EXPECT_EQ(f.cdsPratosDia->FieldByName("ENER").DisplayLabel(), "Energia (kcal)");
    // The day's dishes, each with its own serving.
    int rows = 0;
    for (f.cdsPratosDia->First(); !f.cdsPratosDia->Eof(); f.cdsPratosDia->Next()) {
        const QString dish = f.cdsPratosDia->FieldByName("CDPRATO").AsString().trimmed();
        EXPECT_NEAR(f.cdsPratosDia->FieldByName("ENER").AsFloat(),
                    day.PerServing.value(dish).value("ENER"), 0.051)
            << dish.toStdString();
        ++rows;
    }
    EXPECT_EQ(rows, f.cdsPratosDia->RecordCount());

    // Sodium alone.
    f.cbbNutriente->setCurrentIndex(f.cbbNutriente->findData("SODI"));
    EXPECT_EQ(f.Escolha(), "SODI");
    ASSERT_EQ(f.cdsNutrientes->RecordCount(), 1);
    EXPECT_NEAR(f.cdsNutrientes->FieldByName("QTDIA").AsFloat(), total.value("SODI"), 0.051);
    EXPECT_NEAR(f.cdsNutrientes->FieldByName("QTPRATO").AsFloat(),
                day.PerServing.value(code).value("SODI"), 0.051);
    EXPECT_FALSE(f.cdsPratosDia->FindField("ENER"));
    EXPECT_EQ(TfrmNutriCard::TextoSituacao("N"), "Sem referência");
}

TEST_F(SchoolNutrients, AnAnswerThatCannotBeReadLeavesTheDaysDishesAsTheyWere) {
    const QDate d = server_.Served("0004", "00002", next_, 8);
    ASSERT_TRUE(d.isValid());
    TfrmNutriCard f({"0004", "00002", "XXXX", DataHora(d), QString(), QString()});
    f.show();
    const TMemTable* before = f.cdsPratosDia;
    const int rows = before->RecordCount();
    ASSERT_GT(rows, 0);
    // The day's dishes without one of their columns.
    TDataPacket dishes = f.cdsPratosDia->Data();
    const int order = dishes.FieldIndex("NRORDCNFMES");
    ASSERT_GE(order, 0);
    dishes.Fields.removeAt(order);
    for (TPacketRow& r : dishes.Rows) {
        r.Values.removeAt(order);
    }
    QVariantList answer;
    answer << FromDataPacket(f.cdsNutrientes->Data()) << FromDataPacket(dishes)
           << QStringLiteral("Referência") << QString();
    host_.AnswerNext("GetNutriCard", answer);
    presenter_.Clear();
    EXPECT_FALSE(host::RunHandler([&f] { f.Carrega(); }));
    EXPECT_FALSE(presenter_.Shown().isEmpty());
    EXPECT_EQ(f.cdsPratosDia, before) << "the last answer stays";
    EXPECT_EQ(f.cdsPratosDia->RecordCount(), rows);
    EXPECT_EQ(f.findChildren<TMemTable*>("cdsPratosDia").size(), 1) << "nothing left behind";
}

TEST_F(SchoolNutrients, AnUnknownNutrientIsRefusedWithTheServersReason) {
    const QDate d = server_.Served("0004", "00002", next_, 8);
    try {
        TfrmNutriCard f({"0004", "00002", "ABCD", DataHora(d), QString(), QString()});
        ADD_FAILURE() << "opened";
    } catch (const EPlaError& e) {
        EXPECT_EQ(e.message(), "Nutriente ABCD não cadastrado.");
    }
    EXPECT_THROW(TfrmNutriCard({"0004", "", "XXXX", DataHora(d), QString(), QString()}), EPlaError);
}

// --- the dish types brought in ------------------------------------------------------

TEST_F(QueryScreens, TheImportOffersTheBranchsMonthsAndMarksWhatCanBeBrought) {
    const TReference done(false);
    TfrmImpTipoPrat f({"0001", "00001", DataHora(next_), done.AsVariant()});
    f.show();
    EXPECT_EQ(f.HelpContext(), 12300121);
    EXPECT_TRUE(f.lblDestino->text().contains("Almoço"));
    // The lunch's own latest other month first: the same types, nothing to mark.
    EXPECT_EQ(f.ServicoOrigem(), "00001");
    EXPECT_EQ(f.MesOrigem(), month_);
    EXPECT_EQ(f.dbgTipos->model()->rowCount(), 10);
    EXPECT_TRUE(f.Marcadas().isEmpty());
    EXPECT_EQ(f.cbbServico->count(), 3);

    chooseBreakfast(f);
    EXPECT_EQ(f.Marcadas(), (QSet<int>{10, 20, 30})) << "what can be brought";
    const int r = rowOf(f, 40);
    ASSERT_GE(r, 0);
    const QModelIndex mark = f.dbgTipos->model()->index(r, 0);
    EXPECT_EQ(mark.data(Qt::CheckStateRole).toInt(), Qt::Unchecked) << "a removal waits";
    // The planner marks the removal by its check, and unmarks the rice.
    f.dbgTipos->model()->setData(mark, Qt::Checked, Qt::CheckStateRole);
    EXPECT_TRUE(f.Marcadas().contains(40));
    f.MarcaLinha(rowOf(f, 10));
    EXPECT_FALSE(f.Marcadas().contains(10));
    // Space on the current line marks it again.
    f.dbgTipos->setFocus();
    f.dbgTipos->setCurrentIndex(f.dbgTipos->model()->index(rowOf(f, 10), 0));
    QTest::keyClick(f.dbgTipos, Qt::Key_Space);
    EXPECT_TRUE(f.Marcadas().contains(10));
    EXPECT_TRUE(f.dbgTipos->model()->index(r, 5).data().toString().contains("excluída"));
    EXPECT_FALSE(done.Get().toBool());
}

TEST_F(QueryScreens, ARefusedLineCannotBeMarkedAndTheImportAsksBeforeDishesGo) {
    // The rice's first days are blocked.
    const QDate first = server_.Db()
                            .Scalar("SELECT MIN(D.DTCARDAPIO) FROM COMPCARD C JOIN CARDADIA D ON "
                                    "D.CDFILIAL = C.CDFILIAL AND D.NRCARDAPIO = C.NRCARDAPIO "
                                    "WHERE D.CDFILIAL = '0001' AND D.CDSERVFILI = '00001' AND "
                                    "D.DTMESCARD = ? AND C.NRSEQPRATCAR = 1",
                                    {DataHora(next_)})
                            .toDateTime()
                            .date();
    blockUntil(first.addDays(1));
    // The beans and the main course hold dishes only on the days still open.
    server_.Db().Exec("DELETE FROM COMPCARD WHERE CDFILIAL = '0001' AND NRSEQPRATCAR IN (2, 3) "
                      "AND NRCARDAPIO IN (SELECT NRCARDAPIO FROM CARDADIA WHERE CDFILIAL = '0001' "
                      "AND CDSERVFILI = '00001' AND DTCARDAPIO <= ?)",
                      {DataHora(first)});
    const QStringList before = positions(next_);
    const TReference done(false);
    TfrmImpTipoPrat f({"0001", "00001", DataHora(next_), done.AsVariant()});
    f.show();
    chooseBreakfast(f);
    EXPECT_FALSE(f.Marcadas().contains(10)) << "refused: not marked";
    presenter_.Clear();
    f.dbgTipos->model()->setData(f.dbgTipos->model()->index(rowOf(f, 10), 0), Qt::Checked,
                                 Qt::CheckStateRole);
    EXPECT_FALSE(f.Marcadas().contains(10));
    ASSERT_EQ(presenter_.Shown().size(), 1);
    EXPECT_TRUE(presenter_.Texts()[0].contains("não pode mais ser alterado"));

    // The bean's dishes go only if the planner agrees.
    ASSERT_TRUE(f.Marcadas().contains(20));
    presenter_.Clear();
    presenter_.Answer(host::mrNo);
    f.sbtConfirma->click();
    ASSERT_EQ(presenter_.Shown().size(), 1);
    EXPECT_TRUE(presenter_.Texts()[0].startsWith("Os pratos destas posições serão excluídos"));
    EXPECT_TRUE(presenter_.Texts()[0].contains("posição 2 (FEIJÃO)"));
    EXPECT_EQ(positions(next_), before);
    EXPECT_FALSE(done.Get().toBool());
    EXPECT_EQ(f.ModalResult(), 0);

    presenter_.Clear();
    presenter_.Answer(host::mrYes);
    presenter_.Answer(host::mrOk);
    f.sbtConfirma->click();
    ASSERT_EQ(presenter_.Shown().size(), 2);
    EXPECT_TRUE(presenter_.Texts()[1].startsWith("Tipos de prato importados: 2 posição(ões)"));
    EXPECT_TRUE(done.Get().toBool());
    EXPECT_EQ(f.ModalResult(), host::mrOk);
    const QStringList after = positions(next_);
    EXPECT_EQ(after[0], "10 01") << "the blocked rice stays";
    EXPECT_EQ(after[1], "20 13");
    EXPECT_EQ(after[2], "30 09");
}

TEST_F(QueryScreens, NothingMarkedOrNothingToDoImportsNothing) {
    const TReference done(false);
    TfrmImpTipoPrat f({"0001", "00001", DataHora(next_), done.AsVariant()});
    f.show();
    ASSERT_TRUE(f.Marcadas().isEmpty());
    presenter_.Clear();
    f.sbtConfirma->click();
    EXPECT_EQ(presenter_.Texts(), QStringList{"Marque ao menos um tipo de prato para importar."});
    // A line already in the month cannot be marked.
    presenter_.Clear();
    EXPECT_FALSE(host::RunHandler([&f] { f.MarcaLinha(0); }));
    EXPECT_TRUE(f.Marcadas().isEmpty());
    EXPECT_EQ(presenter_.Texts(),
              QStringList{"A ordem 10 já tem esse tipo de prato no mês: nada a importar."});
    EXPECT_FALSE(done.Get().toBool());
}

// The monthly screen's command.
class TypeImportCommand : public QueryScreens {
protected:
    // Runs the command; `work` works the import screen (none: closed as it is).
    bool run(TfrmCardMens* s, const std::function<void(TfrmImpTipoPrat&)>& work = {},
             bool byMenu = false) {
        bool opened = false;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmImpTipoPrat*>();
            opened = f != nullptr;
            if (!f || !work) {
                return int(QDialog::Rejected);
            }
            work(*f);
            return f->ModalResult() == host::mrOk ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        if (byMenu) {
            Action(s, "mnuImpTP")->trigger();
        } else {
            Button(s, "sbtImpTP")->click();
        }
        return opened;
    }
    // The breakfast's bread and hot drink in place of the rice and the beans.
    void importBreakfast(TfrmImpTipoPrat& f) {
        chooseBreakfast(f);
        f.MarcaLinha(rowOf(f, 30));
        presenter_.Answer(host::mrYes);
        presenter_.Answer(host::mrOk);
        f.sbtConfirma->click();
    }
};

TEST_F(TypeImportCommand, WithoutThePermissionNothingOpens) {
    server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = '11111111111011111' WHERE CDOPERADOR = "
                      "'NUTRI1'");
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(Button(s, "sbtImpTP")->isEnabled());
    EXPECT_FALSE(Action(s, "mnuImpTP")->isEnabled());
    int modals = 0;
    host::TModalRunner::TScope none([&modals](QDialog&) {
        ++modals;
        return int(QDialog::Rejected);
    });
    presenter_.Clear();
    s->sbtImpTPClick();
    EXPECT_EQ(modals, 0);
    EXPECT_TRUE(presenter_.Shown().isEmpty());
}

TEST_F(TypeImportCommand, DishTypesOverTheirDinersShowTheirScreenInsteadAndNothingIsSaved) {
    overfeed(workingDay("0001", 15));
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    removeADish(s, 20);
    const int pending = s->Cardapio().AlteracoesPendentes();
    QStringList shown;
    host::TModalRunner::TScope scope([&](QDialog& dlg) {
        shown << (dlg.findChild<packages::TfrmComensEst*>() ? "PLA00124"
                  : dlg.findChild<TfrmImpTipoPrat*>()       ? "PLA00121"
                                                            : dlg.objectName());
        return int(QDialog::Rejected);
    });
    Button(s, "sbtImpTP")->click();
    EXPECT_EQ(shown, QStringList{"PLA00124"});
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), pending);
}

TEST_F(TypeImportCommand, PendingChangesAreSavedAndTheMonthShowsTheTypesImported) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(Button(s, "sbtImpTP")->isVisible()) << "shown for a menu of type N";
    EXPECT_EQ(Action(s, "mnuImpTP")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    removeADish(s, 20);
    int pendingInside = -1;
    bool confirmInside = true;
    EXPECT_TRUE(run(s, [&](TfrmImpTipoPrat& f) {
        pendingInside = s->Cardapio().AlteracoesPendentes();
        confirmInside = s->sbtConfirmar->isEnabled() || s->mnuConfirmar->isEnabled() ||
                        s->sbtCancelar->isEnabled();
        importBreakfast(f);
    }));
    EXPECT_EQ(pendingInside, 0) << "saved before the screen opened";
    EXPECT_FALSE(confirmInside) << "confirm and cancel off";
    const QStringList types = GridModel(s)->Pivot().Types();
    EXPECT_TRUE(types.value(0).contains("PÃO")) << types.join(" | ").toStdString();
    EXPECT_TRUE(types.value(1).contains("BEBIDA QUENTE"));
    EXPECT_FALSE(types.join(" ").contains("ARROZ")) << "the month read again";
}

TEST_F(TypeImportCommand, CancellingReloadsNothingAndLeavesTheCostWarningAlone) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* bar = Child<QFrame>(s, "panAvisoRecalc");
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_TRUE(bar->isHidden());
    // Changed behind the screen: a reload would show it.
    server_.Db().Exec("UPDATE CNFCARDMES SET CDTIPOPRAT = '11' WHERE CDFILIAL = '0001' AND "
                      "CDSERVFILI = '00001' AND DTREFECNFMES = ? AND NRORDCNFMES = 100",
                      {DataHora(next_)});
    const QStringList types = GridModel(s)->Pivot().Types();
    EXPECT_TRUE(run(s));
    EXPECT_EQ(GridModel(s)->Pivot().Types(), types);
    EXPECT_TRUE(bar->isHidden());
    // The planner marks nothing and leaves: the same.
    EXPECT_TRUE(run(s, [](TfrmImpTipoPrat& f) { f.close(); }));
    EXPECT_EQ(GridModel(s)->Pivot().Types(), types);
    EXPECT_TRUE(bar->isHidden());

    // Imported, through the menu entry: the costs are said out of date.
    EXPECT_TRUE(run(
        s, [this](TfrmImpTipoPrat& f) { importBreakfast(f); }, true));
    EXPECT_NE(GridModel(s)->Pivot().Types(), types);
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(Child<QLabel>(s, "lblAvisoRecalc")->text(), s->msgPadrao.Msg("Recalc"));
}

TEST_F(TypeImportCommand, WithRecalculationOnEveryChangeTheCostsFollowTheImport) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* bar = Child<QFrame>(s, "panAvisoRecalc");
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    auto* box = Child<QCheckBox>(s, "chbSimultaneo");
    QTest::mouseClick(box, Qt::LeftButton, {},
                      box->rect().center() - QPoint(box->width() / 2 - 6, 0));
    ASSERT_TRUE(box->isChecked());
    auto* total = Child<host::TNumberEdit>(s, "nedTotalMes");
    const double before = total->Value();
    ASSERT_GT(before, 0);
    EXPECT_TRUE(run(s, [this](TfrmImpTipoPrat& f) { importBreakfast(f); }));
    EXPECT_TRUE(bar->isHidden()) << "recalculated";
    EXPECT_LT(total->Value(), before) << "the rice and the beans went";
}

TEST_F(TypeImportCommand, AReloadThatFailsAfterTheImportStillSaysTheCostsAreOutOfDate) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    auto* bar = Child<QFrame>(s, "panAvisoRecalc");
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    ASSERT_TRUE(bar->isHidden());
    host_.AnswerNext("GetCardapio", QStringLiteral("Servidor indisponível."));
    EXPECT_TRUE(run(s, [this](TfrmImpTipoPrat& f) { importBreakfast(f); }));
    EXPECT_EQ(presenter_.LastText(), "Servidor indisponível.");
    EXPECT_FALSE(bar->isHidden()) << "the month changed on the server all the same";
    EXPECT_EQ(Child<QLabel>(s, "lblAvisoRecalc")->text(), s->msgPadrao.Msg("Recalc"));
}

// --- the branch's history ------------------------------------------------------------

TEST_F(QueryScreens, TheHistoryOpensForTheBranchTypedOnThePlanningScreen) {
    TfrmCardMens* s = open("0001", "00001", next_);
    ASSERT_NE(s, nullptr);
    goTo(s, workingDay("0001", 10), type(s, 0));
    Button(s, "sbtAnaliCor")->click();
    ASSERT_TRUE(s->Cardapio().AnaliseCores().Ativa());
    QList<QVariantList>& seen = capture("PLA08800");
    EXPECT_EQ(Button(s, "sbtHistoricoFil")->toolTip(), "Histórico da Filial");
    Button(s, "sbtHistoricoFil")->click();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0], QVariantList{"0001"});
    EXPECT_FALSE(s->Cardapio().AnaliseCores().Ativa()) << "the colours go off first";
    // What the planning screen holds now, not the month's branch.
    planning_->medCdFilial->setText("0004");
    Button(s, "sbtHistoricoFil")->click();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1], QVariantList{"0004"});
}

TEST_F(QueryScreens, TheHistoryShowsEachServicesMonthsInTheGridAndTheChart) {
    TfrmHistFilial f({"0001"});
    f.show();
    EXPECT_EQ(f.ScreenCode(), "PLA08800");
    EXPECT_EQ(f.HelpContext(), 12308800);
    EXPECT_TRUE(f.lblFilial->text().contains("Metalúrgica"));
    ASSERT_EQ(f.cbbServico->count(), 3);
    EXPECT_EQ(f.cbbServico->currentData().toString(), "00001");
    const int months = server_.Db()
                           .Scalar("SELECT COUNT(DISTINCT DTMESCARD) FROM CARDADIA WHERE "
                                   "CDFILIAL = '0001' AND CDSERVFILI = '00001'")
                           .toInt();
    ASSERT_GT(months, 1);
    ASSERT_EQ(f.Meses().size(), months);
    EXPECT_EQ(f.dbgMeses->model()->rowCount(), months);
    EXPECT_EQ(f.barPlanejado->count(), months);
    EXPECT_EQ(f.barRealizado->count(), months);
    int withStandard = 0;
    for (int i = 0; i < months; ++i) {
        const auto& m = f.Meses()[i];
        if (i > 0) {
            EXPECT_LT(f.Meses()[i - 1].Mes, m.Mes) << "oldest first";
        }
        EXPECT_EQ(f.barPlanejado->at(i), m.Planejado);
        EXPECT_EQ(f.barRealizado->at(i), m.Realizado);
        EXPECT_GT(m.Planejado, 0);
        withStandard += m.Padrao > 0 ? 1 : 0;
    }
    EXPECT_EQ(f.serPadrao->count(), withStandard);
    EXPECT_EQ(f.dbgMeses->model()->headerData(0, Qt::Horizontal).toString(), "Mês");

    // The breakfast's months instead.
    f.cbbServico->setCurrentIndex(f.cbbServico->findData("00003"));
    EXPECT_EQ(f.dbgMeses->model()->rowCount(), f.Meses().size());
    for (f.cdsMeses->First(); !f.cdsMeses->Eof(); f.cdsMeses->Next()) {
        EXPECT_EQ(f.cdsMeses->FieldByName("CDSERVFILI").AsString(), "00003");
    }
}

// The monthly screen's help leads to the three screens' own pages.
TEST(QueryScreensHelp, TheMonthlyScreensPageLinksToEachScreensPage) {
    const QDir pages(QStringLiteral(PLA_HELP_DIR));
    QFile monthly(pages.filePath("12300101.html"));
    ASSERT_TRUE(monthly.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(monthly.readAll());
    for (const char* page : {"12300105.html", "12300121.html", "12308800.html"}) {
        EXPECT_TRUE(html.contains(QString("<a href=\"%1\">").arg(page))) << page;
        EXPECT_TRUE(QFile::exists(pages.filePath(page))) << page;
    }
    for (const char* command :
         {"Consultar Nutrientes", "Importar Tipo de Prato", "Histórico da Filial"}) {
        EXPECT_TRUE(html.contains(QString::fromUtf8(command))) << command;
    }
}

} // namespace
