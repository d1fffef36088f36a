// A test program for the console convention: lines through ConsoleWriteLine (wide text),
// WriteOutputLine (8-bit text) and WriteErrorLine, on streams buffered as the program buffers them,
// so that the end-to-end tests can check the bytes that reach standard output and standard error
// under the real runtime library. With an argument, standard error goes into standard output's
// pipe, which shows the order of the two.
#include <io.h>

#include <cstdio>

#include "cli/console.h"
#include "skipped_file.h"

int wmain(int argumentCount, wchar_t**) {
    tarnwick::BufferStandardError();
    if (argumentCount > 1) (void)_dup2(_fileno(stdout), _fileno(stderr));
    tarnwick::ConsoleWriteLine(L"wide Caf\u00E9 \u00FF\u00A0");
    tarnwick::WriteErrorLine("error Caf\xE9");
    tarnwick::WriteOutputLine("C:\\narrow Caf\xE9\\tail \xE9");
    tarnwick::WriteErrorLine("error two");
    tarnwick::ConsoleWriteLine(L"last");
    return 0;
}
