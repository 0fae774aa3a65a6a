#include "Console.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>

#include <windows.h>
#include <shellapi.h>

#include "WideText.h"

namespace console {

std::vector<std::string> arguments(int argc, char** argv) {
    // The narrow argv went through the ANSI code page; the wide command line keeps every name.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv + (argc > 0 ? 1 : 0), argv + argc};
    }
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i) {
        result.push_back(utf8Text(wide[i]));
    }
    LocalFree(wide);
    return result;
}

void prepareOutput() {
    // The same bytes as on other systems (JSON, lists a script reads): no CR before each LF.
    // A console still starts each line at its left edge.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(error, &mode) != 0) {
        SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

bool errorIsTerminal() {
    // A console, not the NUL device or a file, both of which _isatty also calls a character
    // device.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace console
