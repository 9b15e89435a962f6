// Measures the printed menu of a month (PLA02700) over the demonstration data, in process
// on SQLite: the hospital's lunch of next month, served every day with its ten positions.
// /0 from the choice to the saved PDF (the server's one call, the grid's rows, the
// calendar laid out and written); /1 the PDF alone, the month already read; /2 the read
// alone (the call and the rows).
#include "core/dates.h"
#include "core/format_settings.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/host_query.h"
#include "packages/menu_printout.h"
#include "packages/screens.h"
#include "server/embedded_server.h"
#include "signed_in_host.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace pla;
using namespace pla::packages;

namespace {

const QDate Next = PriDiaMes(Hoje()).addMonths(1);

struct TScreen {
    TScreen()
        : server(test::TEngine::SQLite, Hoje())
        , host(server, QStringLiteral("HOSP1"))
        , presenterScope(presenter)
        , screen(TTipoEmissao::Mes, {QStringLiteral("0003")}) {
        screen.cbbServico->setCurrentIndex(screen.cbbServico->findData(QStringLiteral("00001")));
        screen.depData->SetDate(Next);
        file = dir.filePath(QStringLiteral("mes.pdf"));
    }
    // Made once the application exists, and gone before it is.
    static std::unique_ptr<TScreen>& Instance() {
        static std::unique_ptr<TScreen> s;
        return s;
    }
    static TScreen& Get() {
        if (!Instance()) {
            Instance() = std::make_unique<TScreen>();
        }
        return *Instance();
    }

    test::TEmbeddedServer server;
    test::TSignedInHost host;
    host::TScriptedPresenter presenter;
    host::TPresenterScope presenterScope;
    TfrmEmissaoCardapio screen;
    QTemporaryDir dir;
    QString file;
};

void BM_MonthPrintoutToPdf(benchmark::State& state) {
    TScreen& s = TScreen::Get();
    const int stage = int(state.range(0));
    s.screen.PrepareData();
    for (auto _ : state) {
        if (stage != 1) {
            s.screen.PrepareData();
        }
        if (stage != 2) {
            s.screen.SavePdf(s.file);
        }
    }
    if (!s.presenter.Shown().isEmpty()) {
        state.SkipWithError(s.presenter.Texts().join(QStringLiteral(" | ")).toUtf8().constData());
        return;
    }
    state.counters["days"] = s.screen.Cardapio().DiasComCardapio();
    state.counters["rows"] = s.screen.dtsPadrao->RecordCount();
    state.counters["pages"] = s.screen.PageCount();
    state.counters["kB"] = double(QFile(s.file).size()) / 1024;
}
BENCHMARK(BM_MonthPrintoutToPdf)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TFormatSettingsScope ptBr(TFormatSettings::PtBr());
    packages::RegisterScreens();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TScreen::Instance().reset();
    packages::UnregisterScreens();
    return 0;
}
