#pragma once

#include <array>

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

// The version dialog: icon, product line, copyright line, OK and the legal notice, laid out
// from its template's dialog units by the base units of its font.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int productId = 1000;
    static constexpr int copyrightId = 1001;

    explicit AboutDialog(QWidget* parent = nullptr);

    // Shown in controls 1000 and 1001 when the dialog comes up; both start empty.
    QString productLine;
    QString copyrightLine;

    // Reads the program's version information as the About command does.
    void fillFromVersionInfo();

    // productName + " Version " + the four numbers of productVersion ("1, 0, 0, 0") as
    // "1.0.0.0". Numbers that cannot be read show as 0.
    static QString productLineFor(const QString& productName, const QString& productVersion);
    // The numbers of "%d,%d,%d,%d", each after optional blanks; reading stops at the first
    // that does not match and leaves the rest 0.
    static std::array<int, 4> parseVersion(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* productLabel = nullptr;
    QLabel* copyrightLabel = nullptr;
    QPushButton* okButton = nullptr;
};
