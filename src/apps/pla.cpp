// pla: the desktop application. Signs the planner in (embedded database or an
// application server), then opens the main window that loads the planning package.
#include "core/clock.h"
#include "host/host_context.h"
#include "host/shell/backend.h"
#include "host/shell/main_window.h"
#include "host/shell/sign_in_window.h"
#include "host/translations.h"
#include "tour.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QRadioButton>
#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    // The embedded server's call log is for servers; a planner's terminal stays quiet.
    QLoggingCategory::setFilterRules(
        QStringLiteral("pla.server.calls.info=false\npla.server.schema.info=false"));
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("pla"));
    QApplication::setApplicationName(QStringLiteral("pla"));
    QApplication::setApplicationDisplayName(QStringLiteral("pla"));
    pla::host::THostContext::InstallIconTheme();
    pla::host::InstalaTraducoesQt(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("x-office-calendar")));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("Planejamento de cardápios"));
    cli.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Arquivo do banco embutido."),
                                      QStringLiteral("arquivo"));
    const QCommandLineOption operatorCode(QStringLiteral("operator"),
                                          QStringLiteral("Operador sugerido na entrada."),
                                          QStringLiteral("código"));
    const QCommandLineOption perBranch(QStringLiteral("per-branch"),
                                       QStringLiteral("O módulo trabalha por filial."));
    const QCommandLineOption tour(QStringLiteral("tour"),
                                  QStringLiteral("Salva uma imagem de cada tela na pasta e sai."),
                                  QStringLiteral("pasta"));
    const QCommandLineOption today(
        QStringLiteral("today"), QStringLiteral("Fixa o dia de hoje (aaaa-mm-dd), como PLA_HOJE."),
        QStringLiteral("dia"));
    cli.addOptions({database, operatorCode, perBranch, tour, today});
    cli.process(app);
    std::optional<pla::THojeScope> fixedDay;
    if (cli.isSet(today)) {
        const QDate day = pla::LeHoje(cli.value(today));
        if (!day.isValid()) {
            std::fprintf(stderr, "pla: --today espera uma data aaaa-mm-dd: %s\n",
                         qPrintable(cli.value(today)));
            return 2;
        }
        fixedDay.emplace(day);
    }

    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList packageFolders{appDir, QDir(appDir).filePath(QStringLiteral("../lib/pla"))};
    if (cli.isSet(tour)) {
        return pla::apps::RunTour(cli.value(tour), packageFolders);
    }

    pla::host::THostContext& host = pla::host::Host();
    host.ModuFili = cli.isSet(perBranch);
    for (const QString& folder : packageFolders) {
        host.ReportFolders << QDir(folder).filePath(QStringLiteral("reports"));
        host.HelpFolders << QDir(folder).filePath(QStringLiteral("help"));
    }
    pla::host::TSignInWindow signIn;
    if (cli.isSet(database)) {
        signIn.rbtEmbutido->setChecked(true);
        signIn.edtArquivo->setText(cli.value(database));
    }
    if (cli.isSet(operatorCode)) {
        signIn.edtOperador->setText(cli.value(operatorCode));
        signIn.edtSenha->setFocus();
    }
    if (signIn.exec() != QDialog::Accepted) {
        return 0;
    }
    pla::host::TMainWindow window(signIn.TakeBackend(), packageFolders);
    window.resize(1280, 820);
    window.show();
    window.AbrirElaboracao();
    return app.exec();
}
