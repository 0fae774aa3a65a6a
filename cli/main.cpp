#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Console.h"

int main(int argc, char** argv) {
    console::prepareOutput();
    const std::vector<std::string> args = console::arguments(argc, argv);
    return runCli(args, std::cout, std::cerr);
}
