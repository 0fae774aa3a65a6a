#pragma once

#include <QString>
#include <QStringList>

#include "Prompts.h"

// The real dialogs behind the prompts interface: message boxes captioned with the
// application title, the open-file dialog, the folder chooser and the save dialogs.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QString title);

    Answer message(const std::string& text, Buttons buttons, Icon icon) override;
    std::optional<std::string> chooseOpenFile(const OpenFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& prompt,
                                            const std::string& initialFolder) override;

    // "Description|pattern;pattern|...||" as the open-file dialog takes it, in Qt's form
    // "Description (pattern pattern)". A description that already ends in its patterns in
    // parentheses is kept as it is.
    static QStringList nameFilters(const std::string& filter);

    std::optional<std::string> chooseSaveFile(const SaveFileRequest& request) override;
    std::optional<std::string> chooseSaveFolder(const std::string& prompt,
                                                const std::string& initialFolder) override;

private:
    QString title;
};
