#include "ClipDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ExportTexts.h"

namespace {

QRadioButton* addRadio(QVBoxLayout* layout, const QString& text, const char* name) {
    auto* button = new QRadioButton(text);
    button->setObjectName(QLatin1String(name));
    layout->addWidget(button);
    return button;
}

QDoubleSpinBox* secondsBox(const char* name, double value) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    // The readout's own resolution; the range covers any recording's frame numbers.
    box->setDecimals(3);
    box->setRange(-100000.0, 100000.0);
    box->setSingleStep(1.0);
    box->setSuffix(exportTexts::seconds);
    box->setValue(value);
    return box;
}

}  // namespace

ClipDialog::ClipDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(exportTexts::clipTitle);

    auto* kindGroup = new QGroupBox(exportTexts::kindGroup);
    auto* kindLayout = new QVBoxLayout(kindGroup);
    aviButton = addRadio(kindLayout, exportTexts::originalAvi, "aviButton");
    mkvButton = addRadio(kindLayout, exportTexts::originalMkv, "mkvButton");
    mp4Button = addRadio(kindLayout, exportTexts::shareMp4, "mp4Button");
    overlayBox = new QCheckBox(exportTexts::overlay);
    overlayBox->setObjectName(QStringLiteral("overlayBox"));
    overlayBox->setChecked(true);
    kindLayout->addWidget(overlayBox);
    aviButton->setChecked(true);

    auto* spanGroup = new QGroupBox(exportTexts::spanGroup);
    auto* spanLayout = new QVBoxLayout(spanGroup);
    wholeButton = addRadio(spanLayout, exportTexts::wholeSpan, "wholeButton");
    eventButton = addRadio(spanLayout, exportTexts::eventSpan, "eventButton");
    chosenButton = addRadio(spanLayout, exportTexts::chosenSpan, "chosenButton");
    fromBox = secondsBox("fromBox", eventBeforeSeconds);
    toBox = secondsBox("toBox", eventAfterSeconds);
    auto* range = new QFormLayout;
    range->setContentsMargins(24, 0, 0, 0);
    range->addRow(exportTexts::spanFrom, fromBox);
    range->addRow(exportTexts::spanTo, toBox);
    spanLayout->addLayout(range);
    wholeButton->setChecked(true);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(exportTexts::startButton, QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(exportTexts::cancelButton, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(kindGroup);
    layout->addWidget(spanGroup);
    layout->addWidget(buttons);

    for (QRadioButton* button : {mp4Button, chosenButton}) {
        connect(button, &QRadioButton::toggled, this, &ClipDialog::updateControls);
    }
    updateControls();
}

void ClipDialog::updateControls() {
    // Only the share copy is drawn; the originals keep the recorded bytes.
    overlayBox->setEnabled(mp4Button->isChecked());
    fromBox->setEnabled(chosenButton->isChecked());
    toBox->setEnabled(chosenButton->isChecked());
}

ClipOptions ClipDialog::options() const {
    ClipOptions options;
    if (mkvButton->isChecked()) {
        options.kind = ClipKind::OriginalMkv;
    } else if (mp4Button->isChecked()) {
        options.kind = ClipKind::ShareMp4;
    }
    if (eventButton->isChecked()) {
        options.span = {eventBeforeSeconds, eventAfterSeconds};
    } else if (chosenButton->isChecked()) {
        options.span = {fromBox->value(), toBox->value()};
    }
    options.overlay = mp4Button->isChecked() && overlayBox->isChecked();
    return options;
}

std::string ClipDialog::suffixFor(ClipKind kind) {
    switch (kind) {
        case ClipKind::OriginalMkv:
            return "mkv";
        case ClipKind::ShareMp4:
            return "mp4";
        case ClipKind::OriginalAvi:
            break;
    }
    return "avi";
}
