#include "core/clock.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// One QApplication for every test binary, on the offscreen platform so that
// widget tests run without a display. Settings the screens remember go to a folder of
// this run only, never to the tester's own.
int main(int argc, char** argv) {
    pla::FixaFusoHorario();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("pla-test"));
    QApplication::setApplicationName(QStringLiteral("pla-test"));
    // The server's one line per call is for operators, not for test output.
    QLoggingCategory::setFilterRules(
        QStringLiteral("pla.server.calls.info=false\npla.server.schema.info=false"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
