#include "cli/option_table.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

TEST(OptionTable, StartsEmptyWithNamesThatNoOtherNameBegins) {
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_FALSE(kOptionTable[i].present) << i;
        EXPECT_EQ(kOptionTable[i].value[0], L'\0') << i;
        for (int j = 0; j < kOptionCount; ++j) {
            if (i == j) continue;
            const std::wstring name = kOptionTable[i].optionName;
            EXPECT_NE(name.rfind(kOptionTable[j].optionName, 0), 0u) << i << " " << j;
        }
    }
}

}  // namespace
}  // namespace tarnwick
