#include "EventSliderAccessible.h"

#include "EventSlider.h"

namespace {

QAccessibleInterface* eventSliderFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("EventSlider") && object != nullptr && object->isWidgetType()) {
        return new EventSliderAccessible(qobject_cast<EventSlider*>(object));
    }
    return nullptr;
}

}  // namespace

EventSliderAccessible::EventSliderAccessible(EventSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

void EventSliderAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(eventSliderFactory);
        return true;
    }();
    (void)installed;
}

EventSlider* EventSliderAccessible::slider() const {
    return qobject_cast<EventSlider*>(widget());
}

QString EventSliderAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return slider()->valueText();
    }
    return QAccessibleWidget::text(t);
}

void* EventSliderAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(t);
}

QVariant EventSliderAccessible::currentValue() const {
    return slider()->value();
}

void EventSliderAccessible::setCurrentValue(const QVariant& value) {
    if (!slider()->isEnabled()) {
        return;
    }
    // As a user's move: through the action signal, so the window seeks.
    slider()->setSliderPosition(value.toInt());
    slider()->triggerAction(QAbstractSlider::SliderMove);
}

QVariant EventSliderAccessible::maximumValue() const {
    return slider()->maximum();
}

QVariant EventSliderAccessible::minimumValue() const {
    return slider()->minimum();
}

QVariant EventSliderAccessible::minimumStepSize() const {
    return slider()->singleStep();
}
