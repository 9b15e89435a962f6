#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for every test binary, on the offscreen platform so that
// widget tests run without a display.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
