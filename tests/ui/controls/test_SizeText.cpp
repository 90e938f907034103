// Size texts of the preview panel: decimal units, cut to two decimals, never rounded up.
#include <gtest/gtest.h>

#include "ui/controls/SizeText.h"

TEST(SizeText, ThresholdsAndShortestForm) {
    const std::vector<std::pair<int64_t, const char*>> cases = {
        {0, "0B"},          {1, "1B"},           {999, "999B"},          {1000, "1KB"},
        {1009, "1KB"},      {1010, "1.01KB"},    {1100, "1.1KB"},        {12345, "12.34KB"},
        {999999, "999.99KB"}, {1000000, "1MB"},  {1009999, "1MB"},       {1010000, "1.01MB"},
        {1234567, "1.23MB"}, {1500000, "1.5MB"}, {1999999, "1.99MB"},    {2147483647, "2147.48MB"},
        {5000000000LL, "5000MB"},
    };
    for (const auto& [n, text] : cases) EXPECT_EQ(wxh::SizeText(n).toStdString(), text) << n;
}
