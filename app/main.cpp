#include "ViewerApp.h"

int main(int argc, char** argv) {
    const std::string commandLine = ViewerApp::rawCommandLine(argc, argv);
    ViewerApp::useJapaneseSystemDates();
    ViewerApp app(argc, argv);
    if (!app.initInstance(commandLine)) {
        return 0;
    }
    return ViewerApp::exec();
}
