#include "discovery/loadpoints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

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

namespace tarnwick {
namespace {

RegistryValueRead StringValue(const std::string& data, std::uint32_t type = 1) {
    return {true, type, true, data};
}

TEST(LoadpointOfInstallation, CommonFilesLocationWinsWhenItIsAStringReadWholeAndNotEmpty) {
    const RegistryValueRead parametric = StringValue("C:\\PTC\\Creo 7.0.1.0\\Parametric\0"s);
    EXPECT_EQ(LoadpointOfInstallation(StringValue("C:\\PTC\\Creo 7.0.1.0\\Common Files\0"s), parametric),
              "C:\\PTC\\Creo 7.0.1.0\\Common Files");
    EXPECT_EQ(LoadpointOfInstallation(StringValue("%PTC%\\Common Files", 2), parametric), "%PTC%\\Common Files");
    // Without InstallDir the key still names its Common Files folder.
    EXPECT_EQ(LoadpointOfInstallation(StringValue("D:\\CF"), RegistryValueRead{}), "D:\\CF");

    // Absent, empty, not a string (a number, or binary data of a path's bytes), or too long for
    // the buffer: InstallDir decides, exactly as for a key that has no CommonFilesLocation.
    const RegistryValueRead tooLong{true, 1, false, ""};
    for (const RegistryValueRead& commonFiles :
         {RegistryValueRead{}, StringValue(""), StringValue("\0C:\\CF"s), RegistryValueRead{true, 4, false, ""},
          RegistryValueRead{true, 3, true, "C:\\CF"}, tooLong}) {
        EXPECT_EQ(LoadpointOfInstallation(commonFiles, parametric), "C:\\PTC\\Creo 7.0.1.0\\Parametric");
        EXPECT_EQ(LoadpointOfInstallation(commonFiles, StringValue("")), "");  // an empty InstallDir counts
        EXPECT_EQ(LoadpointOfInstallation(commonFiles, tooLong), std::nullopt);
        EXPECT_EQ(LoadpointOfInstallation(commonFiles, RegistryValueRead{true, 4, false, ""}), std::nullopt);
        EXPECT_EQ(LoadpointOfInstallation(commonFiles, RegistryValueRead{}), std::nullopt);
    }
}

TEST(SettleBitness, OneXtopDecidesOtherwiseTheViewDoes) {
    // A machine: each loadpoint's xtop.exe files, present or not (anything else cannot be told).
    const std::set<std::string> present = {
        "C:\\Only32\\i486_nt\\obj\\xtop.exe",    "C:\\Only64\\x86e_win64\\obj\\xtop.exe",
        "C:\\Both\\i486_nt\\obj\\xtop.exe",      "C:\\Both\\x86e_win64\\obj\\xtop.exe",
        "C:\\Unsure\\x86e_win64\\obj\\xtop.exe",
    };
    std::vector<std::string> asked;
    auto presenceOf = [&](const std::string& path) {
        asked.push_back(path);
        if (path.rfind("C:\\Unsure\\i486_nt", 0) == 0) return FilePresence::kUnknown;
        return present.count(path) != 0 ? FilePresence::kPresent : FilePresence::kAbsent;
    };
    Loadpoints found;
    found.in32BitView = {"C:\\Only64", "C:\\Only32", "C:\\Both", "C:\\Neither", "C:\\Unsure", ""};
    found.in64BitView = {"C:\\Only32", "C:\\Only64", "C:\\Both", "C:\\Neither", "C:\\Unsure", ""};
    SettleBitness(found, presenceOf);
    // Found in both views, a loadpoint with one xtop.exe ends in that bitness's list once.
    EXPECT_EQ(found.in32BitView, (LoadpointList{"", "C:\\Both", "C:\\Neither", "C:\\Only32", "C:\\Unsure"}));
    EXPECT_EQ(found.in64BitView, (LoadpointList{"", "C:\\Both", "C:\\Neither", "C:\\Only64", "C:\\Unsure"}));
    EXPECT_EQ(std::count_if(asked.begin(), asked.end(), [](const std::string& path) { return path[0] == '\\'; }), 0)
        << "an empty loadpoint is not looked at";
}

}  // namespace
}  // namespace tarnwick
