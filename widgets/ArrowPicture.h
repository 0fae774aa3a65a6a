#pragma once

#include <QPen>
#include <QWidget>

// The double-headed scale arrow between the "低" and "高" labels. Its picture depends only on
// its size; it draws no background, so the dialog shows through.
class ArrowPicture : public QWidget {
    Q_OBJECT

public:
    explicit ArrowPicture(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPen pen;
};
