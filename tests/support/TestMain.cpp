#include <QApplication>
#include <gtest/gtest.h>

// One QApplication for the whole test binary: widget tests need it, and the
// offscreen platform (set by CTest) lets them run without a display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
