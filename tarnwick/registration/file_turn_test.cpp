#include "registration/file_turn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    // An elevated run's names: the same, in the namespace of the alias instead of the global one.
    EXPECT_EQ(FileTurnName(0, L"", TurnPlace::kAdministrators),
              L"Tarnwick\\TarnwickFileTurn-0000000000000000-cbf29ce484222325");
    EXPECT_EQ(FileTurnName(0x1234abcdull, L"PROTK.DAT", TurnPlace::kGlobal), name);
    EXPECT_EQ(FileTurnName(0x1234abcdull, L"PROTK.DAT", TurnPlace::kAdministrators), L"Tarnwick" + name.substr(6));
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
    EXPECT_EQ(FileTurnName(L"", TurnPlace::kAdministrators), L"Tarnwick\\TarnwickFileTurn-cbf29ce484222325");
}

// Steps that answer from a script and note each call: B(oundary), E(levated), A(dministrators
// added), C(reate), O(pen).
class ScriptedSteps : public TurnPlaceSteps {
public:
    ScriptedSteps(bool elevated, bool boundary, bool added, std::vector<Creation> creations, std::vector<bool> opens)
        : elevated_(elevated),
          boundary_(boundary),
          added_(added),
          creations_(std::move(creations)),
          opens_(std::move(opens)) {}
    std::string calls;

    bool Elevated() override { return Note('E', elevated_); }
    bool MakeBoundary() override { return Note('B', boundary_); }
    bool AddAdministrators() override { return Note('A', added_); }
    Creation CreateNamespace() override {
        calls += 'C';
        return creations_.at(created_++);
    }
    bool OpenNamespace() override { return Note('O', opens_.at(opened_++)); }

private:
    bool Note(char call, bool answer) {
        calls += call;
        return answer;
    }
    bool elevated_, boundary_, added_;
    std::vector<Creation> creations_;
    std::vector<bool> opens_;
    std::size_t created_ = 0, opened_ = 0;
};

TEST(ChooseTurnPlace, TakesThePrivateNamespaceOnlyWhenElevatedAndTheNamespaceIsThere) {
    using C = TurnPlaceSteps::Creation;
    constexpr TurnPlace kGlobal = TurnPlace::kGlobal;
    constexpr TurnPlace kAdmins = TurnPlace::kAdministrators;
    const struct {
        const char* what;
        bool elevated, boundary, added;
        std::vector<C> creations;
        std::vector<bool> opens;
        TurnPlace place;
        const char* calls;
    } cases[] = {
        {"an unelevated run asks for nothing more", false, true, true, {}, {}, kGlobal, "BE"},
        // Wine 8: the boundary is not made, and adding to it would end the process.
        {"no private namespaces on the platform", true, false, true, {}, {}, kGlobal, "B"},
        {"the group not added", true, true, false, {}, {}, kGlobal, "BEA"},
        {"the first run creates it", true, true, true, {C::kCreated}, {}, kAdmins, "BEAC"},
        {"creation fails", true, true, true, {C::kFailed}, {}, kGlobal, "BEAC"},
        {"another run created it", true, true, true, {C::kExists}, {true}, kAdmins, "BEACO"},
        {"its creator ended before the open", true, true, true, {C::kExists, C::kCreated}, {false}, kAdmins, "BEACOC"},
        {"gone at every open",
         true,
         true,
         true,
         {C::kExists, C::kExists, C::kExists},
         {false, false, false},
         kGlobal,
         "BEACOCOCO"},
    };
    for (const auto& c : cases) {
        ScriptedSteps steps(c.elevated, c.boundary, c.added, c.creations, c.opens);
        EXPECT_EQ(ChooseTurnPlace(steps), c.place) << c.what;
        EXPECT_EQ(steps.calls, c.calls) << c.what;
    }
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
