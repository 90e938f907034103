#include "support/SkipAware.h"

#include <gtest/gtest.h>

namespace wxh::test {

int RunAllTestsReportingSkips() {
    const int status = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (status == 0 && run.successful_test_count() == 0 && run.skipped_test_count() > 0) return kSkippedExitCode;
    return status;
}

}  // namespace wxh::test
