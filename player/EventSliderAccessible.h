#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class EventSlider;

// What a screen reader gets from the position slider: Qt's own slider interface gives only
// the number of the position; this one gives the time the readout shows as its value text.
class EventSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit EventSliderAccessible(EventSlider* slider);

    // Registers the factory with Qt's accessibility once; later calls do nothing.
    static void install();

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    EventSlider* slider() const;
};
