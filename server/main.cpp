#include <iostream>
#include <string>
#include <vector>

#include "ServerCli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return runServerCli(args, std::cin, std::cout, std::cerr);
}
