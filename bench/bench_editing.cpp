// Measures editing the month over the demonstration data, in process: a paste into a
// filled month (the key to the repainted grid, with the server's checks), a save of
// 200 changed dishes (from the screen's change set to the committed transaction) on
// both engines, the month reopened, and the month's costs calculated into the panel.
#include "core/data_packet.h"
#include "core/dates.h"
#include "core/format_settings.h"
#include "core/mem_table.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_messages.h"
#include "host/mask_edit.h"
#include "host/modal_runner.h"
#include "module/frame/creation.h"
#include "module/frame/module_state.h"
#include "module/menu_copy/copi_rece.h"
#include "module/monthly_menu/grid/menu_grid_model.h"
#include "module/monthly_menu/screen/card_mens.h"
#include "module/planning/param_card_indu.h"
#include "module/screen_access.h"
#include "rpc/contracts.h"
#include "server/embedded_server.h"
#include "signed_in_host.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QTableView>
#include <QToolButton>
#include <QtTest/QTest>
#include <benchmark/benchmark.h>

using namespace pla;
using namespace pla::module;

namespace {

const QDate Next = PriDiaMes(Hoje()).addMonths(1);

// The monthly screen of the metalworks' lunch, next month, signed in as NUTRI1.
struct TScreen {
    TScreen()
        : server(test::TEngine::SQLite, Hoje())
        , host(server, QStringLiteral("NUTRI1"))
        , presenterScope(presenter) {
        CriaElabCard();
        TfrmParamCardIndu* planning = frmParamCardIndu;
        planning->medCdFilial->setText(QStringLiteral("0001"));
        host::RunHandler([planning] { planning->medCdFilialExit(); });
        planning->medCdServico->setText(QStringLiteral("00001"));
        host::RunHandler([planning] { planning->medCdServicoExit(); });
        planning->depMesCard->SetDate(Next);
        planning->sbtConfirma->click();
        screen = qobject_cast<TfrmCardMens*>(formExtCardMens.data());
        screen->resize(1400, 900);
    }
    static TScreen& Get() {
        static TScreen s;
        return s;
    }
    void goTo(int day, int type) {
        const auto [row, col] = GridModel(screen)->Pivot().Position(
            QDate(Next.year(), Next.month(), day), GridModel(screen)->Pivot().Types().at(type));
        GridView(screen)->setCurrentIndex(GridModel(screen)->index(row, col));
    }

    test::TEmbeddedServer server;
    test::TSignedInHost host;
    host::TScriptedPresenter presenter;
    host::TPresenterScope presenterScope;
    TfrmCardMens* screen = nullptr;
};

// Ctrl+V over a dish (the substitution question answered yes), to the grid painted
// (0); the paste alone (1); the repaint alone, every cell asked again (2).
void BM_PasteIntoAFilledMonth(benchmark::State& state) {
    TScreen& s = TScreen::Get();
    TfrmCardMens* m = s.screen;
    QImage image(GridView(m)->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    int day = 5;
    while (QDate(Next.year(), Next.month(), day).dayOfWeek() > 5) {
        ++day;
    }
    s.goTo(day, 0);
    QTest::keyClick(GridView(m), Qt::Key_C, Qt::ControlModifier);
    int target = day + 1;
    while (QDate(Next.year(), Next.month(), target).dayOfWeek() > 5) {
        ++target;
    }
    for (auto _ : state) {
        state.PauseTiming();
        s.goTo(target, 0);
        s.presenter.Answer(host::mrYes);
        state.ResumeTiming();
        if (state.range(0) != 2) {
            QTest::keyClick(GridView(m), Qt::Key_V, Qt::ControlModifier);
        }
        if (state.range(0) != 1) {
            GridView(m)->viewport()->render(&image);
        }
        state.PauseTiming();
        // Back to the saved month for the next round.
        m->Cardapio().cdsCompCardCache->CancelUpdates();
        m->Cardapio().AtualizaStlPratos(true);
        state.ResumeTiming();
    }
    state.counters["lines"] = double(m->Cardapio().StlPratos.Count());
}
BENCHMARK(BM_PasteIntoAFilledMonth)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A dish copied to every day of the month ("Comensais do Dia", overwriting): the copy
// button's click to the filled cache and the repainted grid. The month's days exist,
// so no day is created on the server.
void BM_CopyADishOverTheMonth(benchmark::State& state) {
    TScreen& s = TScreen::Get();
    TfrmCardMens* m = s.screen;
    QImage image(GridView(m)->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    s.goTo(5, 2);
    int days = 0;
    for (auto _ : state) {
        double seconds = 0;
        host::TModalRunner::TScope scope([&](QDialog& d) {
            auto* f = d.findChild<TfrmCopiRece*>();
            if (!f) {
                return int(QDialog::Rejected);
            }
            s.presenter.Answer(host::mrOk);
            QElapsedTimer clock;
            clock.start();
            f->sbtImportExport->click();
            GridView(m)->viewport()->render(&image);
            seconds = clock.nsecsElapsed() / 1e9;
            return int(QDialog::Accepted);
        });
        Button(m, QStringLiteral("spbDuplicacao"))->click();
        state.SetIterationTime(seconds);
        days = m->Cardapio().AlteracoesPendentes();
        m->Cardapio().DescartaAlteracoes();
    }
    state.counters["changes"] = days;
}
BENCHMARK(BM_CopyADishOverTheMonth)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ReopenTheMonth(benchmark::State& state) {
    TScreen& s = TScreen::Get();
    for (auto _ : state) {
        s.screen->AtualizaTela();
    }
}
BENCHMARK(BM_ReopenTheMonth)->Unit(benchmark::kMillisecond);

// The click on "Calcular Custos do Mês" to the filled panel: the save (nothing pending),
// the cost server's calls in process, the month's accumulation and the day's panel.
void BM_CalculateTheMonthsCosts(benchmark::State& state) {
    TScreen& s = TScreen::Get();
    s.goTo(12, 0);
    QToolButton* calc = Button(s.screen, QStringLiteral("sbtCalcularCustos"));
    for (auto _ : state) {
        calc->click();
    }
    state.counters["days"] = double(s.screen->Cardapio().Custo().cdsTrabCusto->RecordCount());
}
BENCHMARK(BM_CalculateTheMonthsCosts)->Unit(benchmark::kMillisecond);

// 200 dishes of next month with a new share, saved in one call.
void BM_Save200Dishes(benchmark::State& state) {
    const auto engine = state.range(0) == 0 ? test::TEngine::SQLite : test::TEngine::PostgreSQL;
    test::TEmbeddedServer server(engine, Hoje());
    auto c = server.Connect(QStringLiteral("Pla00100.rdmParamCardIndu"),
                            server.SignIn(QStringLiteral("NUTRI1")));
    const rpc::TMethodSpec& carga = rpc::metodos::GetCardapio();
    QList<rpc::TRpcArg> load = rpc::Argumentos(
        carga, {QStringLiteral("0001"), QStringLiteral("PLA00101"), QStringLiteral("00001"),
                QStringLiteral("NUTRI1"), DataHora(Next), false});
    TMemTable dishes;
    dishes.SetData(ToDataPacket(
        rpc::TRespostaCardapio::FromWire(c->Call(carga.Name, load))[rpc::TElemCardapio::CompCard]));
    double share = 40;
    for (auto _ : state) {
        state.PauseTiming();
        share = share == 40 ? 41 : 40;
        int changed = 0;
        for (dishes.First(); !dishes.Eof() && changed < 200; dishes.Next(), ++changed) {
            dishes.Edit();
            dishes.FieldByName(QStringLiteral("VRPECONSCARD")).SetAsFloat(share);
            dishes.Post();
        }
        state.ResumeTiming();
        const rpc::TMethodSpec& gravacao = rpc::metodos::UpdateCache();
        QList<rpc::TRpcArg> args =
            rpc::Argumentos(gravacao, {QStringLiteral("NUTRI1"), false, QVariant(),
                                       FromDataPacket(dishes.Delta()), QStringLiteral("N")});
        const QString answer = c->Call(gravacao.Name, args).toString();
        if (rpc::TextoDeErro(answer)) {
            state.SkipWithError(answer.toUtf8().constData());
            break;
        }
        dishes.MergeChangeLog();
    }
}
BENCHMARK(BM_Save200Dishes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TFormatSettingsScope ptBr(TFormatSettings::PtBr());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
