#include "EventSlider.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include "EventSliderAccessible.h"

namespace {

constexpr int markWidth = 3;
const QColor markColour(220, 0, 0);

}  // namespace

EventSlider::EventSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    EventSliderAccessible::install();
}

void EventSlider::setTimeReadout(QLabel* readout, const QString& unit) {
    timeReadout = readout;
    timeUnit = unit;
}

QString EventSlider::valueText() const {
    if (timeReadout.isNull()) {
        return {};
    }
    const QString time = timeReadout->text();
    bool isNumber = false;
    time.toDouble(&isNumber);
    return isNumber ? time + timeUnit : QString();
}

bool EventSlider::showsEventMark() const {
    return minimum() <= eventPosition && maximum() >= eventPosition;
}

int EventSlider::eventMarkX() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = eventPosition;
    option.sliderValue = eventPosition;
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    return handle.left() + handle.width() / 2;
}

// What QSlider paints, in two passes so that the mark goes between the groove with its
// ticks and the handle.
void EventSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks) {
        option.subControls |= QStyle::SC_SliderTickmarks;
    }
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    if (showsEventMark()) {
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const int x = eventMarkX() - markWidth / 2;
        // From the groove's top down through the tick marks below it.
        painter.fillRect(QRect(x, groove.top(), markWidth, height() - groove.top()), markColour);
    }

    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}
