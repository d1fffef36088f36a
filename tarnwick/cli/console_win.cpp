// Win32 only: the console lines' one write each.
#include <windows.h>

#include <cstdio>

#include "cli/console.h"

namespace tarnwick {

namespace {

// Large enough for every line the program writes to standard error: a path of at most 259 bytes
// and its reason.
constexpr std::size_t kErrorBufferSize = 4096;

}  // namespace

void WriteOutputLine(std::string_view line) {
    // Past the runtime library: it would ask, for each write, whether the handle is a console. The
    // bytes are those of its text mode. A failed write is not reported (nothing could report it).
    const std::string bytes = TextModeLine(line);
    DWORD written = 0;
    (void)WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void ConsoleWriteLine(const wchar_t* text) {
    WriteOutputLine(LatinOneText(text));
}

void BufferStandardError() {
    (void)std::setvbuf(stderr, nullptr, _IOFBF, kErrorBufferSize);
}

}  // namespace tarnwick
