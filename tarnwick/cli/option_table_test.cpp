#include "cli/option_table.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace tarnwick {
namespace {

TEST(OptionTable, HoldsFifteenOptionsInUsageOrder) {
    const wchar_t* names[kOptionCount] = {L"?",     L"unregister", L"listxtops", L"name",   L"startup",
                                          L"fail",  L"exec32",     L"exec64",    L"text",   L"unicode",
                                          L"delay", L"desc",       L"reg",       L"spares", L"materials"};
    for (int i = 0; i < kOptionCount; ++i) {
        EXPECT_STREQ(kOptionTable[i].optionName, names[i]) << i;
        EXPECT_FALSE(kOptionTable[i].present) << i;
        EXPECT_EQ(kOptionTable[i].value[0], L'\0') << i;
    }
}

}  // namespace
}  // namespace tarnwick
