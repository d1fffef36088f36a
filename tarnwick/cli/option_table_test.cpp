#include "cli/option_table.h"

#include "cli/usage_text_golden.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace tarnwick {
namespace {

// The usage text is the banner, "Usage params:" and two lines per row.
TEST(OptionTable, HoldsTheOptionsOfTheUsageTextInUsageOrder) {
    ASSERT_EQ(std::size(test::kUsageLines), 2u + 2u * kOptionTable.size());
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_EQ(std::wstring(L"/") + kOptionTable[i].optionName, test::kUsageLines[2 + 2 * i]) << i;
        EXPECT_FALSE(kOptionTable[i].present) << i;
        EXPECT_EQ(kOptionTable[i].value[0], L'\0') << i;
    }
}

}  // namespace
}  // namespace tarnwick
