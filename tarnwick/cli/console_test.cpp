#include "cli/console.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

// A line's bytes are those of a text-mode write: every line feed, also one inside the line, gets
// its carriage return; every other byte, 8-bit ones included, stays as it is.
TEST(Console, LineBytesAsTextModeWritesThem) {
    const struct {
        std::wstring wide;
        std::string bytes;
    } cases[] = {
        {L"", "\r\n"},
        {L"C:\\Creo", "C:\\Creo\r\n"},
        {L"a\nb\r\nc\n", "a\r\nb\r\r\nc\r\n\r\n"},
        {L"Caf\u00E9 \u00FF\u00A0\u0100\u20AC", "Caf\xE9 \xFF\xA0??\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextModeLine(LatinOneText(c.wide)), c.bytes) << c.bytes;
    EXPECT_EQ(TextModeLine(std::string("\0\x1A\xE9", 3)), std::string("\0\x1A\xE9\r\n", 5));
}

}  // namespace
}  // namespace tarnwick
