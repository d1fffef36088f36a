#include "discovery/loadpoints.h"

#include <gtest/gtest.h>

#include "discovery/registry_key_list.h"

using namespace std::string_literals;

namespace tarnwick {
namespace {

TEST(LoadpointPath, EndsAtTheFirstNulOrTakesAllBytes) {
    EXPECT_EQ(LoadpointPathFromValueData("C:\\Creo\0junk", 12), "C:\\Creo");
    EXPECT_EQ(LoadpointPathFromValueData("\0", 1), "");
    EXPECT_EQ(LoadpointPathFromValueData("", 0), "");
    const std::string full(kInstallDirCapacity, 'x');  // data without a terminator
    EXPECT_EQ(LoadpointPathFromValueData(full.data(), full.size()), full);
}

TEST(LoadpointList, SortsByteWiseAndKeepsCaseAndBackslashVariants) {
    std::vector<std::string> paths = {"C:\\b", "C:\\a\\", "C:\\B", "C:\\a", "C:\\b", "C:\\\xE9", ""};
    SortAndRemoveDuplicates(paths);
    EXPECT_EQ(paths, (std::vector<std::string>{"", "C:\\B", "C:\\a", "C:\\a\\", "C:\\b", "C:\\\xE9"}));
}

}  // namespace
}  // namespace tarnwick
