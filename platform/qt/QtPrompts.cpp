#include "QtPrompts.h"

#include <utility>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Prompts::Icon icon) {
    switch (icon) {
        case Prompts::Icon::Warning:
            return QMessageBox::Warning;
        case Prompts::Icon::Stop:
            return QMessageBox::Critical;
        case Prompts::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

QtPrompts::QtPrompts(QString title) : title(std::move(title)) {}

Prompts::Answer QtPrompts::message(const std::string& text, Buttons buttons, Icon icon) {
    const QMessageBox::StandardButtons choice =
        buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
    QMessageBox box(boxIcon(icon), title, QString::fromStdString(text), choice,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    // A box with OK alone answers OK however it is dismissed.
    if (buttons == Buttons::Ok) {
        box.exec();
        return Answer::Ok;
    }
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

std::optional<std::string> QtPrompts::chooseOpenFile(const OpenFileRequest& request) {
    QFileDialog dialog(nullptr, QString(), QFile::decodeName(request.initialFolder.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    dialog.selectFile(QString::fromStdString(request.defaultName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return localPath(dialog.selectedFiles().constFirst());
}

std::optional<std::string> QtPrompts::chooseFolder(const std::string& prompt,
                                                   const std::string& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        nullptr, QString::fromStdString(prompt), QFile::decodeName(initialFolder.c_str()));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return localPath(folder);
}

QStringList QtPrompts::nameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        if (description.isEmpty() && patterns.isEmpty()) {
            break;  // the "||" that ends the list
        }
        if (description.endsWith(u'(' + patterns + u')')) {
            filters.append(description);
        } else {
            filters.append(description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
        }
    }
    return filters;
}

std::optional<std::string> QtPrompts::chooseSaveFile(const SaveFileRequest& request) {
    // The initial path names a file, so the dialog opens in its folder with the name filled in.
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QFile::decodeName(request.initialPath.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing is asked through message(), where tests can answer it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return localPath(dialog.selectedFiles().constFirst());
}

std::optional<std::string> QtPrompts::chooseSaveFolder(const std::string& prompt,
                                                       const std::string& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QString::fromStdString(prompt),
        QFile::decodeName(initialFolder.c_str()));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return localPath(folder);
}
