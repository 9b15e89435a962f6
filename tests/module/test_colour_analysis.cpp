// The colour analysis of the monthly grid worked as a planner works it: the button
// colours each dish by the class the server gives it and shows the legend; a second
// click, ten minutes, or any editing or launching action end it.
#include "editing_fixture.h"
#include "host/modal_runner.h"
#include "module/monthly_menu/model/analise_cores.h"
#include "packages/dish_inversion.h"
#include "packages/dish_selection.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>

using namespace pla;
using namespace pla::module;

namespace {

class ColourAnalysis : public test::TEditingTest {
protected:
    static TAnaliseCores& analise(TfrmCardMens* s) { return s->Cardapio().AnaliseCores(); }
    static QFrame* legend(TfrmCardMens* s) { return Child<QFrame>(s, "panLegendaCor"); }
    static QColor background(TfrmCardMens* s, int row, int column) {
        return GridModel(s)->index(row, column).data(Qt::BackgroundRole).value<QColor>();
    }
    static bool legendColour(const QColor& c) {
        for (const TLegendaFaixa& l : LegendaAnaliCor()) {
            if (l.Cor == c) {
                return true;
            }
        }
        return false;
    }
    // The grid's cells painted with a colour of the analysis.
    static int coloured(TfrmCardMens* s) {
        int n = 0;
        for (int r = 0; r < GridModel(s)->rowCount(); ++r) {
            for (int c = 0; c < GridModel(s)->columnCount(); ++c) {
                n += legendColour(background(s, r, c)) ? 1 : 0;
            }
        }
        return n;
    }
    // The classes of the server's answer, by day, position and dish.
    static QHash<QString, QString> classes(TfrmCardMens* s) {
        QHash<QString, QString> out;
        TMemTable& t = *s->Cardapio().cdsAnaliCor;
        for (t.First(); !t.Eof(); t.Next()) {
            out.insert(QStringLiteral("%1|%2|%3")
                           .arg(t.FieldByName("DTCARDAPIO").AsDateTime().date().day())
                           .arg(t.FieldByName("NRSEQPRATCAR").AsInteger())
                           .arg(t.FieldByName("CDPRATO").AsString().trimmed()),
                       t.FieldByName("IDFAIXACUSTO").AsString());
        }
        return out;
    }
    TfrmCardMens* openNext() {
        TfrmCardMens* s = open("0001", "00001", next_);
        EXPECT_NE(s, nullptr) << presenter_.Texts().join(" | ").toStdString();
        return s;
    }
    // The colours switched on by the button.
    static void on(TfrmCardMens* s) {
        if (!analise(s).Ativa()) {
            Button(s, "sbtAnaliCor")->click();
        }
        ASSERT_TRUE(analise(s).Ativa());
        ASSERT_GT(coloured(s), 0);
    }
    static void expectOff(TfrmCardMens* s, const char* after) {
        SCOPED_TRACE(after);
        EXPECT_FALSE(analise(s).Ativa());
        EXPECT_FALSE(analise(s).Timer().isActive());
        EXPECT_EQ(analise(s).Ticks(), 0);
        EXPECT_EQ(coloured(s), 0);
        EXPECT_TRUE(legend(s)->isHidden());
        EXPECT_FALSE(Button(s, "sbtAnaliCor")->isChecked());
    }
    // Each run of a modal dialog says whether the colours were still on.
    struct TModalSeen {
        int Runs = 0;
        bool ColoursOn = false;
    };
    host::TModalRunner::TScope watchModals(TfrmCardMens* s, TModalSeen& seen) {
        return host::TModalRunner::TScope([s, &seen](QDialog&) {
            ++seen.Runs;
            seen.ColoursOn =
                seen.ColoursOn || analise(s).Ativa() || coloured(s) > 0 || !legend(s)->isHidden();
            return int(QDialog::Rejected);
        });
    }
};

TEST_F(ColourAnalysis, TheButtonPaintsEachDishByItsClassAndShowsTheLegend) {
    TfrmCardMens* s = openNext();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(legend(s)->isHidden());
    EXPECT_EQ(coloured(s), 0);
    EXPECT_TRUE(Button(s, "sbtAnaliCor")->isEnabled());
    host_.ClearCalls();
    Button(s, "sbtAnaliCor")->click();
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
    EXPECT_EQ(host_.Calls().count("Pla00100.rdmParamCardIndu.GetAnaliCor"), 1);
    EXPECT_TRUE(analise(s).Ativa());
    EXPECT_TRUE(Button(s, "sbtAnaliCor")->isChecked());
    EXPECT_FALSE(legend(s)->isHidden());
    EXPECT_EQ(Child<QLabel>(s, "lblCorBarato")->text(),
              "<b>Barato</b>: porção abaixo de 80 % do alvo da posição");
    EXPECT_EQ(Child<QLabel>(s, "lblCorNaFaixa")->text(),
              "<b>Na faixa</b>: de 80 % a 120 % do alvo");
    EXPECT_EQ(Child<QLabel>(s, "lblCorCaro")->text(), "<b>Caro</b>: acima de 120 % do alvo");
    EXPECT_TRUE(Child<QLabel>(s, "lblCorCaro")
                    ->styleSheet()
                    .contains(LegendaDe(rpc::TFaixaCusto::Caro).Cor.name()));

    // Every dish cell takes its class's colour; empty cells, the diners column and the
    // headers keep theirs.
    const QHash<QString, QString> expected = classes(s);
    ASSERT_FALSE(expected.isEmpty());
    const TMenuPivot& pivot = GridModel(s)->Pivot();
    int dishes = 0;
    QSet<QString> seen;
    for (int r = 0; r < pivot.RowCount(); ++r) {
        for (int c = 0; c < pivot.ColumnCount(); ++c) {
            const TPivotCell cell = pivot.Cell(r, c);
            const QColor colour = background(s, r, c);
            const auto line = s->Cardapio().StlPratos.Lookup(s->Cardapio().CellKey(cell));
            if (cell.Kind != TCellKind::Data || !line || line->Code.trimmed().isEmpty()) {
                EXPECT_FALSE(legendColour(colour)) << r << "," << c;
                continue;
            }
            ++dishes;
            const QString key = QStringLiteral("%1|%2|%3")
                                    .arg(cell.Day.day())
                                    .arg(s->Cardapio().GetSeqPrat(cell.Type.left(3).toInt()))
                                    .arg(line->Code.trimmed());
            ASSERT_TRUE(expected.contains(key)) << key.toStdString();
            const QString kind = expected.value(key);
            seen.insert(kind);
            EXPECT_EQ(colour, LegendaDe(rpc::TFaixaCusto(kind.at(0).toLatin1())).Cor)
                << key.toStdString();
            const QString hint = GridModel(s)->index(r, c).data(Qt::ToolTipRole).toString();
            EXPECT_TRUE(hint.contains("a porção custa")) << hint.toStdString();
            EXPECT_TRUE(hint.contains("Alvo da posição")) << hint.toStdString();
        }
    }
    EXPECT_GT(dishes, 20);
    EXPECT_EQ(coloured(s), dishes);
    for (int i = 0; i < GridModel(s)->rowCount(); ++i) {
        EXPECT_FALSE(legendColour(
            GridModel(s)->headerData(i, Qt::Vertical, Qt::BackgroundRole).value<QColor>()));
    }

    // The classes are the server's: a standard ten times higher makes every dish cheap,
    // a tenth of it every dish expensive.
    const auto allOf = [&](rpc::TFaixaCusto kind) {
        for (int r = 0; r < pivot.RowCount(); ++r) {
            for (int c = 0; c < pivot.ColumnCount(); ++c) {
                const QColor colour = background(s, r, c);
                if (legendColour(colour) && colour != LegendaDe(kind).Cor) {
                    return false;
                }
            }
        }
        return coloured(s) == dishes;
    };
    server_.Db().Exec("UPDATE CUSTOSERVMES SET VRCUSTPADR = VRCUSTPADR * 10");
    Button(s, "sbtAnaliCor")->click();
    Button(s, "sbtAnaliCor")->click();
    EXPECT_TRUE(allOf(rpc::TFaixaCusto::Barato));
    server_.Db().Exec("UPDATE CUSTOSERVMES SET VRCUSTPADR = VRCUSTPADR / 100");
    Button(s, "sbtAnaliCor")->click();
    Button(s, "sbtAnaliCor")->click();
    EXPECT_TRUE(allOf(rpc::TFaixaCusto::Caro));
}

TEST_F(ColourAnalysis, ASecondClickSwitchesItOffWithoutAskingTheServer) {
    TfrmCardMens* s = openNext();
    ASSERT_NE(s, nullptr);
    on(s);
    host_.ClearCalls();
    Button(s, "sbtAnaliCor")->click();
    expectOff(s, "the second click");
    EXPECT_EQ(s->Cardapio().cdsAnaliCor->RecordCount(), 0);
    EXPECT_FALSE(host_.Calls().contains("Pla00100.rdmParamCardIndu.GetAnaliCor"));
    // The menu entry (Ctrl+Alt+A) does what the button does, both ways.
    QAction* entry = Action(s, "mnuAnaliCor");
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    entry->trigger();
    EXPECT_TRUE(analise(s).Ativa());
    EXPECT_FALSE(legend(s)->isHidden());
    EXPECT_TRUE(Button(s, "sbtAnaliCor")->isChecked());
    entry->trigger();
    expectOff(s, "the menu entry again");
    EXPECT_TRUE(presenter_.Shown().isEmpty()) << presenter_.Texts().join(" | ").toStdString();
}

TEST_F(ColourAnalysis, TenMinutesOfTicksEndIt) {
    TfrmCardMens* s = openNext();
    ASSERT_NE(s, nullptr);
    on(s);
    const QTimer& timer = analise(s).Timer();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 1000);
    const int shown = coloured(s);
    for (int i = 0; i < 599; ++i) {
        analise(s).timAnaliCorTimer();
    }
    EXPECT_TRUE(analise(s).Ativa());
    EXPECT_EQ(analise(s).Ticks(), 599);
    EXPECT_EQ(coloured(s), shown);
    EXPECT_FALSE(legend(s)->isHidden());
    analise(s).timAnaliCorTimer();
    expectOff(s, "the 600th tick");

    // Each click starts the count anew.
    on(s);
    EXPECT_EQ(analise(s).Ticks(), 0);
    for (int i = 0; i < 400; ++i) {
        analise(s).timAnaliCorTimer();
    }
    Button(s, "sbtAnaliCor")->click();
    on(s);
    for (int i = 0; i < 599; ++i) {
        analise(s).timAnaliCorTimer();
    }
    EXPECT_TRUE(analise(s).Ativa()) << "599 ticks since the last click";
    // The timer itself ticks once a second: the next one is the 600th.
    for (int waited = 0; analise(s).Ativa() && waited < 5000; waited += 50) {
        QTest::qWait(50);
    }
    expectOff(s, "the timer's own tick");
}

TEST_F(ColourAnalysis, EditingAndLaunchingEndItBeforeTheyAskAnything) {
    TfrmCardMens* s = openNext();
    ASSERT_NE(s, nullptr);
    const QDate a = workingDay("0001", 5);
    const QDate b = workingDay("0001", a.day() + 1);
    const QString t = type(s, 0);
    goTo(s, a, t);
    ASSERT_TRUE(s->Cardapio().EntradaCelula());

    // Enter on a dish: the dish selection opens on an uncoloured grid.
    on(s);
    {
        TModalSeen seen;
        auto scope = watchModals(s, seen);
        key(s, Qt::Key_Return);
        EXPECT_EQ(seen.Runs, 1);
        EXPECT_FALSE(seen.ColoursOn);
    }
    expectOff(s, "Enter");

    // Delete: the colours end before the question, refused or not.
    on(s);
    presenter_.Answer(host::mrNo);
    key(s, Qt::Key_Delete);
    EXPECT_EQ(presenter_.LastText(), "Confirma exclusão?");
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    expectOff(s, "Delete refused");
    on(s);
    presenter_.Answer(host::mrYes);
    key(s, Qt::Key_Delete);
    ASSERT_GT(s->Cardapio().AlteracoesPendentes(), 0);
    expectOff(s, "Delete");

    // Insert on the emptied cell.
    on(s);
    ASSERT_TRUE(s->sbtIncluir->isEnabled());
    {
        TModalSeen seen;
        auto scope = watchModals(s, seen);
        s->sbtIncluir->click();
        EXPECT_EQ(seen.Runs, 1);
        EXPECT_FALSE(seen.ColoursOn);
    }
    expectOff(s, "Incluir");

    // Copy, then paste into the emptied cell.
    on(s);
    goTo(s, b, t);
    key(s, Qt::Key_C, Qt::ControlModifier);
    expectOff(s, "Ctrl+C");
    on(s);
    goTo(s, a, t);
    key(s, Qt::Key_V, Qt::ControlModifier);
    expectOff(s, "Ctrl+V");
    ASSERT_EQ(s->Cardapio().EntradaCelula()->Code, s->Cardapio().PratoCopiado.CdPrato);
    // A dish not saved yet is not the server's: its cell stays plain.
    on(s);
    const auto [row, column] = GridModel(s)->Pivot().Position(a, t);
    EXPECT_FALSE(legendColour(background(s, row, column)));
    goTo(s, b, t);
    EXPECT_TRUE(legendColour(background(s, GridModel(s)->Pivot().Position(b, t).first,
                                        GridModel(s)->Pivot().Position(b, t).second)));

    // Cancelling the pending changes.
    presenter_.Answer(host::mrYes);
    s->sbtCancelar->click();
    EXPECT_EQ(s->Cardapio().AlteracoesPendentes(), 0);
    expectOff(s, "Cancelar");

    // A launcher: the inversion of dishes opens its screen on an uncoloured grid.
    on(s);
    {
        TModalSeen seen;
        auto scope = watchModals(s, seen);
        Button(s, "sbtInvPrato")->click();
        EXPECT_EQ(seen.Runs, 1);
        EXPECT_FALSE(seen.ColoursOn);
    }
    expectOff(s, "Inverter Prato");

    // Reading the month again.
    on(s);
    s->sbtVerificar->click();
    expectOff(s, "Verificar");
    for (const auto& shown : presenter_.Shown()) {
        EXPECT_NE(shown.Kind, "error") << shown.Text.toStdString();
    }
}

} // namespace
