#pragma once

#include <string>
#include <vector>

// What a console program needs of the terminal it runs in.
namespace console {

// The program's arguments as UTF-8, whatever the system's code page, without the program name.
std::vector<std::string> arguments(int argc, char** argv);

// Makes the console show the program's UTF-8 output as such (Japanese texts and paths) and
// understand the escape sequences of a progress line, and writes standard output and error
// as the bytes the program gives (no CR added on Windows). Nothing where that is already so.
void prepareOutput();

// Whether standard error is a terminal a person watches, rather than a file or a pipe.
bool errorIsTerminal();

}  // namespace console
