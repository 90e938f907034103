// Entry point of the tests without a window.
#include <gtest/gtest.h>

#include "support/SkipAware.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return wxh::test::RunAllTestsReportingSkips();
}
