#include "registration/file_turn.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(FileTurnName, IsAGlobalNameFixedByTheFolderAndTheFoldedName) {
    const std::wstring name = FileTurnName(0x1234abcdull, L"PROTK.DAT");
    EXPECT_EQ(name, L"Global\\TarnwickFileTurn-000000001234abcd-" + name.substr(41));
    EXPECT_EQ(name.size(), 24u + 16u + 1u + 16u);
    EXPECT_EQ(name, FileTurnName(0x1234abcdull, L"PROTK.DAT"));
    EXPECT_NE(name, FileTurnName(0x1234abceull, L"PROTK.DAT"));
    EXPECT_NE(name, FileTurnName(0x1234abcdull, L"PROTKX64.DAT"));
    // Fixed across builds and bitnesses: a 32-bit and a 64-bit run must meet on the same name.
    EXPECT_EQ(FileTurnName(0, L""), L"Global\\TarnwickFileTurn-0000000000000000-cbf29ce484222325");
}

TEST(FileTurnName, OfAPathWhereTheFolderCannotBeOpened) {
    const std::wstring name = FileTurnName(L"C:\\CREO\\TEXT\\PROTK.DAT");
    EXPECT_EQ(name.substr(0, 24), L"Global\\TarnwickFileTurn-");
    EXPECT_EQ(name.size(), 24u + 16u);
    EXPECT_EQ(name.find(L'\\', 7), std::wstring::npos);  // one backslash: the namespace's
    EXPECT_EQ(name, FileTurnName(L"C:\\CREO\\TEXT\\PROTK.DAT"));
    EXPECT_NE(name, FileTurnName(L"C:\\CREO\\TEXT\\PROTK.DA"));
    EXPECT_NE(name, FileTurnName(L"D:\\CREO\\TEXT\\PROTK.DAT"));
    // Fixed across builds and bitnesses: a 32-bit and a 64-bit run must meet on the same name.
    EXPECT_EQ(FileTurnName(L""), L"Global\\TarnwickFileTurn-cbf29ce484222325");
    // Both bytes of a code unit count.
    EXPECT_NE(FileTurnName(L"\u0141"), FileTurnName(L"\u0041"));
}

TEST(TemporaryFileName, IsTheExactPatternThatCleanupRemoves) {
    EXPECT_EQ(TemporaryFileName(0), L"~tw0");
    EXPECT_EQ(TemporaryFileName(0xabcdef), L"~twabcdef");
    EXPECT_EQ(TemporaryFileName(0x12abcdef), L"~twabcdef");  // the low 24 bits only
    // One fixed name per file, of the same pattern, never longer than "protk.dat".
    EXPECT_EQ(TemporaryFileNameFor(L"PROTK.DAT"), TemporaryFileNameFor(L"PROTK.DAT"));
    EXPECT_NE(TemporaryFileNameFor(L"PROTK.DAT"), TemporaryFileNameFor(L"PROTKX64.DAT"));
    EXPECT_TRUE(IsTemporaryFileName(TemporaryFileNameFor(L"PROTK.DAT")));
    EXPECT_LE(TemporaryFileNameFor(L"PROTK.DAT").size(), 9u);
    for (unsigned long value : {0ul, 9ul, 0x10ul, 0xFFFFFFul, 0x7654321ul})
        EXPECT_TRUE(IsTemporaryFileName(TemporaryFileName(value)));

    for (const wchar_t* other : {L"~tw", L"~tw1234567", L"~twABC", L"~tw12g", L"~tw12.dat", L"~Tw12", L"x~tw12",
                                 L"~tw 1", L"protk.dat", L"~tw12~"})
        EXPECT_FALSE(IsTemporaryFileName(other)) << other;
}

}  // namespace
}  // namespace tarnwick
