#pragma once

#include <QWidget>

#include "ScaledPixmap.h"

// The blue strip along the bottom of the main window with the logo at its right end.
class LogoBar : public QWidget {
    Q_OBJECT

public:
    explicit LogoBar(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ScaledPixmap logo;
};
