#include "SettingsDialog.h"

#include <utility>

#include <QPushButton>

#include "FileError.h"
#include "Prompts.h"

namespace {

constexpr const char* outputText = "設定出力";
constexpr const char* cancelText = "キャンセル";

enum ControlId { okId = 1, cancelId = 2 };

QFont dialogFont(QFont font) {
    font.setPointSize(8);
    return font;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* parent, std::string programFolder, const char* title,
                               QSize templateSize)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      programFolder_(std::move(programFolder)),
      units_(dialogFont(font())) {
    setFont(dialogFont(font()));
    setWindowTitle(QString::fromUtf8(title));
    setFixedSize(units_.size(templateSize.width(), templateSize.height()));
}

void SettingsDialog::addButtons(QRect output, QRect cancel) {
    auto* ok =
        units_.place(new QPushButton(QString::fromUtf8(outputText), this), output, "ok", okId);
    auto* cancelButton = units_.place(new QPushButton(QString::fromUtf8(cancelText), this),
                                      cancel, "cancel", cancelId);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SettingsDialog::outputClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void SettingsDialog::outputClicked() {
    // The dialog stays open, so the user can pick another card after the stop box.
    try {
        OnOK();
    } catch (const FileError& error) {
        Prompts::current().message(error.what(), Prompts::Buttons::Ok, Prompts::Icon::Stop);
    }
}
