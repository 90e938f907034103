// Entry point of the window tests: one QApplication on the offscreen platform for the whole run.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/SkipAware.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return wxh::test::RunAllTestsReportingSkips();
}
