#include "cli/option_table.h"

#include "cli/usage_text_golden.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace tarnwick {
namespace {

TEST(OptionTable, HoldsTheOptionsOfTheUsageTextInUsageOrder) {
    ASSERT_EQ(std::size(test::kUsageOptionLines), kOptionTable.size());
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_EQ(std::wstring(L"/") + kOptionTable[i].optionName, test::kUsageOptionLines[i].name) << i;
        EXPECT_FALSE(kOptionTable[i].present) << i;
        EXPECT_EQ(kOptionTable[i].value[0], L'\0') << i;
    }
}

}  // namespace
}  // namespace tarnwick
