#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <string>

#include "DialogUnits.h"

// What the sensitivity and clock dialogs share: a fixed frame sized from its template in
// dialog units of the 8-point dialog font, the "設定出力" and "キャンセル" buttons, and the
// output step, which shows a write error after the open (FileError) in a stop box.
class SettingsDialog : public QDialog {
    Q_OBJECT

public:
    // "設定出力": choose the target, write the file, close. A write error after the open leaves
    // as FileError.
    virtual void OnOK() = 0;

protected:
    // `programFolder` (ending in "/") is where the folder chooser starts.
    SettingsDialog(QWidget* parent, std::string programFolder, const char* title,
                   QSize templateSize);

    const DialogUnits& units() const { return units_; }
    const std::string& programFolderPath() const { return programFolder_; }
    // The two buttons at their template places; created last, so last in the tab order.
    void addButtons(QRect output, QRect cancel);

private:
    void outputClicked();

    std::string programFolder_;
    DialogUnits units_;
};
