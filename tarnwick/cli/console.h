// Console output. Everything goes to standard output, never to standard error: wide texts
// through the wide stream, narrow (8-bit) loadpoint paths through the narrow one, each line
// flushed at once so that both streams come out in program order.
#pragma once

namespace tarnwick {

// Writes `text` to the wide standard-output stream, then one newline, then flushes.
void ConsoleWriteLine(const wchar_t* text);

}  // namespace tarnwick
