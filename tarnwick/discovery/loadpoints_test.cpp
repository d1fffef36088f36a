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

// The environment of the tests: %PTC% is D:\PTC, %DEEP% a folder of 250 bytes, %LONG...% (a name
// of 300 letters) C:\L; a text holding %FAIL% cannot be expanded. Other references stay.
std::optional<std::string> Expand(const std::string& text) {
    if (text.find("%FAIL%") != std::string::npos) return std::nullopt;
    std::string expanded = text;
    const std::pair<std::string, std::string> variables[] = {
        {"%PTC%", "D:\\PTC"}, {"%DEEP%", "D:\\" + std::string(247, 'd')}, {"%" + std::string(300, 'L') + "%", "C:\\L"}};
    for (const auto& [reference, value] : variables) {
        for (std::size_t at; (at = expanded.find(reference)) != std::string::npos;)
            expanded.replace(at, reference.size(), value);
    }
    return expanded;
}

std::optional<LoadpointPath> Of(const RegistryValueRead& commonFilesLocation, const RegistryValueRead& installDir) {
    return LoadpointOfInstallation(commonFilesLocation, installDir, &Expand);
}

TEST(LoadpointOfInstallation, CommonFilesLocationWinsWhenItIsAStringReadWholeAndNotEmpty) {
    const RegistryValueRead parametric = StringValue("C:\\PTC\\Creo 7.0.1.0\\Parametric\0"s);
    EXPECT_EQ(Of(StringValue("C:\\PTC\\Creo 7.0.1.0\\Common Files\0"s), parametric),
              "C:\\PTC\\Creo 7.0.1.0\\Common Files");
    EXPECT_EQ(Of(StringValue("%PTC%\\Common Files", 2), parametric), "D:\\PTC\\Common Files");
    // Without InstallDir the key still names its Common Files folder.
    EXPECT_EQ(Of(StringValue("D:\\CF"), RegistryValueRead{}), "D:\\CF");

    // Absent, empty, not a string (a number, or binary data of a path's bytes), too long for
    // the buffer, or too long once expanded: InstallDir decides, exactly as for a key that has no
    // CommonFilesLocation.
    const RegistryValueRead tooLong{true, 1, false, ""};
    for (const RegistryValueRead& commonFiles :
         {RegistryValueRead{}, StringValue(""), StringValue("\0C:\\CF"s), RegistryValueRead{true, 4, false, ""},
          RegistryValueRead{true, 3, true, "C:\\CF"}, tooLong, StringValue("%DEEP%\\" + std::string(9, 'f'), 2)}) {
        EXPECT_EQ(Of(commonFiles, parametric), "C:\\PTC\\Creo 7.0.1.0\\Parametric");
        EXPECT_EQ(Of(commonFiles, StringValue("")), "");  // an empty InstallDir counts
        EXPECT_EQ(Of(commonFiles, tooLong), std::nullopt);
        EXPECT_EQ(Of(commonFiles, RegistryValueRead{true, 4, false, ""}), std::nullopt);
        EXPECT_EQ(Of(commonFiles, RegistryValueRead{}), std::nullopt);
    }
}

TEST(LoadpointOfInstallation, ExpandsExpandableValuesAndTakesTheLengthRuleOnTheExpandedText) {
    const std::string deep = "D:\\" + std::string(247, 'd');  // 250 bytes
    const struct {
        RegistryValueRead installDir;
        std::optional<LoadpointPath> loadpoint;
    } cases[] = {
        {StringValue("%PTC%\\Creo\0junk"s, 2), "D:\\PTC\\Creo"},  // the text up to its NUL
        {StringValue("%PTC%\\Creo"), "%PTC%\\Creo"},              // a plain string stays
        {StringValue("%Unknown%\\Creo", 2), "%Unknown%\\Creo"},   // as the system leaves it
        {StringValue("%DEEP%\\" + std::string(8, 'f'), 2), deep + "\\" + std::string(8, 'f')},    // 259 bytes
        {StringValue("%DEEP%\\" + std::string(9, 'f'), 2), std::nullopt},                         // 260 bytes
        {StringValue(std::string(1, '%').append(300, 'L').append("%\\Creo"), 2), "C:\\L\\Creo"},  // 307 bytes before
        {StringValue("%FAIL%\\Creo", 2), std::nullopt},
        {StringValue("", 2), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Of(RegistryValueRead{}, c.installDir), c.loadpoint) << c.installDir.data;
        // As CommonFilesLocation, a value passed over or empty leaves the choice to InstallDir.
        const LoadpointPath chosen = c.loadpoint.value_or("").empty() ? "C:\\Parametric" : *c.loadpoint;
        EXPECT_EQ(Of(c.installDir, StringValue("C:\\Parametric")), chosen) << c.installDir.data;
    }
}

TEST(ForEachSubkeyName, PassesOverANameThatDoesNotFitAndEndsAtAnyOtherFailure) {
    // Each case: the statuses the registry gives for indexes 0, 1, ... (0 gives the name "K<index>"),
    // and the names visited. 234 is ERROR_MORE_DATA, 259 ERROR_NO_MORE_ITEMS, 5 ERROR_ACCESS_DENIED,
    // 1018 ERROR_KEY_DELETED.
    const struct {
        std::vector<long> statuses;
        std::vector<std::string> visited;
    } cases[] = {
        {{0, 234, 0, 259}, {"K0", "K2"}},
        {{234, 234, 0, 234, 259}, {"K2"}},
        {{0, 5, 0, 259}, {"K0"}},
        {{0, 1018, 0, 259}, {"K0"}},
        {{259, 0}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> visited;
        ForEachSubkeyName(
            [&](std::uint32_t index, std::string& name) {
                name = "K";
                name += std::to_string(index);
                return index < c.statuses.size() ? c.statuses[index] : 259L;
            },
            [&](const std::string& name) { visited.push_back(name); });
        EXPECT_EQ(visited, c.visited) << c.statuses.size() << " statuses";
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
    found.thirtyTwoBit = {"C:\\Only64", "C:\\Only32", "C:\\Both", "C:\\Neither", "C:\\Unsure", ""};
    found.sixtyFourBit = {"C:\\Only32", "C:\\Only64", "C:\\Both", "C:\\Neither", "C:\\Unsure", ""};
    SettleBitness(found, presenceOf);
    // Found in both views, a loadpoint with one xtop.exe ends in that bitness's list once.
    EXPECT_EQ(found.thirtyTwoBit, (LoadpointList{"", "C:\\Both", "C:\\Neither", "C:\\Only32", "C:\\Unsure"}));
    EXPECT_EQ(found.sixtyFourBit, (LoadpointList{"", "C:\\Both", "C:\\Neither", "C:\\Only64", "C:\\Unsure"}));
    EXPECT_EQ(std::count_if(asked.begin(), asked.end(), [](const std::string& path) { return path[0] == '\\'; }), 0)
        << "an empty loadpoint is not looked at";
}

}  // namespace
}  // namespace tarnwick
