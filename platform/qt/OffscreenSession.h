#pragma once

#include <memory>
#include <string>

class QGuiApplication;

// Fonts and drawing (the report, the times burned into a picture) need a QGuiApplication. A
// program that draws without a window holds one of these: it creates an application on the
// offscreen platform, so no display is needed, unless one exists already (tests, the window).
// Qt's notes about its surroundings (no XDG_RUNTIME_DIR, say) are dropped; its errors go to
// standard error after the program's name.
class OffscreenSession {
public:
    explicit OffscreenSession(const char* programName);
    ~OffscreenSession();
    OffscreenSession(const OffscreenSession&) = delete;
    OffscreenSession& operator=(const OffscreenSession&) = delete;

private:
    std::unique_ptr<QGuiApplication> application;
};
