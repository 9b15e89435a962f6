#include "tour.h"

#include "core/dates.h"
#include "core/errors.h"
#include "host/date_edit.h"
#include "host/dialog_presenter.h"
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
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>

namespace pla::apps {

namespace {

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
        QTextStream(stdout) << file << '\n';
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

private:
    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
        }
    }
    QDir dir_;
    int n_ = 0;
};

template <typename T> T* child(QWidget* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        throw EPlaError(QStringLiteral("Controle %1 não encontrado").arg(QLatin1String(name)));
    }
    return w;
}

} // namespace

int RunTour(const QString& folder, const QStringList& packageFolders) {
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "Não foi possível criar a pasta " << folder << '\n';
        return 1;
    }
    TTour tour(folder);
    QTemporaryDir data;
    host::TScriptedPresenter presenter;
    host::TPresenterScope presenterScope(presenter);

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
    host::Host().ReportFolders = packageFolders;
    for (QString& f : host::Host().ReportFolders) {
        f += QStringLiteral("/reports");
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
    child<host::TDateEdit>(planning, "depMesCard")
        ->SetDate(PriDiaMes(QDate::currentDate()).addMonths(1));
    tour.Save(main, QStringLiteral("parametros"));
    {
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            d.resize(420, 320);
            tour.Save(d, QStringLiteral("meses"));
            return int(QDialog::Rejected);
        });
        child<QAbstractButton>(planning, "btpMes")->click();
    }

    // The month of the school lunch in its grid, and the view dialog.
    child<host::TDateEdit>(planning, "depMesCard")->SetDate(PriDiaMes(QDate::currentDate()));
    child<QAbstractButton>(planning, "sbtConfirma")->click();
    QWidget* monthly =
        main.MdiArea()->activeSubWindow() ? main.MdiArea()->activeSubWindow()->widget() : nullptr;
    if (monthly && monthly != planning) {
        main.MdiArea()->activeSubWindow()->showMaximized();
        tour.Save(main, QStringLiteral("cardapio-mensal"));
        host::TModalRunner::TScope script([&tour](QDialog& d) {
            tour.Save(d, QStringLiteral("visualizacao"));
            return int(QDialog::Rejected);
        });
        if (auto* view = monthly->findChild<QAction*>(QStringLiteral("mnuChangeView"))) {
            view->trigger();
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
    for (const auto& s : presenter.Shown()) {
        QTextStream(stderr) << "mensagem: " << s.Text << " " << s.Detail << "\n";
    }
    return 0;
}

} // namespace pla::apps
