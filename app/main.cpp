#include <string>
#include <vector>

#include "Console.h"
#include "ViewerApp.h"

int main(int argc, char** argv) {
    // The arguments as UTF-8: Windows hands the narrow ones over in its ANSI code page.
    const std::vector<std::string> arguments = console::arguments(argc, argv);
    std::vector<const char*> utf8Argv{argc > 0 ? argv[0] : ""};
    for (const std::string& argument : arguments) {
        utf8Argv.push_back(argument.c_str());
    }
    const std::string commandLine =
        ViewerApp::rawCommandLine(static_cast<int>(utf8Argv.size()), utf8Argv.data());
    ViewerApp::useJapaneseSystemDates();
    ViewerApp app(argc, argv);
    if (!app.initInstance(commandLine)) {
        return 0;
    }
    return ViewerApp::exec();
}
