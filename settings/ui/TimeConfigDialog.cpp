#include "TimeConfigDialog.h"

#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimeEdit>

#include "ClockLines.h"
#include "DialogUnits.h"
#include "OutputTarget.h"
#include "ProgramFolder.h"

namespace {

namespace text {
constexpr const char* title = "「ソラミル」の設定：時計";
constexpr const char* explanation =
    "「ソラミル」の時計設定を行います。\n"
    "この時刻は、「ソラミル」にCFカードを挿入し、\n"
    "電源を入れる時刻を想定して設定してください。";
constexpr const char* fileName = "writetime.txt";
constexpr const char* timeFormat = "HH:mm:ss";
constexpr const char* dateName = "日付";
constexpr const char* timeName = "時刻";
}  // namespace text

// Template 164, in dialog units.
constexpr int dialogWidth = 180;
constexpr int dialogHeight = 94;

enum ControlId {
    dateId = 1016,
    timeId = 1017,
    explanationId = 1021,
};

// The span the clock file can carry.
const QDate firstDate(1970, 1, 1);
const QDate lastDate(3000, 12, 31);

// The user's short date, but always with a four-digit year: the span reaches 3000.
QString shortDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy"))) {
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    return format;
}

}  // namespace

TimeConfigDialog::TimeConfigDialog(QWidget* parent) : TimeConfigDialog(parent, programFolder()) {}

TimeConfigDialog::TimeConfigDialog(QWidget* parent, std::string programFolder)
    : SettingsDialog(parent, std::move(programFolder), text::title, {dialogWidth, dialogHeight}) {
    const DialogUnits& units = this->units();

    // Both pickers start at the moment the dialog opens and keep it until the user edits.
    const QDateTime now = QDateTime::currentDateTime();

    explanation_ = new QLabel(QString::fromUtf8(text::explanation), this);
    explanation_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    explanation_->setWordWrap(true);
    units.place(explanation_, {7, 7, 166, 25}, "explanation", explanationId);

    date_ = new QDateEdit(this);
    date_->setDateRange(firstDate, lastDate);
    date_->setDisplayFormat(shortDateFormat());
    date_->setCalendarPopup(true);
    date_->setDate(now.date());
    date_->setAccessibleName(QString::fromUtf8(text::dateName));
    units.place(date_, {17, 41, 60, 15}, "date", dateId);

    time_ = new QTimeEdit(this);
    time_->setTime(now.time());
    time_->setAccessibleName(QString::fromUtf8(text::timeName));
    units.place(time_, {101, 41, 49, 15}, "time", timeId);

    addButtons({17, 72, 50, 14}, {112, 72, 50, 14});

    OnInitDialog();
}

bool TimeConfigDialog::OnInitDialog() {
    // Hours, minutes and seconds with up-down arrows.
    time_->setDisplayFormat(QString::fromLatin1(text::timeFormat));
    time_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    return true;
}

void TimeConfigDialog::OnOK() {
    const auto target = chooseOutputTarget(text::fileName, programFolderPath());
    if (!target) {
        return;
    }
    // Only the date of the date picker and only the time of the time picker count.
    const QDate date = date_->date();
    const QTime time = time_->time();
    if (!writer_.writeClockFile(*target, clockDateLine(date.year(), date.month(), date.day()),
                                clockTimeLine(time.hour(), time.minute(), time.second()))) {
        return;
    }
    accept();
}
