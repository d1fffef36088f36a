// Win32 only: a file's turn (the machine-wide mutex of file_turn.h), the namespace it lives in, and
// the removal of temporary files that killed runs left behind.
#pragma once

#include <windows.h>

#include <string>

#include "registration/file_turn.h"
#include "win/scoped_handle.h"

namespace tarnwick {

// Where this run's turns live: chosen on the first call, with the platform's steps
// (ChooseTurnPlace), and kept for the rest of the run, the namespace held open so that the runs
// that open it after this one meet the same mutexes.
TurnPlace TurnPlaceOfThisRun();

// How long a run waits for a file's turn before passing the file over. A turn lasts one read,
// merge and rename of one file, a few milliseconds even for large files, so only a run that is
// stopped (suspended, or a foreign program holding the mutex) makes anyone wait this long.
inline constexpr DWORD kFileTurnWaitMilliseconds = 10000;

// Holds the turn of the file at `fullPath` (as GetFullPathNameW gives it) while the object lives,
// in the place of this run's turns. A turn abandoned by a killed run is taken over: files are only
// ever replaced by a rename, so the file it worked on is whole.
class FileTurnMutex {
public:
    explicit FileTurnMutex(const std::wstring& fullPath);
    ~FileTurnMutex();
    FileTurnMutex(const FileTurnMutex&) = delete;
    FileTurnMutex& operator=(const FileTurnMutex&) = delete;
    // False when the turn did not come within kFileTurnWaitMilliseconds, or could not be asked
    // for at all: the file must then be left alone.
    bool held() const { return held_; }
    // The file's own temporary file name (TemporaryFileNameFor its long name).
    const std::wstring& temporaryName() const { return temporaryName_; }

private:
    win::KernelHandle mutex_;
    bool held_ = false;
    std::wstring temporaryName_;
};

// Removes from `directory` (which ends with a backslash) every file whose name is of the
// temporary pattern exactly (IsTemporaryFileName) and that no running program holds open. A
// running program holds its temporary file open without sharing until it has renamed it, so only
// the leftovers of runs that ended without finishing are removed. A link or junction of that
// pattern is removed as itself, never followed; one that cannot be is left. It lists the folder,
// which is slow under Wine, so it is done only where a leftover was seen.
void RemoveLeftoverTemporaryFiles(const std::wstring& directory);

// Removes the temporary file of the file whose turn is `turn`, at `fullPath`, when a run that was
// killed left it and nobody holds it. Returns whether there was one.
bool RemoveOwnLeftover(const FileTurnMutex& turn, const std::wstring& fullPath);

}  // namespace tarnwick
