// A test program for the console convention: wide lines through ConsoleWriteLine and narrow text
// through the narrow stream, mixed within one line the way the loadpoint listing does, so that the
// end-to-end tests can check the bytes that reach standard output under the real runtime library.
#include "cli/console.h"

#include <iostream>

int wmain() {
    tarnwick::ConsoleWriteLine(L"wide Caf\u00E9 \u00FF\u00A0");
    std::cout << "C:\\narrow Caf\xE9";
    std::cout.flush();
    std::wcout << L"\\wide tail \u00E9";
    std::wcout.flush();
    std::cout << '\n';
    std::cout.flush();
    tarnwick::ConsoleWriteLine(L"last");
    return 0;
}
