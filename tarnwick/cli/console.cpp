#include "cli/console.h"

#include <iostream>

namespace tarnwick {

void ConsoleWriteLine(const wchar_t* text) {
    std::wcout << text << L'\n';
    std::wcout.flush();
}

}  // namespace tarnwick
