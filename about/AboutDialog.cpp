#include "AboutDialog.h"

#include <string>
#include <string_view>

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "AboutTexts.h"
#include "DialogUnits.h"
#include "LeadingInteger.h"
#include "ResourcePaths.h"
#include "VersionInfo.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(aboutTexts::caption);
    setWindowIcon(QPixmap(resourcePaths::appIcon));
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont font;
    font.setFamilies({aboutTexts::fontFamily, aboutTexts::fallbackFontFamily});
    font.setPointSize(9);
    setFont(font);
    const DialogUnits units(font);

    const QPixmap picture(resourcePaths::appIcon32);
    auto* icon = units.place(new QLabel(this), {11, 10, 20, 20}, "icon");
    icon->setPixmap(picture);
    // An icon control takes the icon's own size at the template's position.
    icon->resize(picture.size());

    productLabel = units.place(new QLabel(aboutTexts::productPlaceholder, this),
                               {34, 10, 119, 8}, "productLine", productId);
    productLabel->setTextFormat(Qt::PlainText);

    copyrightLabel = units.place(new QLabel(aboutTexts::copyrightPlaceholder, this),
                                 {34, 27, 145, 8}, "copyrightLine", copyrightId);
    copyrightLabel->setTextFormat(Qt::PlainText);

    okButton = units.place(new QPushButton(aboutTexts::ok, this), {138, 7, 50, 16}, "okButton", 1);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    // Like a static text before a button, "&x" in the copyright line is a mnemonic that
    // moves to OK; the product line shows its ampersands as they are.
    copyrightLabel->setBuddy(okButton);

    auto* notice = units.place(new QLabel(aboutTexts::notice, this), {7, 40, 181, 34}, "notice");
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setFixedSize(units.rect(0, 0, 195, 86).size());
}

void AboutDialog::showEvent(QShowEvent* event) {
    productLabel->setText(productLine);
    copyrightLabel->setText(copyrightLine);
    QDialog::showEvent(event);
}

void AboutDialog::fillFromVersionInfo() {
    // Every opening reads the store again, once per key.
    productLine = productLineFor(VersionInfo::programString(QStringLiteral("ProductName")),
                                 VersionInfo::programString(QStringLiteral("ProductVersion")));
    copyrightLine = VersionInfo::programString(QStringLiteral("LegalCopyright"));
}

QString AboutDialog::productLineFor(const QString& productName, const QString& productVersion) {
    const std::array<int, 4> n = parseVersion(productVersion);
    return productName + aboutTexts::versionWord +
           QStringLiteral("%1.%2.%3.%4").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]);
}

std::array<int, 4> AboutDialog::parseVersion(const QString& text) {
    // Blanks, signs, digits and commas are ASCII, so the UTF-8 form parses alike.
    const std::string utf8 = text.toStdString();
    const std::string_view rest(utf8);
    std::array<int, 4> numbers{};
    std::size_t i = 0;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) {
            if (i >= rest.size() || rest[i] != ',') {
                break;
            }
            ++i;
        }
        const LeadingInteger number = readLeadingInteger(rest.substr(i));
        if (number.digits == 0) {
            break;
        }
        numbers[k] = number.value;
        i += number.end;
    }
    return numbers;
}
