#include "Console.h"

#include <unistd.h>

namespace console {

std::vector<std::string> arguments(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

void prepareOutput() {}

bool errorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace console
