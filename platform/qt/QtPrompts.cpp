#include "QtPrompts.h"

#include <utility>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStorageInfo>
#include <QUrl>
#include <QVBoxLayout>

#include "PathText.h"
#include "UserLocations.h"

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

// The folder browser's caption on the system the texts come from.
const QString folderBrowserTitle = QStringLiteral("フォルダーの参照");

// The computer, home and every mounted removable volume, so a card in the reader is one click
// away. Removable media are mounted under /media or /run/media (udisks, and the usual place for
// a hand-written fstab line).
QList<QUrl> sidebarUrls() {
    QList<QUrl> urls{QUrl(QStringLiteral("file:")), QUrl::fromLocalFile(QDir::homePath())};
    const auto add = [&urls](const QString& folder) {
        const QUrl url = QUrl::fromLocalFile(folder);
        if (!urls.contains(url)) {
            urls.append(url);
        }
    };
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() &&
            (root.startsWith(QLatin1String("/media/")) ||
             root.startsWith(QLatin1String("/run/media/")))) {
            add(root);
        }
    }
    return urls;
}

// Qt's own dialog rather than the desktop's: it speaks the program's Japanese, takes the side
// bar above, and can sit inside the folder chooser under its prompt.
void prepare(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setSidebarUrls(sidebarUrls());
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
    const UserLocations locations = UserLocations::current();
    QFileDialog dialog(nullptr, QString(), pathText::toQt(locations.startFolder(request.initialFolder)));
    prepare(dialog);
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
    return pathText::fromQt(dialog.selectedFiles().constFirst());
}

std::optional<std::string> QtPrompts::chooseFolder(const std::string& prompt,
                                                   const std::string& initialFolder) {
    const UserLocations locations = UserLocations::current();
    // The prompt has two lines: it goes above the folders, where it can be read, as the
    // folder browser shows its text, not into the title bar.
    QDialog window(QApplication::activeWindow());
    window.setWindowTitle(folderBrowserTitle);
    auto* layout = new QVBoxLayout(&window);
    auto* text = new QLabel(QString::fromStdString(prompt), &window);
    text->setObjectName(QStringLiteral("prompt"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* dialog = new QFileDialog(&window, QString(), pathText::toQt(locations.startFolder(initialFolder)));
    dialog->setWindowFlags(Qt::Widget);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    prepare(*dialog);
    layout->addWidget(dialog);
    QObject::connect(dialog, &QFileDialog::accepted, &window, &QDialog::accept);
    QObject::connect(dialog, &QFileDialog::rejected, &window, &QDialog::reject);
    window.resize(window.sizeHint().expandedTo(QSize(560, 420)));

    if (window.exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString folder = dialog->selectedFiles().constFirst();
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return pathText::fromQt(folder);
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
                       pathText::toQt(request.initialPath));
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
    return pathText::fromQt(dialog.selectedFiles().constFirst());
}

std::optional<std::string> QtPrompts::chooseSaveFolder(const std::string& prompt,
                                                       const std::string& initialFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QString::fromStdString(prompt),
        pathText::toQt(initialFolder));
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return pathText::fromQt(folder);
}
