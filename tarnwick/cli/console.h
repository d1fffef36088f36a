// Console output. The listing and the messages go to standard output, each line with one write to
// the system, whether the output is a console, a pipe or a file, and independent of the runtime
// library's buffering; the lines of files passed over go to standard error (skipped_file.h), each
// flushed at once, so that the two come out in program order.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The bytes that a text-mode write of `line` and its newline gives: a carriage return before each
// line feed, and CR LF at the end.
std::string TextModeLine(std::string_view line);

// `text` as 8-bit text: each character up to U+00FF as its own byte (as the runtime's "C" locale
// gives it), a character beyond that, which no text of the program holds, as '?'.
std::string LatinOneText(std::wstring_view text);

// The Win32 edge (console_win.cpp) -------------------------------------------------------------

// Writes TextModeLine(line) to standard output with one call.
void WriteOutputLine(std::string_view line);

// Writes LatinOneText(text) as a line to standard output with one call.
void ConsoleWriteLine(const wchar_t* text);

// Gives standard error a buffer of its own, before anything is written to it. The runtime leaves a
// standard error that is a console (or the NUL device) without one and hands each character of a
// line to the system on its own; with the buffer, a line flushed at its end goes out in one write.
void BufferStandardError();

}  // namespace tarnwick
