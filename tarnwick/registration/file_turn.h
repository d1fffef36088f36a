// The names of a file's turn (a machine-wide mutex that every run holds from reading a file to
// putting its new bytes in place), the choice of the namespace they live in, and the names of the
// program's temporary files; file_turn_win.h holds the mutex. A turn is named by the folder's
// identity, which every spelling of the folder shares and no replacement of the file changes, and
// the file's long name.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Where a run's turns live, chosen once per run (ChooseTurnPlace).
enum class TurnPlace {
    // The machine's global names ("Global\..."), which every account may open and take: the place
    // of an unelevated run, and of an elevated one where the platform cannot make the namespace.
    kGlobal,
    // The private namespace whose boundary holds the Administrators group (alias
    // kTurnNamespaceAlias), which only a token holding that group enabled can open: no other user
    // can make, take or block a turn there.
    kAdministrators,
};

// The boundary descriptor's name and the namespace's alias, the prefix of the names in it.
inline constexpr std::wstring_view kTurnBoundaryName = L"Tarnwick";
inline constexpr std::wstring_view kTurnNamespaceAlias = L"Tarnwick";

// The mutex name of the file whose long name, folded to upper case, is `foldedName`, in the
// folder whose file index is `folderIndex`: the place's prefix ("Global\", or the alias and a
// backslash), "TarnwickFileTurn-", the index in 16 hex digits, "-" and 16 hex digits of a hash of
// the name's UTF-16 code units. The same for 32-bit and 64-bit runs.
std::wstring FileTurnName(unsigned long long folderIndex, std::wstring_view foldedName,
                          TurnPlace place = TurnPlace::kGlobal);

// The mutex name of a file whose folder cannot be opened (so nothing can be written there): the
// place's prefix, "TarnwickFileTurn-" and 16 hex digits of a hash of its full path, folded to upper
// case.
std::wstring FileTurnName(std::wstring_view foldedFullPath, TurnPlace place = TurnPlace::kGlobal);

// The platform's steps towards the private namespace of the turns, each called only as
// ChooseTurnPlace says (the Win32 ones are in file_turn_win.cpp).
class TurnPlaceSteps {
public:
    enum class Creation { kCreated, kExists, kFailed };
    virtual ~TurnPlaceSteps() = default;
    // Makes the boundary descriptor; false where the platform has no private namespaces. Asked
    // first: it costs nothing, where the membership check costs a call to the Wine server.
    virtual bool MakeBoundary() = 0;
    // Whether the run's token holds the Administrators group enabled: an elevated administrator,
    // an administrator with UAC off, SYSTEM. A UAC-filtered administrator holds it for deny only.
    virtual bool Elevated() = 0;
    // Puts the Administrators group into the boundary made by MakeBoundary. Never called without
    // one: where boundaries cannot be made (Wine 8), this call ends the process.
    virtual bool AddAdministrators() = 0;
    // Creates the namespace (its DACL: Administrators and SYSTEM only) over the boundary.
    virtual Creation CreateNamespace() = 0;
    // Opens the namespace that another run created.
    virtual bool OpenNamespace() = 0;
};

// How many times a run tries to create or open the namespace: one that exists when the run
// creates it may be gone when it opens it, its creator having ended meanwhile.
inline constexpr int kTurnNamespaceAttempts = 3;

// The place of a run's turns: kAdministrators when the platform makes boundaries, the run is
// elevated and the namespace is created or opened, kGlobal otherwise. Asks `steps` in the order
// of its declaration and stops at the first that decides.
TurnPlace ChooseTurnPlace(TurnPlaceSteps& steps);

// The name of the temporary file that carries a file's new bytes until it is renamed over the
// file: "~tw" and the low 24 bits of `value` in lower-case hex without leading zeros, so never
// longer than "protk.dat" or a spare file's name.
std::wstring TemporaryFileName(unsigned long value);

// The one temporary file name of the file whose long name, folded to upper case, is `foldedName`
// (TemporaryFileName of a hash of it): a run that is killed leaves its temporary file under the
// name that the next run for the same file tries first, so that run finds it without listing
// the folder.
std::wstring TemporaryFileNameFor(std::wstring_view foldedName);

// Whether `name` is of exactly that pattern: "~tw" followed by one to six lower-case hex digits,
// nothing else. Only such files are ever removed as leftovers of earlier runs.
bool IsTemporaryFileName(std::wstring_view name);

}  // namespace tarnwick
