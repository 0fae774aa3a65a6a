#include "ClockDialog.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ExportTexts.h"
#include "TimeOfDay.h"

namespace {

// The capture date has no time zone; the dialog reads and writes it as UTC so that no
// daylight-saving rule of this computer moves it.
QDateTime fromInstant(std::int64_t milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

}  // namespace

ClockDialog::ClockDialog(const ClockCorrection& current, const Frame& shown, QWidget* parent)
    : QDialog(parent),
      frame(shown),
      recordedInstant(frameInstantMilliseconds(shown.captureDate, shown.firstNumber, shown.number)),
      chosen(current) {
    setWindowTitle(exportTexts::clockTitle);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(exportTexts::clockExplain));
    layout->addWidget(new QLabel(exportTexts::currentFrame.arg(frame.number).arg(
        QString::fromStdString(frame.timeText))));
    const std::optional<std::string> recorded =
        frameTimeOfDay(frame.captureDate, frame.firstNumber, frame.number);
    layout->addWidget(new QLabel(recorded ? exportTexts::recordedTime.arg(
                                                QString::fromStdString(*recorded))
                                          : exportTexts::noCaptureDate));

    auto* form = new QFormLayout;
    offsetButton = new QRadioButton(exportTexts::byOffset);
    offsetButton->setObjectName(QStringLiteral("offsetButton"));
    offsetEdit = new QLineEdit;
    offsetEdit->setObjectName(QStringLiteral("offsetEdit"));
    offsetEdit->setPlaceholderText(exportTexts::offsetHint);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(offsetEdit);
    offsetRow->addWidget(new QLabel(exportTexts::seconds.trimmed()));
    form->addRow(offsetButton, offsetRow);

    trueTimeButton = new QRadioButton(exportTexts::byTrueTime);
    trueTimeButton->setObjectName(QStringLiteral("trueTimeButton"));
    trueTimeEdit = new QDateTimeEdit;
    trueTimeEdit->setObjectName(QStringLiteral("trueTimeEdit"));
    trueTimeEdit->setTimeSpec(Qt::UTC);
    trueTimeEdit->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    form->addRow(trueTimeButton, trueTimeEdit);

    noteEdit = new QLineEdit(QString::fromStdString(current.note));
    noteEdit->setObjectName(QStringLiteral("noteEdit"));
    noteEdit->setPlaceholderText(exportTexts::clockNoteHint);
    form->addRow(exportTexts::clockNote, noteEdit);
    layout->addLayout(form);

    preview = new QLabel;
    preview->setObjectName(QStringLiteral("preview"));
    layout->addWidget(preview);

    auto* buttons = new QDialogButtonBox;
    okButton = buttons->addButton(exportTexts::okButton, QDialogButtonBox::AcceptRole);
    QPushButton* clear = buttons->addButton(exportTexts::noCorrection, QDialogButtonBox::ResetRole);
    clear->setObjectName(QStringLiteral("clearButton"));
    buttons->addButton(exportTexts::cancelButton, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    const std::int64_t offset = current.offsetMilliseconds.value_or(0);
    if (current.stated()) {
        offsetEdit->setText(QString::fromStdString(clockOffsetText(offset)).section(u' ', 0, 0));
    }
    if (recordedInstant) {
        trueTimeEdit->setDateTime(fromInstant(*recordedInstant + offset));
    } else {
        trueTimeButton->setEnabled(false);
        trueTimeEdit->setEnabled(false);
    }
    offsetButton->setChecked(true);

    connect(offsetButton, &QRadioButton::toggled, this, &ClockDialog::updatePreview);
    connect(offsetEdit, &QLineEdit::textChanged, this, &ClockDialog::updatePreview);
    connect(trueTimeEdit, &QDateTimeEdit::dateTimeChanged, this, &ClockDialog::updatePreview);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        chosen.offsetMilliseconds = enteredOffset();
        chosen.note = noteEdit->text().trimmed().toStdString();
        accept();
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        chosen = {};
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updatePreview();
    offsetEdit->setFocus();
}

std::optional<std::int64_t> ClockDialog::enteredOffset() const {
    if (offsetButton->isChecked()) {
        return parseClockOffset(offsetEdit->text().trimmed().toStdString());
    }
    if (!recordedInstant) {
        return std::nullopt;
    }
    const std::int64_t offset = trueTimeEdit->dateTime().toMSecsSinceEpoch() - *recordedInstant;
    if (offset > maxClockOffsetMilliseconds || offset < -maxClockOffsetMilliseconds) {
        return std::nullopt;
    }
    return offset;
}

void ClockDialog::updatePreview() {
    offsetEdit->setEnabled(offsetButton->isChecked());
    trueTimeEdit->setEnabled(trueTimeButton->isChecked());
    const std::optional<std::int64_t> offset = enteredOffset();
    okButton->setEnabled(offset.has_value());
    if (!offset) {
        const bool typing = offsetButton->isChecked() && offsetEdit->text().trimmed().isEmpty();
        preview->setText(typing ? QString() : exportTexts::badOffset);
        return;
    }
    const std::optional<std::string> corrected =
        frameTimeOfDay(frame.captureDate, frame.firstNumber, frame.number, *offset);
    preview->setText(exportTexts::correctedPreview.arg(
        corrected ? QString::fromStdString(*corrected) : QStringLiteral("—"),
        QString::fromStdString(clockOffsetText(*offset))));
}
