#pragma once

#include <memory>

class QGuiApplication;

// The share copy's burned-in times and the package's report are drawn with Qt: the server
// holds one of these on its main thread while it serves. It starts an application on the
// offscreen platform (no display) unless one runs already (the tests').
class DrawingSession {
public:
    DrawingSession();
    ~DrawingSession();
    DrawingSession(const DrawingSession&) = delete;
    DrawingSession& operator=(const DrawingSession&) = delete;

private:
    std::unique_ptr<QGuiApplication> application;
};
