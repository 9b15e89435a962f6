#include <QApplication>
#include <QLoggingCategory>
#include <gtest/gtest.h>

// One QApplication for every test binary, on the offscreen platform so that
// widget tests run without a display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The server's one line per call is for operators, not for test output.
    QLoggingCategory::setFilterRules(
        QStringLiteral("pla.server.calls.info=false\npla.server.schema.info=false"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
