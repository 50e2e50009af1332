// Runs every GoogleTest case inside one QApplication, so widget tests can
// create the real main window. Without a display the offscreen platform is used.
#include <gtest/gtest.h>
#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keep the user's real configuration folder out of every test.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
