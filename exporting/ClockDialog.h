#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QDialog>

#include "ClockCorrection.h"

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Asks how far the recorder's clock was off, either as the offset in seconds or as the true
// time of the frame on screen, and why. The exports of the open recording then show the
// corrected times.
class ClockDialog : public QDialog {
    Q_OBJECT

public:
    struct Frame {
        std::string captureDate;  // as stored; may be empty
        std::int32_t firstNumber = 0;
        std::int32_t number = 0;  // the frame on screen
        std::string timeText;     // its readout text
    };

    ClockDialog(const ClockCorrection& current, const Frame& frame, QWidget* parent = nullptr);

    // After exec(): the correction chosen (not stated when the user chose 補正しない).
    const ClockCorrection& correction() const { return chosen; }
    // The offset the controls give now; nothing when they hold no valid one.
    std::optional<std::int64_t> enteredOffset() const;

private:
    void updatePreview();

    Frame frame;
    std::optional<std::int64_t> recordedInstant;
    ClockCorrection chosen;
    QRadioButton* offsetButton = nullptr;
    QRadioButton* trueTimeButton = nullptr;
    QLineEdit* offsetEdit = nullptr;
    QDateTimeEdit* trueTimeEdit = nullptr;
    QLineEdit* noteEdit = nullptr;
    QLabel* preview = nullptr;
    QPushButton* okButton = nullptr;
};
