#pragma once

#include <string>

#include <QDialog>

#include "ClipExport.h"

class QCheckBox;
class QDoubleSpinBox;
class QRadioButton;

// Asks what clip to write: the kind (original AVI or MKV, share copy MP4), the span on the
// readout (whole recording, around the event, or from/to in seconds) and, for the share copy,
// whether the times are burned in.
class ClipDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr double eventBeforeSeconds = -5.0;
    static constexpr double eventAfterSeconds = 3.0;

    explicit ClipDialog(QWidget* parent = nullptr);

    // The choices as the export takes them; `replace` stays false.
    ClipOptions options() const;
    // "avi", "mkv" or "mp4".
    static std::string suffixFor(ClipKind kind);

private:
    void updateControls();

    QRadioButton* aviButton = nullptr;
    QRadioButton* mkvButton = nullptr;
    QRadioButton* mp4Button = nullptr;
    QRadioButton* wholeButton = nullptr;
    QRadioButton* eventButton = nullptr;
    QRadioButton* chosenButton = nullptr;
    QDoubleSpinBox* fromBox = nullptr;
    QDoubleSpinBox* toBox = nullptr;
    QCheckBox* overlayBox = nullptr;
};
