#include "cli/loadpoint_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {
namespace {

// Lists the fixture's loadpoints and gives the lines written, each followed by a newline; in the
// list run the loadpoints named in `gone_` are not there, and every look is noted in `looked_`.
class LoadpointListing : public ::testing::Test {
protected:
    std::string List(bool listRun) {
        RunOptions options;
        options.listXtops = listRun;
        std::string bytes;
        ListLoadpoints(
            options, loadpoints_,
            [&](const LoadpointPath& path) {
                looked_.push_back(path);
                return std::find(gone_.begin(), gone_.end(), path) == gone_.end();
            },
            [&](std::string_view line) { bytes.append(line).push_back('\n'); });
        return bytes;
    }
    Loadpoints loadpoints_;
    std::vector<std::string> gone_;
    std::vector<std::string> looked_;
};

TEST_F(LoadpointListing, NothingFound) {
    EXPECT_EQ(List(false), "No Pro/ENGINEER / Creo loadpoints have been found\n");
    EXPECT_EQ(List(true), "");
}

TEST_F(LoadpointListing, ThirtyTwoBitGroupBeforeSixtyFourBitGroup) {
    loadpoints_.thirtyTwoBit = {"C:\\Creo 2\\", "D:\\\xE9"};
    loadpoints_.sixtyFourBit = {"", "C:\\Creo 2\\"};
    EXPECT_EQ(List(false),
              "The following Pro/ENGINEER / Creo loadpoints have been found\n"
              "C:\\Creo 2\\\nD:\\\xE9\n\nC:\\Creo 2\\\n");
    EXPECT_EQ(List(true),
              "C:\\Creo 2\\\\i486_nt\\obj\\xtop.exe\n"
              "D:\\\xE9\\i486_nt\\obj\\xtop.exe\n"
              "C:\\Creo 2\\\\x86e_win64\\obj\\xtop.exe\n");
}

// The list run names only loadpoints that are there: an empty one (it would name the current
// drive's root) is left out without a look, and so is one whose look says it is gone. The
// registration run lists every loadpoint and looks at none.
TEST_F(LoadpointListing, ListRunLeavesOutEmptyAndGoneLoadpoints) {
    const struct {
        LoadpointList in32, in64, gone;
        std::string listed;
        std::vector<std::string> looked;
    } cases[] = {
        {{""}, {}, {}, "", {}},
        {{"C:\\Gone"}, {"C:\\Gone"}, {"C:\\Gone"}, "", {"C:\\Gone", "C:\\Gone"}},
        {{"", "C:\\A", "C:\\Gone"},
         {"", "C:\\B"},
         {"C:\\Gone"},
         "C:\\A\\i486_nt\\obj\\xtop.exe\nC:\\B\\x86e_win64\\obj\\xtop.exe\n",
         {"C:\\A", "C:\\Gone", "C:\\B"}},
    };
    for (const auto& c : cases) {
        loadpoints_ = {c.in32, c.in64};
        gone_ = c.gone;
        looked_.clear();
        EXPECT_EQ(List(true), c.listed) << c.listed;
        EXPECT_EQ(looked_, c.looked) << c.listed;
        looked_.clear();
        std::string all = "The following Pro/ENGINEER / Creo loadpoints have been found\n";
        for (const LoadpointList* list : {&c.in32, &c.in64}) {
            for (const std::string& path : *list) all += path + "\n";
        }
        EXPECT_EQ(List(false), all);
        EXPECT_TRUE(looked_.empty());
    }
}

TEST_F(LoadpointListing, OnlySixtyFourBitLoadpoints) {
    loadpoints_.sixtyFourBit = {"E:\\Creo"};
    EXPECT_EQ(List(false), "The following Pro/ENGINEER / Creo loadpoints have been found\nE:\\Creo\n");
}

}  // namespace
}  // namespace tarnwick
