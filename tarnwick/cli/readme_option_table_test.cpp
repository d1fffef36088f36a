// Host only: the README's option table says what the rows of kOptionTable say, row for row.
#include "cli/option_table.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// The cells of a Markdown table row "| a | b | c |", each without its surrounding blanks.
std::vector<std::string> CellsOf(const std::string& row) {
    std::vector<std::string> cells;
    std::size_t start = row.find('|') + 1;
    for (std::size_t bar = row.find('|', start); bar != std::string::npos; bar = row.find('|', start)) {
        const std::string cell = row.substr(start, bar - start);
        const std::size_t first = cell.find_first_not_of(' ');
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, cell.find_last_not_of(' ') - first + 1));
        start = bar + 1;
    }
    return cells;
}

// The rows of the README's option table, after its header and separator lines.
std::vector<std::vector<std::string>> ReadmeOptionRows() {
    std::ifstream readme(TW_README_PATH);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(readme, line) && line != "| Option | Value | Description |") {
    }
    std::getline(readme, line);  // |---|---|---|
    while (std::getline(readme, line) && line.rfind('|', 0) == 0) rows.push_back(CellsOf(line));
    return rows;
}

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text != L'\0'; ++text) narrow.push_back(static_cast<char>(*text));
    return narrow;
}

TEST(ReadmeOptionTable, HasOneRowPerOptionWithItsNameValueAndDescription) {
    const std::vector<std::vector<std::string>> rows = ReadmeOptionRows();
    ASSERT_EQ(rows.size(), kOptionTable.size()) << TW_README_PATH;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CommandOption& option = kOptionTable[i];
        const std::vector<std::string> expected = {"`/" + Narrow(option.optionName) + "`",
                                                   option.takesValue ? "yes" : "no", Narrow(option.helpText)};
        EXPECT_EQ(rows[i], expected) << i;
    }
}

}  // namespace
}  // namespace tarnwick
