#include "QtMultimediaTimer.h"

#include <limits>

#include <QTimer>

QtMultimediaTimer::QtMultimediaTimer(QObject* parent) : QObject(parent) {}

QtMultimediaTimer::~QtMultimediaTimer() {
    for (auto& [id, timer] : timers) {
        timer->stop();
    }
}

std::optional<MultimediaTimer::Capabilities> QtMultimediaTimer::capabilities() {
    // What QTimer can honour: whole milliseconds, up to the int interval it takes.
    return Capabilities{1, static_cast<std::uint32_t>(std::numeric_limits<int>::max())};
}

std::uint32_t QtMultimediaTimer::setEvent(std::uint32_t periodMs, Callback callback) {
    if (periodMs == 0 || periodMs > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
        !callback) {
        return 0;
    }
    do {
        ++lastId;
    } while (lastId == 0 || timers.contains(lastId));
    const std::uint32_t id = lastId;

    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(periodMs));
    connect(timer, &QTimer::timeout, this, [callback = std::move(callback), id] { callback(id); });
    timers.emplace(id, timer);
    timer->start();
    return id;
}

void QtMultimediaTimer::killEvent(std::uint32_t timerId) {
    const auto found = timers.find(timerId);
    if (found == timers.end()) {
        return;
    }
    // Usually killed from inside its own tick, so it is deleted once that tick has returned.
    found->second->stop();
    found->second->deleteLater();
    timers.erase(found);
}

std::uint32_t QtMultimediaTimer::time() {
    return steadyClockMilliseconds();
}
