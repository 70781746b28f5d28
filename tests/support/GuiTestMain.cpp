// main() for the window's tests: one QApplication for the whole binary, on
// the offscreen platform unless the caller picked another.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Test discovery runs the binary without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
