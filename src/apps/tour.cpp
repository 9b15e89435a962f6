#include "tour.h"

#include "core/dates.h"
#include "core/errors.h"
#include "core/reference.h"
#include "db/database.h"
#include "host/base_forms.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
#include "host/help.h"
#include "host/host_context.h"
#include "host/mask_edit.h"
#include "host/modal_runner.h"
#include "host/package_loader.h"
#include "host/report_form.h"
#include "host/shell/backend.h"
#include "host/shell/main_window.h"
#include "host/shell/sign_in_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>

namespace pla::apps {

namespace {

// The screens the tour must show, in order; the tour fails when one is missing.
const QStringList Expected{
    QStringLiteral("entrar"),
    QStringLiteral("elaboracao"),
    QStringLiteral("parametros"),
    QStringLiteral("meses"),
    QStringLiteral("cardapio-mensal"),
    QStringLiteral("visualizacao"),
    QStringLiteral("selecao-prato"),
    QStringLiteral("procurar-prato"),
    QStringLiteral("excluir-periodo"),
    QStringLiteral("inverter-prato"),
    QStringLiteral("importar-cardapio-dia"),
    QStringLiteral("copiar-prato"),
    QStringLiteral("substituir-equivalentes"),
    QStringLiteral("exportar-cardapio"),
    QStringLiteral("log-exportacao"),
    QStringLiteral("comensais-tipo-prato"),
    QStringLiteral("comensais-dia"),
    QStringLiteral("comensais-dieta"),
    QStringLiteral("custos-painel"),
    QStringLiteral("custos-aviso"),
    QStringLiteral("grafico-percapita"),
    QStringLiteral("grafico-custo-acumulado"),
    QStringLiteral("data-referencia-custos"),
    QStringLiteral("data-referencia-recalculo"),
    QStringLiteral("analise-cores"),
    QStringLiteral("grafico-custo-percapita"),
    QStringLiteral("analise-custos"),
    QStringLiteral("analise-custos-revisao-receita"),
    QStringLiteral("configuracao-cardapio"),
    QStringLiteral("restricoes-contratuais"),
    QStringLiteral("nutrientes"),
    QStringLiteral("importar-tipo-prato"),
    QStringLiteral("historico-filial"),
    QStringLiteral("ranking-pratos"),
    QStringLiteral("historico-ajustes"),
    QStringLiteral("emissao-menu"),
    QStringLiteral("emissao-dia"),
    QStringLiteral("emissao-dia-pagina"),
    QStringLiteral("emissao-semana"),
    QStringLiteral("emissao-semana-pagina"),
    QStringLiteral("emissao-mes"),
    QStringLiteral("emissao-mes-pagina"),
    QStringLiteral("ajuda"),
    QStringLiteral("log-ciclo"),
    QStringLiteral("log-ciclo-visualizacao"),
};

class TTour {
public:
    explicit TTour(const QString& folder)
        : dir_(folder) {}

    void Save(QWidget& w, const QString& name) {
        settle();
        const QString file =
            dir_.filePath(QStringLiteral("%1-%2.png").arg(++n_, 2, 10, QLatin1Char('0')).arg(name));
        if (!w.grab().save(file)) {
            throw EPlaError(QStringLiteral("Não foi possível gravar %1").arg(file));
        }
        saved_ << name;
        QTextStream(stdout) << file << '\n';
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QStringList Missing() const {
        QStringList out;
        for (const QString& name : Expected) {
            if (!saved_.contains(name)) {
                out << name;
            }
        }
        return out;
    }

private:
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
        }
    }
    QDir dir_;
    int n_ = 0;
    QStringList saved_;
};

template <typename T> T* child(QWidget* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        throw EPlaError(QStringLiteral("Controle %1 não encontrado").arg(QLatin1String(name)));
    }
    return w;
}

void keyTo(QWidget* w, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

host::TModalRunner::TScope shot(TTour& tour, const char* name, QSize size) {
    return host::TModalRunner::TScope([&tour, name, size](QDialog& d) {
        d.resize(size);
        tour.Save(d, QString::fromLatin1(name));
        return int(QDialog::Rejected);
    });
}

// The import of a day's menu into a school day, from a day of the local kitchen's
// lunch chosen in the list (its dishes by dish type shown).
void importScreen(TTour& tour) {
    const QDate next = PriDiaMes(Hoje()).addMonths(1);
    QDate target = next.addDays(14);
    while (target.dayOfWeek() > 5) {
        target = target.addDays(1);
    }
    host::TModalRunner::TScope script([&tour](QDialog& d) {
        d.resize(960, 560);
        d.show();
        if (auto* services = d.findChild<QComboBox*>(QStringLiteral("cbbServico"))) {
            services->setCurrentIndex(services->findData(QStringLiteral("00002")));
        }
        if (auto* days = d.findChild<QTableView*>(QStringLiteral("dbgDias"))) {
            days->selectRow(days->model()->rowCount() / 2);
        }
        tour.Save(d, QStringLiteral("importar-cardapio-dia"));
        return int(QDialog::Rejected);
    });
    const TReference done(false);
    host::Host().LoadBPL(QStringLiteral("PLA00109"),
                         {QStringLiteral("0004"), QStringLiteral("00001"), DataHora(target),
                          DataHora(next), 0, done.AsVariant(), QStringLiteral("M")});
}

// The screens the editing opens: the dish selection of a cell near the end of the
// month, the dish search, the period deletion and the inversion, and the diners by
// dish type once two positions of one type feed more diners than their day.
void editingScreens(TTour& tour, QWidget& monthly, const QString& database) {
    auto* grid = child<QTableView>(&monthly, "degCardapio");
    const QAbstractItemModel* model = grid->model();
    // A dish of a school day in the second half of the month.
    int row = model->rowCount() / 2;
    while (row < model->rowCount() - 1 &&
           model->index(row, 0).data().toString().trimmed().isEmpty()) {
        ++row;
    }
    grid->setCurrentIndex(model->index(row, 0));
    grid->setFocus();
    {
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            if (auto* search = d.findChild<QLineEdit*>(QStringLiteral("edtPesquisa"))) {
                search->setText(QStringLiteral("FEIJ"));
                if (auto* list = d.findChild<QTableView*>(QStringLiteral("dbgPrato"))) {
                    list->selectRow(0);
                }
            }
            d.resize(700, 520);
            tour.Save(d, QStringLiteral("selecao-prato"));
            return int(QDialog::Rejected);
        });
        keyTo(grid, Qt::Key_Return);
    }
    // The day's diners of that school day, with its delivery points.
    grid->setCurrentIndex(model->index(row, model->columnCount() - 1));
    {
        auto script = shot(tour, "comensais-dia", QSize(560, 440));
        keyTo(grid, Qt::Key_Return);
    }
    grid->setCurrentIndex(model->index(row, 0));
    {
        auto script = shot(tour, "procurar-prato", QSize(440, 240));
        child<QAction>(&monthly, "mnuProcurar")->trigger();
    }
    {
        auto script = shot(tour, "excluir-periodo", QSize(420, 200));
        child<QToolButton>(&monthly, "sbtDelCard")->click();
    }
    {
        auto script = shot(tour, "inverter-prato", QSize(420, 200));
        child<QToolButton>(&monthly, "sbtInvPrato")->click();
    }
    importScreen(tour);
    {
        auto script = shot(tour, "copiar-prato", QSize(440, 520));
        child<QToolButton>(&monthly, "spbDuplicacao")->click();
    }
    {
        auto script = shot(tour, "substituir-equivalentes", QSize(1100, 480));
        child<QAction>(&monthly, "pmnSubsPorEqui")->trigger();
    }
    // A second counted position of the counted dish type (03), its dish at half the
    // day on a day whose first one already feeds the whole day.
    db::TDatabaseUrl url;
    url.Path = database;
    db::TDatabase db(url);
    const QDateTime month = DataHora(PriDiaMes(Hoje()).addMonths(1));
    QVariantList dish;
    {
        QSqlQuery day = db.Exec(
            QStringLiteral("SELECT D.NRCARDAPIO, C.CDPRATO, C.CDFILAUXPRAT FROM CARDADIA D JOIN "
                           "COMPCARD C ON C.CDFILIAL = D.CDFILIAL AND C.NRCARDAPIO = D.NRCARDAPIO "
                           "JOIN CNFCARDMES N ON N.CDFILIAL = D.CDFILIAL AND N.CDSERVFILI = "
                           "D.CDSERVFILI AND N.DTREFECNFMES = ? AND N.NRSEQCNFMES = "
                           "C.NRSEQPRATCAR WHERE D.CDFILIAL = '0004' AND D.CDSERVFILI = '00001' "
                           "AND D.DTCARDAPIO > ? AND N.CDTIPOPRAT = '03' ORDER BY D.DTCARDAPIO"),
            {month, month});
        if (day.next()) {
            dish = {day.value(0), day.value(1), day.value(2)};
        }
    }
    if (dish.isEmpty()) {
        return;
    }
    db.Exec(QStringLiteral("INSERT INTO CNFCARDMES (CDFILIAL, CDSERVFILI, DTREFECNFMES, "
                           "NRSEQCNFMES, CDTIPOPRAT, IDOPCCNFMES, IDIMPCNFMES, NRORDCNFMES, "
                           "IDCONCNFMES) VALUES ('0004', '00001', ?, 99, '03', 'N', 'S', 990, "
                           "'S')"),
            {month});
    db.Exec(QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, NRCARDAPIO, NRSEQPRATCAR, "
                           "NRORDPRATCAR, CDFILAUXPRAT, CDPRATO, VRPECONSCARD, IDPRATOESPE) "
                           "VALUES ('0004', ?, 99, 990, ?, ?, 50, 'N')"),
            {dish[0], dish[2], dish[1]});
    {
        auto script = shot(tour, "comensais-tipo-prato", QSize(700, 360));
        child<QToolButton>(&monthly, "sbtDelCard")->click();
    }
    // The month as it was: the screen may close without asking about that day again.
    db.Exec(QStringLiteral("DELETE FROM COMPCARD WHERE CDFILIAL = '0004' AND NRCARDAPIO = ? AND "
                           "NRSEQPRATCAR = 99"),
            {dish[0]});
    db.Exec(QStringLiteral("DELETE FROM CNFCARDMES WHERE CDFILIAL = '0004' AND CDSERVFILI = "
                           "'00001' AND DTREFECNFMES = ? AND NRSEQCNFMES = 99"),
            {month});
}

// The export of the school lunch to the local kitchen: the destinations with their
// situations, the kitchen marked and exported with "Acrescentar", so that its days that
// have dishes stay and come back as the log's observations, which are opened.
void exportScreens(TTour& tour, QWidget& monthly, host::TScriptedPresenter& presenter) {
    host::TModalRunner::TScope script([&tour, &presenter](QDialog& d) {
        auto* form = d.findChild<host::TForm*>();
        if (form && form->ScreenCode() == QLatin1String("PLA06100")) {
            d.resize(1100, 520);
            tour.Save(d, QStringLiteral("log-exportacao"));
            return int(QDialog::Rejected);
        }
        d.resize(760, 640);
        d.show();
        auto* grid = child<QTableView>(&d, "dbgServicos");
        grid->activateWindow();
        grid->setFocus();
        QApplication::processEvents();
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            if (grid->model()->index(row, 1).data().toString() == QLatin1String("00002")) {
                grid->setCurrentIndex(grid->model()->index(row, 1));
                keyTo(grid, Qt::Key_Space);
            }
        }
        tour.Save(d, QStringLiteral("exportar-cardapio"));
        presenter.Answer(host::mrYes); // the log, with the days that were kept
        child<QToolButton>(&d, "sbtConfirma")->click();
        return int(QDialog::Rejected);
    });
    child<QToolButton>(&monthly, "sbtCopiarCard")->click();
}

// The month's costs: the panel calculated on a school day, the warning after an edit,
// both comparison charts and the two reference-date screens of the branch's month.
void costScreens(TTour& tour, QWidget& monthly, host::TScriptedPresenter& presenter) {
    auto* grid = child<QTableView>(&monthly, "degCardapio");
    const QAbstractItemModel* model = grid->model();
    int row = model->rowCount() / 2;
    while (row < model->rowCount() - 1 &&
           model->index(row, 0).data().toString().trimmed().isEmpty()) {
        ++row;
    }
    grid->setCurrentIndex(model->index(row, 0));
    child<QToolButton>(&monthly, "sbtCustos")->click();
    child<QToolButton>(&monthly, "sbtCalcularCustos")->click();
    tour.Save(monthly, QStringLiteral("custos-painel"));
    presenter.Answer(host::mrYes);
    keyTo(grid, Qt::Key_Delete);
    tour.Save(monthly, QStringLiteral("custos-aviso"));
    // The charts open beside the month, as windows of the main window.
    const std::tuple<const char*, const char*, const char*> charts[] = {
        {"sbtPlanReal", "frmGrafPerCapita", "grafico-percapita"},
        {"sbtCustoAcum", "frmGrafCustoAcum", "grafico-custo-acumulado"}};
    for (const auto& [button, form, name] : charts) {
        child<QToolButton>(&monthly, button)->click();
        for (QWidget* w : QApplication::allWidgets()) {
            if (w->objectName() == QLatin1String(form) && w->isVisible()) {
                QWidget* frame = w->parentWidget() ? w->parentWidget() : w;
                frame->resize(960, 600);
                tour.Save(*frame, QString::fromLatin1(name));
                w->close();
                break;
            }
        }
    }
    // The month as it was.
    child<QToolButton>(&monthly, "sbtCancelar")->click();
    const QDateTime month = DataHora(PriDiaMes(Hoje()).addMonths(1));
    const QDateTime proposed = DataHora(Hoje());
    {
        auto script = shot(tour, "data-referencia-custos", QSize(480, 340));
        host::Host().LoadBPL(QStringLiteral("PLA00120"),
                             {QStringLiteral("0004"), QStringLiteral("Escolas Municipais Sorocaba"),
                              month, proposed, QStringLiteral("06")});
    }
    {
        auto script = shot(tour, "data-referencia-recalculo", QSize(480, 300));
        host::Host().LoadBPL(QStringLiteral("PLA00126"),
                             {QStringLiteral("0004"), QStringLiteral("Escolas Municipais Sorocaba"),
                              month, proposed});
    }
}

// The month's analyses: the grid coloured by cost, the per-capita chart, the cost analysis
// plain and with recipe revision, the contract restrictions and the month's configuration.
void analysisScreens(TTour& tour, QWidget& monthly) {
    // The grid at full height, on the second week.
    child<QToolButton>(&monthly, "sbtCustos")->click();
    auto* grid = child<QTableView>(&monthly, "degCardapio");
    grid->scrollTo(grid->model()->index(7, 0), QAbstractItemView::PositionAtTop);
    auto* colours = child<QToolButton>(&monthly, "sbtAnaliCor");
    colours->click();
    tour.Save(monthly, QStringLiteral("analise-cores"));
    colours->click();
    child<QToolButton>(&monthly, "sbtCustos")->click();
    child<QToolButton>(&monthly, "sbtGrafCust")->click();
    for (QWidget* w : QApplication::allWidgets()) {
        if (w->objectName() == QLatin1String("frmGrafCustoPercapita") && w->isVisible()) {
            QWidget* frame = w->parentWidget() ? w->parentWidget() : w;
            frame->resize(960, 600);
            tour.Save(*frame, QStringLiteral("grafico-custo-percapita"));
            w->close();
            break;
        }
    }
    {
        auto script = shot(tour, "analise-custos", QSize(1180, 760));
        child<QAction>(&monthly, "mnuAnaliCust")->trigger();
    }
    {
        // Every dish of the month, not only those waiting for a revision.
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            d.resize(1180, 640);
            if (auto* pending = d.findChild<QCheckBox*>(QStringLiteral("chbPendentes"))) {
                pending->setChecked(false);
            }
            tour.Save(d, QStringLiteral("analise-custos-revisao-receita"));
            return int(QDialog::Rejected);
        });
        child<QAction>(&monthly, "mnuAnaCustRevRec")->trigger();
    }
    {
        auto script = shot(tour, "configuracao-cardapio", QSize(860, 560));
        child<QToolButton>(&monthly, "sbtConfig")->click();
    }
    {
        auto script = shot(tour, "restricoes-contratuais", QSize(1100, 640));
        child<QToolButton>(&monthly, "sbtAnalRestCont")->click();
    }
}

// The printed menus of the school lunch, next month: the print button's popup, then each
// printout's screen (the day and the week on a school day) and its first page previewed.
void printoutScreens(TTour& tour, QWidget& monthly) {
    const QDate next = PriDiaMes(Hoje()).addMonths(1);
    QDate day = next.addDays(7);
    while (day.dayOfWeek() > 5) {
        day = day.addDays(1);
    }
    child<QToolButton>(&monthly, "sbtImprimir")->click();
    auto* popup = child<QMenu>(&monthly, "pmnEmissaoRelCard");
    tour.Save(*popup, QStringLiteral("emissao-menu"));
    popup->close();
    const std::tuple<const char*, const char*, QDate> printouts[] = {
        {"EmissodoCardpiodoDia1", "emissao-dia", day},
        {"EmissodoCardpiodaSemana1", "emissao-semana", day},
        {"EmissodoCardpiodoMs1", "emissao-mes", next}};
    for (const auto& [item, name, date] : printouts) {
        const QString shot = QString::fromLatin1(name);
        host::TModalRunner::TScope script([&tour, shot, date = date](QDialog& d) {
            if (d.objectName() == QLatin1String("dlgPreview")) {
                d.resize(900, 1000);
                d.show();
                tour.Save(d, shot + QStringLiteral("-pagina"));
                return int(QDialog::Rejected);
            }
            d.resize(1000, 600);
            d.show();
            if (auto* when = d.findChild<host::TDateEdit*>(QStringLiteral("depData"))) {
                when->SetDate(date);
            }
            tour.Save(d, shot);
            if (auto* report = d.findChild<host::TfrmDadosGerRel*>()) {
                report->sbtVisualizar->click();
            }
            return int(QDialog::Rejected);
        });
        child<QAction>(&monthly, item)->trigger();
    }
}

// The nutrients of a school day with a dish, the dish types of the local kitchen's lunch
// offered to the transported one, the school network's history with its chart, the
// ranking of the school lunch's dishes and the record of its adjustments.
void queryScreens(TTour& tour, QWidget& monthly) {
    auto* grid = child<QTableView>(&monthly, "degCardapio");
    const QAbstractItemModel* model = grid->model();
    int row = model->rowCount() / 2;
    while (row < model->rowCount() - 1 &&
           model->index(row, 2).data().toString().trimmed().isEmpty()) {
        ++row;
    }
    grid->setCurrentIndex(model->index(row, 2));
    {
        auto script = shot(tour, "nutrientes", QSize(1000, 680));
        child<QToolButton>(&monthly, "spbNutrientes")->click();
    }
    {
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            d.resize(1000, 540);
            d.show();
            if (auto* services = d.findChild<QComboBox*>(QStringLiteral("cbbServico"))) {
                services->setCurrentIndex(services->findData(QStringLiteral("00002")));
            }
            tour.Save(d, QStringLiteral("importar-tipo-prato"));
            return int(QDialog::Rejected);
        });
        child<QAction>(&monthly, "mnuImpTP")->trigger();
    }
    {
        auto script = shot(tour, "historico-filial", QSize(1100, 720));
        child<QToolButton>(&monthly, "sbtHistoricoFil")->click();
    }
    {
        auto script = shot(tour, "ranking-pratos", QSize(1100, 640));
        child<QToolButton>(&monthly, "sbtRankingPratos")->click();
    }
    // The school lunch's adjustments of every dish over the last year.
    host::TModalRunner::TScope script([&tour](QDialog& d) {
        d.resize(1180, 600);
        tour.Save(d, QStringLiteral("historico-ajustes"));
        return int(QDialog::Rejected);
    });
    const TReference dish{QVariant(QString())}, branch{QVariant(QString())},
        name{QVariant(QString())}, chosen(false);
    host::Host().LoadBPL(QStringLiteral("PLA00127"),
                         {QStringLiteral("0004"), QStringLiteral("00001"), QString(), QString(),
                          DataHora(PriDiaMes(Hoje()).addMonths(1)), dish.AsVariant(),
                          branch.AsVariant(), name.AsVariant(), chosen.AsVariant()});
}

} // namespace

int RunTour(const QString& folder, const QStringList& packageFolders) {
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "Não foi possível criar a pasta " << folder << '\n';
        return 1;
    }
    TTour tour(folder);
    QTemporaryDir data;
    // What the screens remember (window sizes, the page set-up) stays with the tour.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       data.filePath(QStringLiteral("config")));
    host::TScriptedPresenter presenter;
    host::TPresenterScope presenterScope(presenter);
    // A modal screen the tour did not ask for is answered (cancelled) and reported, so
    // that the tour always ends.
    QStringList unexpected;
    host::TModalRunner::TScope anyOther([&unexpected](QDialog& d) {
        unexpected << (d.objectName().isEmpty() ? d.windowTitle() : d.objectName());
        return int(QDialog::Rejected);
    });

    // The sign-in window, then a signed-in planner of the school network.
    std::optional<server::TDemoResult> demo;
    auto backend = host::TBackend::OpenEmbedded(data.filePath(QStringLiteral("tour.db")), demo);
    QString password;
    for (const auto& op : demo->Operators) {
        if (op.Code == QLatin1String("GRUPO1")) {
            password = op.Password;
        }
    }
    {
        host::TSignInWindow signIn;
        signIn.edtOperador->setText(QStringLiteral("GRUPO1"));
        signIn.edtArquivo->setText(data.filePath(QStringLiteral("tour.db")));
        signIn.resize(520, 380);
        signIn.show();
        tour.Save(signIn, QStringLiteral("entrar"));
    }
    backend->SignIn(QStringLiteral("GRUPO1"), password);
    host::Host().ReportFolders.clear();
    host::Host().HelpFolders.clear();
    for (const QString& f : packageFolders) {
        host::Host().ReportFolders << f + QStringLiteral("/reports");
        host::Host().HelpFolders << f + QStringLiteral("/help");
    }

    host::TMainWindow main(std::move(backend), packageFolders);
    main.resize(1280, 820);
    main.show();
    main.AbrirElaboracao();
    QWidget* planning =
        main.MdiArea()->activeSubWindow() ? main.MdiArea()->activeSubWindow()->widget() : nullptr;
    if (!planning) {
        QTextStream(stderr) << "A tela de elaboração não abriu: "
                            << presenter.Texts().join(QStringLiteral(" | ")) << '\n';
        return 1;
    }
    main.MdiArea()->activeSubWindow()->resize(900, 560);
    tour.Save(main, QStringLiteral("elaboracao"));

    // The school network's lunch, next month, and the list of months with menus.
    child<host::TMaskEdit>(planning, "medCdFilial")->setText(QStringLiteral("0004"));
    child<QLineEdit>(planning, "edtNmFilial")
        ->setText(QStringLiteral("Escolas Municipais Sorocaba"));
    child<host::TMaskEdit>(planning, "medCdServico")->setText(QStringLiteral("00001"));
    child<QLineEdit>(planning, "edtNmServico")
        ->setText(QStringLiteral("Merenda - escolas transportadas"));
    child<host::TDateEdit>(planning, "depMesCard")->SetDate(PriDiaMes(Hoje()).addMonths(1));
    tour.Save(main, QStringLiteral("parametros"));
    {
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            d.resize(420, 320);
            tour.Save(d, QStringLiteral("meses"));
            return int(QDialog::Rejected);
        });
        child<QAbstractButton>(planning, "btpMes")->click();
    }

    // Next month's school lunch in its grid (planned ahead: open to changes whatever day
    // today is), and the view dialog. The month keeps its own menu: no update from the
    // network's cycle.
    presenter.Answer(host::mrNo);
    child<QAbstractButton>(planning, "sbtConfirma")->click();
    QWidget* monthly =
        main.MdiArea()->activeSubWindow() ? main.MdiArea()->activeSubWindow()->widget() : nullptr;
    if (monthly && monthly != planning) {
        main.MdiArea()->activeSubWindow()->resize(1240, 720);
        tour.Save(*monthly, QStringLiteral("cardapio-mensal"));
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            tour.Save(d, QStringLiteral("visualizacao"));
            return int(QDialog::Rejected);
        });
        if (auto* view = monthly->findChild<QAction*>(QStringLiteral("mnuChangeView"))) {
            view->trigger();
        }
        exportScreens(tour, *monthly, presenter);
        editingScreens(tour, *monthly, data.filePath(QStringLiteral("tour.db")));
        presenter.Answer(host::mrYes); // undo the edit of the cost warning
        costScreens(tour, *monthly, presenter);
        analysisScreens(tour, *monthly);
        printoutScreens(tour, *monthly);
        queryScreens(tour, *monthly);
        // The screen's help, as its help button (and F1) opens it.
        child<QToolButton>(monthly, "sbtAjuda")->click();
        if (QWidget* help = host::THelpWindow::Current()) {
            help->resize(860, 600);
            tour.Save(*help, QStringLiteral("ajuda"));
            help->close();
        }
    } else {
        QTextStream(stderr) << "A tela do cardápio mensal não abriu: "
                            << presenter.Texts().join(QStringLiteral(" | ")) << '\n';
    }

    // The log of the cycle update of this month, previewed and saved as PDF.
    host::TPackage* package = main.Package();
    using TCriaLog = void (*)(const char*, const char*);
    {
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            if (d.objectName() == QLatin1String("dlgPreview")) {
                d.resize(900, 1000);
                tour.Save(d, QStringLiteral("log-ciclo-visualizacao"));
                return int(QDialog::Rejected);
            }
            d.resize(820, 480);
            tour.Save(d, QStringLiteral("log-ciclo"));
            if (auto* report = d.findChild<host::TfrmDadosGerRel*>()) {
                report->SavePdf(tour.Path(QStringLiteral("log-ciclo.pdf")));
            }
            return int(QDialog::Rejected);
        });
        package->Resolve<TCriaLog>(QStringLiteral("CriaLogCardCiclo"))("0004", "0000000001");
    }
    // The diners of a day from the diets prescribed for the hospital's lunch.
    {
        auto script = shot(tour, "comensais-dieta", QSize(500, 260));
        using TCriaDieta = void (*)(const char*, const char*, const char*);
        package->Resolve<TCriaDieta>(QStringLiteral("criaAtuComensDieta"))(
            "00001", "Almoço pacientes e acompanhantes",
            PriDiaMes(Hoje()).addMonths(1).addDays(9).toString(Qt::ISODate).toUtf8().constData());
    }
    main.close();
    for (const auto& s : presenter.Shown()) {
        QTextStream(stderr) << "mensagem: " << s.Text << " " << s.Detail << "\n";
    }
    for (const QString& d : unexpected) {
        QTextStream(stderr) << "tela modal inesperada: " << d << "\n";
    }
    const QStringList missing = tour.Missing();
    if (!missing.isEmpty()) {
        QTextStream(stderr) << "telas não salvas: " << missing.join(QStringLiteral(", ")) << "\n";
    }
    return missing.isEmpty() && unexpected.isEmpty() ? 0 : 1;
}

} // namespace pla::apps
