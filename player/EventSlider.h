#pragma once

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QString>

// The position slider with a mark on its groove at the event: the position of frame number
// 451, 0.000 s, whenever the range reaches it. The mark lies under the handle and over the
// groove and the tick marks.
class EventSlider final : public QSlider {
    Q_OBJECT

public:
    static constexpr int eventPosition = 450;

    explicit EventSlider(QWidget* parent = nullptr);

    bool showsEventMark() const;
    // The x of the mark's centre line, where the handle's centre stands at that position.
    int eventMarkX() const;

    // The readout whose time a screen reader gets as this slider's value, with `unit` after
    // it ("-15.000 秒"); a readout without a time ("--.---") gives no value text.
    void setTimeReadout(QLabel* readout, const QString& unit);
    QString valueText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QLabel> timeReadout;
    QString timeUnit;
};
