#pragma once

#include <map>

#include <QObject>

#include "MultimediaTimer.h"

class QTimer;

// Periodic timers as precise QTimers on the thread that starts them (the user-interface
// thread), so a tick never runs beside the handlers that move the same recording.
class QtMultimediaTimer final : public QObject, public MultimediaTimer {
    Q_DISABLE_COPY_MOVE(QtMultimediaTimer)

public:
    explicit QtMultimediaTimer(QObject* parent = nullptr);
    ~QtMultimediaTimer() override;

    std::optional<Capabilities> capabilities() override;
    std::uint32_t setEvent(std::uint32_t periodMs, Callback callback) override;
    void killEvent(std::uint32_t timerId) override;
    std::uint32_t time() override;

private:
    std::map<std::uint32_t, QTimer*> timers;  // owned as children
    std::uint32_t lastId = 0;
};
