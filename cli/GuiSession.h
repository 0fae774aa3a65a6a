#pragma once

#include <memory>

class QGuiApplication;

// Fonts and drawing (the report, a PNG with the time burned in) need a QGuiApplication. The
// commands that draw hold one of these: it creates an application on the offscreen platform,
// so no display is needed, unless one exists already (tests, the window).
class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

private:
    std::unique_ptr<QGuiApplication> application;
};
