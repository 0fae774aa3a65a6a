#pragma once

#include <string>

#include "ConfigFileWriter.h"
#include "SettingsDialog.h"

class QDateEdit;
class QLabel;
class QTimeEdit;

// "「ソラミル」の設定：時計": the date and time at which the recorder will next be powered on
// with the card, written as writetime.txt. Keeps nothing between openings.
class TimeConfigDialog : public SettingsDialog {
    Q_OBJECT

public:
    explicit TimeConfigDialog(QWidget* parent = nullptr);
    // `programFolder` (ending in "/") is where the chooser starts.
    TimeConfigDialog(QWidget* parent, std::string programFolder);

    // "設定出力": choose the target, write the date and time the pickers show, close. A write
    // error after the open leaves as FileError.
    void OnOK() override;

private:
    bool OnInitDialog();

    ConfigFileWriter writer_;
    QLabel* explanation_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
};
