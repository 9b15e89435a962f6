// The cost analyses launched from the monthly screen as a planner does, against the
// in-process server: who gets the popup and who goes straight to the plain analysis, the
// prelude that saves pending changes (or shows the dish types over their diners), the
// month analysed before it closes, the analysis' figures against the panel's, the
// drill-down to a day's dishes, recipes marked revised and the month read again, and the
// per-capita chart over the work table.
#include "core/numbers.h"
#include "editing_fixture.h"
#include "host/help.h"
#include "host/modal_runner.h"
#include "host/number_edit.h"
#include "packages/cost_analysis.h"
#include "packages/cost_charts.h"
#include "packages/diners_by_type.h"
#include "packages/recipe_revision.h"

#include <QApplication>
#include <QBarSet>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <functional>

using namespace pla;
using namespace pla::module;
using packages::TfrmAnaliseCusto;
using packages::TfrmRevisaoReceita;

namespace {

class CostAnalyses : public test::TEditingTest {
protected:
    CostAnalyses() { host::Host().HelpFolders = {QStringLiteral(PLA_HELP_DIR)}; }
    ~CostAnalyses() override {
        QList<QPointer<QWidget>> charts;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<packages::TfrmGraficoCusto*>(w)) {
                charts << w;
            }
        }
        qDeleteAll(charts);
        if (host::THelpWindow* w = host::THelpWindow::Current()) {
            w->close();
        }
        host::Host().HelpFolders.clear();
    }

    // The month open on a working day of next month.
    TfrmCardMens* month(int from = 10) {
        TfrmCardMens* s = open("0001", "00001", next_);
        EXPECT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
        if (s) {
            day_ = workingDay("0001", from);
            goTo(s, day_, type(s, 0));
        }
        return s;
    }
    void grantChoice() {
        server_.Db().Exec("INSERT INTO ACESSOTELA (CDOPERADOR, DSACESSO) VALUES ('NUTRI1', "
                          "'PLA;PLA01300')");
    }
    // Runs `action` with every modal screen answered by `script` (given the form of the
    // run); the codes of the screens that opened, in order.
    QStringList opened(const std::function<void()>& action,
                       const std::function<void(host::TForm&)>& script = {}) {
        QStringList codes;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<host::TForm*>();
            if (f) {
                codes << f->ScreenCode();
                if (script) {
                    script(*f);
                }
            }
            return int(QDialog::Rejected);
        });
        action();
        return codes;
    }
    int dishesOnServer(const QDate& d) {
        return server_.Db()
            .Scalar("SELECT COUNT(*) FROM COMPCARD WHERE CDFILIAL = '0001' AND NRCARDAPIO = ?",
                    {dayNumber("0001", "00001", d)})
            .toInt();
    }
    // A dish of the day removed with Delete, the question answered yes.
    void removeDish(TfrmCardMens* s, const QDate& d) {
        for (int i = 0; i + 1 < GridModel(s)->Pivot().Types().size(); ++i) {
            if (!cell(s, d, type(s, i)).trimmed().isEmpty()) {
                goTo(s, d, type(s, i));
                presenter_.Answer(host::mrYes);
                key(s, Qt::Key_Delete);
                return;
            }
        }
        ADD_FAILURE() << "no dish on " << d.toString().toStdString();
    }
    // A dish's cost per serving at a date in the branch's prices of the cost type, from its
    // recipe and the price history alone.
    double recipeCost(const QString& branch, const QString& dish, const QDate& at, int costType) {
        QSqlQuery r = server_.Db().Exec("SELECT CDPRODUTO, QTPERCAPITA, QTFATORCORR FROM RECEITA "
                                        "WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                                        {branch, dish});
        QList<QVariantList> recipe;
        while (r.next()) {
            recipe.append({r.value(0), r.value(1), r.value(2)});
        }
        double sum = 0;
        for (const QVariantList& line : recipe) {
            const QVariant price = server_.Db().Scalar(
                "SELECT VRCUSTUNIT FROM CUSTOPROD WHERE CDFILIAL = '0001' AND NRTIPOCUSTO = ? AND "
                "CDPRODUTO = ? AND DTVIGENCIA <= ? ORDER BY DTVIGENCIA DESC LIMIT 1",
                {costType, line[0], DataHora(at)});
            sum += line[1].toDouble() * line[2].toDouble() * price.toDouble();
        }
        return RoundDec(sum, 5);
    }
    // A dish of the day's menu on the server, its recipe marked not revised.
    std::pair<QString, QString> unrevise(const QDate& d) {
        QSqlQuery q = server_.Db().Exec("SELECT CDFILAUXPRAT, CDPRATO FROM COMPCARD WHERE "
                                        "CDFILIAL = '0001' AND NRCARDAPIO = ? ORDER BY "
                                        "NRSEQPRATCAR",
                                        {dayNumber("0001", "00001", d)});
        EXPECT_TRUE(q.next());
        const std::pair<QString, QString> dish{q.value(0).toString(), q.value(1).toString()};
        server_.Db().Exec(
            "UPDATE PRATO SET IDRECEREVI = 'N' WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
            {dish.first, dish.second});
        return dish;
    }
    static double ned(QObject* s, const char* name) {
        return Child<host::TNumberEdit>(s, QString::fromLatin1(name))->Value();
    }

    QDate day_;
};

TEST_F(CostAnalyses, WithoutAccessToTheChoiceTheButtonOpensThePlainAnalysis) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    s->Cardapio().CustoAnalisado = false;
    EXPECT_EQ(opened([&] { Button(s, "sbtInfoCard")->click(); }), QStringList{"PLA00106"});
    EXPECT_FALSE(Child<QMenu>(s, "pmnAnaCustos")->isVisible()) << "no popup";
    EXPECT_TRUE(s->Cardapio().CustoAnalisado);
    // The menu entry (Ctrl+L) goes to the plain analysis too.
    EXPECT_EQ(Action(s, "mnuAnaliCust")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(opened([&] { Action(s, "mnuAnaliCust")->trigger(); }), QStringList{"PLA00106"});
}

TEST_F(CostAnalyses, WithAccessTheButtonOffersTheAnalysesInAPopup) {
    grantChoice();
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    auto* popup = Child<QMenu>(s, "pmnAnaCustos");
    EXPECT_TRUE(opened([&] { Button(s, "sbtInfoCard")->click(); }).isEmpty());
    EXPECT_TRUE(popup->isVisible());
    QStringList items;
    for (QAction* a : popup->actions()) {
        items << a->objectName() + "=" + a->text();
    }
    EXPECT_EQ(items, (QStringList{"mnuAnaCustosPopUp=Análise de Custos",
                                  "pmnAnaCustRevRec=Análise de Custos com Revisão de Receita",
                                  "pmnSubsPorEqui=Substituição por Equivalentes"}));
    popup->hide();
    EXPECT_EQ(opened([&] { Action(s, "mnuAnaCustosPopUp")->trigger(); }), QStringList{"PLA00106"});
    EXPECT_EQ(opened([&] { Action(s, "pmnAnaCustRevRec")->trigger(); }), QStringList{"PLA00122"});
}

TEST_F(CostAnalyses, PendingChangesAreSavedBeforeTheAnalysisOpens) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    const int before = dishesOnServer(day_);
    removeDish(s, day_);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    int pendingMeanwhile = -1;
    int onServerMeanwhile = -1;
    const QStringList codes = opened([&] { Action(s, "mnuAnaliCust")->trigger(); },
                                     [&](host::TForm&) {
                                         pendingMeanwhile = s->Cardapio().AlteracoesPendentes();
                                         onServerMeanwhile = dishesOnServer(day_);
                                     });
    EXPECT_EQ(codes, QStringList{"PLA00106"});
    EXPECT_EQ(pendingMeanwhile, 0) << "saved first, without asking";
    EXPECT_EQ(onServerMeanwhile, before - 1) << "the analysis reads what was saved";
    EXPECT_FALSE(s->sbtConfirmar->isEnabled());
}

TEST_F(CostAnalyses, DishTypesOverTheirDinersShowTheirScreenInstead) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    // On the server a dish of another day feeds half as many diners again as its day has.
    const QDate other = workingDay("0001", day_.day() + 1);
    const QString nr = dayNumber("0001", "00001", other);
    ASSERT_EQ(server_.Db().ExecCount(
                  "UPDATE COMPCARD SET VRPECONSCARD = 150 WHERE CDFILIAL = '0001' AND NRCARDAPIO "
                  "= ? AND NRSEQPRATCAR = (SELECT MIN(C.NRSEQPRATCAR) FROM COMPCARD C JOIN "
                  "CNFCARDMES N ON N.CDFILIAL = C.CDFILIAL AND N.CDSERVFILI = '00001' AND "
                  "N.DTREFECNFMES = ? AND N.NRSEQCNFMES = C.NRSEQPRATCAR WHERE C.CDFILIAL = '0001' "
                  "AND C.NRCARDAPIO = ? AND N.IDOPCCNFMES <> 'S' AND N.IDCONCNFMES = 'S')",
                  {nr, DataHora(next_), nr}),
              1);
    // Nothing pending: nothing to hold back.
    EXPECT_EQ(opened([&] { Action(s, "mnuAnaliCust")->trigger(); }), QStringList{"PLA00106"});
    removeDish(s, day_);
    const int pending = s->Cardapio().AlteracoesPendentes();
    ASSERT_GT(pending, 0);
    s->Cardapio().CustoAnalisado = false;
    int offending = 0;
    const QStringList codes = opened([&] { Action(s, "mnuAnaliCust")->trigger(); },
                                     [&](host::TForm& f) {
                                         if (auto* c = qobject_cast<packages::TfrmComensEst*>(&f)) {
                                             offending = c->cdsComensEst->RecordCount();
                                         }
                                     });
    EXPECT_EQ(codes, QStringList{"PLA00124"}) << "no analysis";
    EXPECT_EQ(offending, 1);
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), pending) << "nothing saved";
    EXPECT_FALSE(s->Cardapio().CustoAnalisado);
}

TEST_F(CostAnalyses, AMonthSavedSinceItsAnalysisIsAnalysedBeforeItCloses) {
    server_.Db().Exec("UPDATE PARAMPLANEJA SET IDACOMPCUSTO = 'S' WHERE CDFILIAL = '0001'");
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->Cardapio().CustoAnalisado) << "a month just read counts as analysed";
    removeDish(s, day_);
    s->sbtConfirmar->click();
    ASSERT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    EXPECT_FALSE(s->Cardapio().CustoAnalisado) << "every save asks for a new analysis";
    bool closed = true;
    EXPECT_EQ(opened([&] { closed = s->close(); }), QStringList{"PLA00106"});
    EXPECT_FALSE(closed) << "the month stays open after its analysis";
    EXPECT_TRUE(s->Cardapio().CustoAnalisado);
    presenter_.Answer(host::mrYes); // days without dishes, if asked
    EXPECT_TRUE(opened([&] { closed = s->close(); }).isEmpty());
    EXPECT_TRUE(closed);
    settle();
}

TEST_F(CostAnalyses, TheAnalysisShowsThePanelsFigures) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    TCustoMensal& k = s->Cardapio().Custo();
    const QDate processing = host::Host().DataProc("0001");
    bool checked = false;
    opened(
        [&] { Action(s, "mnuAnaliCust")->trigger(); },
        [&](host::TForm& form) {
            auto* f = qobject_cast<TfrmAnaliseCusto*>(&form);
            ASSERT_NE(f, nullptr);
            checked = true;
            // The month's boxes as the panel's.
            for (const char* name : {"nedMatPriMes", "nedConsMes", "nedCustIndTotMes",
                                     "nedTotalMes", "nedPadrMens", "nedSaldoMes"}) {
                EXPECT_DOUBLE_EQ(ned(f, name), ned(s, name)) << name;
            }
            EXPECT_DOUBLE_EQ(ned(f, "nedPadrPerc"), ned(s, "nedPadrPerc"));
            // Every day as the panel shows it on that day.
            TMemTable& d = *f->Analise->cdsDias;
            EXPECT_EQ(d.RecordCount(), next_.daysInMonth());
            for (d.First(); !d.Eof(); d.Next()) {
                const QDate day = d.FieldByName("DTDATA").AsDateTime().date();
                const TPainelCusto p = k.Painel(day, processing);
                const auto at = [&d](const char* field) {
                    return d.FieldByName(QString::fromLatin1(field)).AsFloat();
                };
                EXPECT_DOUBLE_EQ(at("VRCUSTPRODMAT"), p.MatPriCardPlan) << day.day();
                EXPECT_DOUBLE_EQ(at("VRCUSTOCONS"), p.ConsCardPlan);
                EXPECT_DOUBLE_EQ(at("VRCUSTORAT"), p.CustIndDia);
                EXPECT_DOUBLE_EQ(at("VRCUSTO"), p.CustoCardPlan);
                EXPECT_DOUBLE_EQ(at("VRPERCAPITA"), p.PercDia);
                if (d.FieldByName("QTCOMENSAIS").AsFloat() > 0) {
                    EXPECT_DOUBLE_EQ(at("VRPADRAO"), p.PadrPerc);
                    EXPECT_DOUBLE_EQ(at("VRSALDO"), p.SaldoPerc);
                } else {
                    EXPECT_TRUE(d.FieldByName("VRPADRAO").IsNull()) << day.day();
                    EXPECT_TRUE(d.FieldByName("VRSALDO").IsNull()) << "no savings without diners";
                }
            }
            // The day the planner was on, as its boxes show it.
            ASSERT_TRUE(d.Locate("DTDATA", DataHora(day_)));
            EXPECT_DOUBLE_EQ(d.FieldByName("VRCUSTPRODMAT").AsFloat(), ned(s, "nedMatPriCardPlan"));
            EXPECT_DOUBLE_EQ(d.FieldByName("VRPERCAPITA").AsFloat(), ned(s, "nedPercDia"));
            EXPECT_DOUBLE_EQ(d.FieldByName("VRSALDO").AsFloat(), ned(s, "nedSaldoPerc"));
            // The dish types and the dishes add up to the month's raw material.
            for (TMemTable* t : {f->Analise->cdsTipos, f->Analise->cdsPratos}) {
                double sum = 0;
                double share = 0;
                for (t->First(); !t->Eof(); t->Next()) {
                    sum += t->FieldByName("VRCUSTO").AsFloat();
                    share += t->FieldByName("VRPARTIC").AsFloat();
                }
                EXPECT_NEAR(sum, ned(s, "nedMatPriMes"), 1e-4) << t->Name().toStdString();
                EXPECT_NEAR(share, 100, 0.5);
            }
            // The costliest dish first, its share accumulated.
            TMemTable& p = *f->Analise->cdsPratos;
            p.First();
            const double first = p.FieldByName("VRCUSTO").AsFloat();
            p.Next();
            EXPECT_GE(first, p.FieldByName("VRCUSTO").AsFloat());
            p.Last();
            EXPECT_NEAR(p.FieldByName("VRPARTICACUM").AsFloat(), 100, 0.05);
            // Per capita of a type: its cost over the month's diners.
            TMemTable& t = *f->Analise->cdsTipos;
            t.First();
            EXPECT_DOUBLE_EQ(t.FieldByName("VRPERCAPITA").AsFloat(),
                             host::TCustoDoMes::Percapita(t.FieldByName("VRCUSTO").AsFloat(),
                                                          f->Analise->ComensaisMes()));
        });
    EXPECT_TRUE(checked);
    EXPECT_EQ(server_.Db().Scalar("SELECT COUNT(*) FROM TRABCUSTO WHERE IDPORPRATO = 'S'").toInt(),
              0)
        << "the analysis' work area released when it closed";
}

TEST_F(CostAnalyses, ADaysDishesShowTheirRecipesCostPerServing) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    const TCardapioMensal& c = s->Cardapio();
    opened([&] { Action(s, "mnuAnaliCust")->trigger(); },
           [&](host::TForm& form) {
               auto* f = qobject_cast<TfrmAnaliseCusto*>(&form);
               ASSERT_NE(f, nullptr);
               EXPECT_EQ(f->Analise->DiaMostrado(), day_) << "the planner's day first";
               // Another day chosen in the grid.
               const QDate other = workingDay("0001", day_.day() + 1);
               TMemTable& d = *f->Analise->cdsDias;
               ASSERT_TRUE(d.Locate("DTDATA", DataHora(other)));
               f->dbgDias->setCurrentIndex(f->dbgDias->model()->index(d.RecNo() - 1, 0));
               EXPECT_EQ(f->Analise->DiaMostrado(), other);
               EXPECT_TRUE(f->lblPratosDia->text().contains(other.toString("dd/MM/yyyy")))
                   << f->lblPratosDia->text().toStdString();
               TMemTable& p = *f->Analise->cdsPratosDia;
               EXPECT_EQ(p.RecordCount(), dishesOnServer(other));
               const double diners = d.FieldByName("QTCOMENSAIS").AsFloat();
               const QDate at = c.Custo().ReferenciaFixa() ? c.DtRefeCusto.date() : other;
               double sum = 0;
               for (p.First(); !p.Eof(); p.Next()) {
                   const double perServing = p.FieldByName("VRCUSTOPORCAO").AsFloat();
                   EXPECT_DOUBLE_EQ(perServing, recipeCost(p.FieldByName("CDFILAUXPRAT").AsString(),
                                                           p.FieldByName("CDPRATO").AsString(), at,
                                                           c.TipoCustoPlanejado))
                       << p.FieldByName("NMPRATO").AsString().toStdString();
                   EXPECT_DOUBLE_EQ(p.FieldByName("VRCUSTOPRATO").AsFloat(),
                                    RoundDec(p.FieldByName("QTPORCAO").AsFloat() * perServing, 5));
                   EXPECT_DOUBLE_EQ(p.FieldByName("VRPERCAPITA").AsFloat(),
                                    RoundDec(p.FieldByName("VRCUSTOPRATO").AsFloat() / diners, 5));
                   sum += p.FieldByName("VRCUSTOPRATO").AsFloat();
               }
               EXPECT_DOUBLE_EQ(RoundDec(sum, 5), d.FieldByName("VRCUSTPRODMAT").AsFloat());
           });
}

TEST_F(CostAnalyses, TheAnalysisPrintsAndHasItsHelpPage) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    QTemporaryDir dir;
    const QString file = dir.filePath("analise.pdf");
    QString report;
    QString help;
    opened([&] { Action(s, "mnuAnaliCust")->trigger(); },
           [&](host::TForm& form) {
               auto* f = qobject_cast<TfrmAnaliseCusto*>(&form);
               ASSERT_NE(f, nullptr);
               report = f->Relatorio();
               f->SalvaPdf(file);
               f->sbtAjuda->click();
               if (host::THelpWindow* w = host::THelpWindow::Current()) {
                   help = QString::number(w->CurrentContext());
               }
           });
    EXPECT_GT(QFileInfo(file).size(), 1000);
    EXPECT_TRUE(report.contains("Por tipo de prato"));
    EXPECT_TRUE(report.contains("pratos que mais pesam"));
    EXPECT_EQ(help, "12300106");
}

TEST_F(CostAnalyses, ARecipeMarkedRevisedIsRecordedAndTheMonthReadAgain) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    const auto [branch, dish] = unrevise(day_);
    EXPECT_EQ(Action(s, "mnuAnaCustRevRec")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    int revised = 0;
    bool pendingBefore = false;
    bool pendingAfter = true;
    const QString nr = dayNumber("0001", "00001", day_);
    const QStringList codes =
        opened([&] { Action(s, "mnuAnaCustRevRec")->trigger(); },
               [&](host::TForm& form) {
                   auto* f = qobject_cast<TfrmRevisaoReceita*>(&form);
                   ASSERT_NE(f, nullptr);
                   EXPECT_EQ(f->pgcAnalise->currentIndex(), 0) << "the recipes to revise first";
                   TMemTable& t = *f->cdsRevisao;
                   ASSERT_TRUE(t.Locate("CDFILAUXPRAT;CDPRATO", {branch, dish}));
                   pendingBefore = t.FieldByName("IDPENDENTE").AsString() == "S";
                   f->Marca(t.RecNo() - 1);
                   EXPECT_EQ(f->Marcados(), QStringList{branch + dish});
                   // Meanwhile the day changed on the server: the monthly screen reads it again.
                   server_.Db().Exec("UPDATE CARDADIA SET DSCARDAPIO = 'Revisado' WHERE CDFILIAL = "
                                     "'0001' AND NRCARDAPIO = ?",
                                     {nr});
                   presenter_.Answer(host::mrYes);
                   f->sbtRevisar->click();
                   revised = f->Revisadas();
                   f->chbPendentes->setChecked(false);
                   ASSERT_TRUE(t.Locate("CDFILAUXPRAT;CDPRATO", {branch, dish}));
                   pendingAfter = t.FieldByName("IDPENDENTE").AsString() == "S";
                   EXPECT_EQ(t.FieldByName("CDOPERREVI").AsString(), "NUTRI1");
               });
    EXPECT_EQ(codes, QStringList{"PLA00122"});
    EXPECT_TRUE(pendingBefore);
    EXPECT_EQ(revised, 1);
    EXPECT_FALSE(pendingAfter);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                          {branch, dish})
                  .toString(),
              "S");
    EXPECT_EQ(
        server_.Db()
            .Scalar("SELECT CDOPERADOR FROM REVRECEITA WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                    {branch, dish})
            .toString(),
        "NUTRI1");
    EXPECT_TRUE(s->Cardapio().CustoAnalisado);
    ASSERT_TRUE(s->Cardapio().cdsCardaDia->Locate("NRCARDAPIO", nr));
    EXPECT_EQ(s->Cardapio().cdsCardaDia->FieldByName("DSCARDAPIO").AsString(), "Revisado")
        << "the month read again";
}

TEST_F(CostAnalyses, MarkingRevisedIsRefusedWithoutThePermission) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    const auto [branch, dish] = unrevise(day_);
    const auto permission = [this](QChar allowed) {
        QString p = server_.Db()
                        .Scalar("SELECT DSPERMISSAO FROM OPERADOR WHERE CDOPERADOR = 'NUTRI1'")
                        .toString();
        p[rpc::Posicao(rpc::TAutorizacao::AnalisarCustoRevRece)] = allowed;
        server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'", {p});
    };
    presenter_.Clear();
    opened([&] { Action(s, "mnuAnaCustRevRec")->trigger(); },
           [&](host::TForm& form) {
               auto* f = qobject_cast<TfrmRevisaoReceita*>(&form);
               ASSERT_NE(f, nullptr);
               // Taken away while the screen is open: the server refuses the write.
               permission('0');
               ASSERT_TRUE(f->cdsRevisao->Locate("CDFILAUXPRAT;CDPRATO", {branch, dish}));
               f->Marca(f->cdsRevisao->RecNo() - 1);
               presenter_.Answer(host::mrYes);
               f->sbtRevisar->click();
               EXPECT_EQ(f->Revisadas(), 0);
           });
    EXPECT_EQ(presenter_.LastText(), "Operador sem permissão para marcar receitas como revisadas.");
    EXPECT_EQ(server_.Db().Scalar("SELECT COUNT(*) FROM REVRECEITA").toInt(), 0);
    EXPECT_EQ(server_.Db()
                  .Scalar("SELECT IDRECEREVI FROM PRATO WHERE CDFILAUXPRAT = ? AND CDPRATO = ?",
                          {branch, dish})
                  .toString(),
              "N");
}

TEST_F(CostAnalyses, WithoutThePermissionThereIsNoAnalysisWithRecipeRevision) {
    server_.Db().Exec("UPDATE OPERADOR SET DSPERMISSAO = ? WHERE CDOPERADOR = 'NUTRI1'",
                      {QString("11111101111111111")});
    grantChoice();
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(Action(s, "mnuAnaCustRevRec")->isEnabled());
    EXPECT_FALSE(Action(s, "pmnAnaCustRevRec")->isEnabled());
    EXPECT_TRUE(opened([&] { s->mnuAnaCustRevRecClick(); }).isEmpty());
    EXPECT_TRUE(Action(s, "mnuAnaliCust")->isEnabled()) << "the plain analysis stays";
}

TEST_F(CostAnalyses, TheChartsSeriesAreTheWorkTable) {
    TfrmCardMens* s = month();
    ASSERT_NE(s, nullptr);
    Button(s, "sbtCustos")->click();
    Button(s, "sbtCalcularCustos")->click();
    TMemTable& trab = *s->Cardapio().Custo().cdsTrabCusto;
    const int row = trab.RecNo();
    ASSERT_GT(row, 1) << "on the planner's day";
    Button(s, "sbtGrafCust")->click();
    EXPECT_EQ(trab.RecNo(), row) << "the work table's row is where it was";
    packages::TfrmGraficoCusto* open =
        packages::TfrmGraficoCusto::Aberto("PLA00107", s->Cardapio().Custo().cdsGrafCust);
    auto* chart = qobject_cast<packages::TfrmGrafCustoPercapita*>(open);
    ASSERT_NE(chart, nullptr);
    TMemTable& g = *s->Cardapio().Custo().cdsGrafCust;
    ASSERT_EQ(g.RecordCount(), trab.RecordCount());
    EXPECT_EQ(g.FieldByName("DTCARDAPIO").DisplayFormat(), "dd");
    EXPECT_EQ(g.FieldByName("VrCustGraf").DisplayFormat(), "#,##0.00000");
    ASSERT_EQ(chart->barDentroPadrao->count(), trab.RecordCount());
    const double standard = s->Cardapio().Custo().VrCustPadr();
    int i = 0;
    for (trab.First(); !trab.Eof(); trab.Next(), ++i) {
        const double perCapita = trab.FieldByName("VRTOTPERC").AsFloat();
        const double within = chart->barDentroPadrao->at(i);
        const double above = chart->barAcimaPadrao->at(i);
        EXPECT_DOUBLE_EQ(within + above, perCapita) << i;
        EXPECT_TRUE(within == 0 || above == 0);
        EXPECT_EQ(above > 0, perCapita > standard);
        EXPECT_DOUBLE_EQ(chart->serPadrao->at(i).y(), standard);
    }
    EXPECT_FALSE(chart->Dica(0).isEmpty());
}

} // namespace
