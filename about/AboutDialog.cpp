#include "AboutDialog.h"

#include <algorithm>
#include <limits>

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "AboutTexts.h"
#include "DialogUnits.h"
#include "ResourcePaths.h"
#include "VersionInfo.h"

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

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

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const QPixmap picture(QStringLiteral(":/icon/halcyra-32.png"));
    icon->setPixmap(picture);
    // An icon control takes the icon's own size at the template's position.
    icon->setGeometry(QRect(units.rect(11, 10, 20, 20).topLeft(), picture.size()));

    productLabel = new QLabel(aboutTexts::productPlaceholder, this);
    productLabel->setObjectName(QStringLiteral("productLine"));
    productLabel->setProperty("controlId", productId);
    productLabel->setTextFormat(Qt::PlainText);
    productLabel->setGeometry(units.rect(34, 10, 119, 8));

    copyrightLabel = new QLabel(aboutTexts::copyrightPlaceholder, this);
    copyrightLabel->setObjectName(QStringLiteral("copyrightLine"));
    copyrightLabel->setProperty("controlId", copyrightId);
    copyrightLabel->setTextFormat(Qt::PlainText);
    copyrightLabel->setGeometry(units.rect(34, 27, 145, 8));

    okButton = new QPushButton(aboutTexts::ok, this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setProperty("controlId", 1);
    okButton->setDefault(true);
    okButton->setGeometry(units.rect(138, 7, 50, 16));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    // Like a static text before a button, "&x" in the copyright line is a mnemonic that
    // moves to OK; the product line shows its ampersands as they are.
    copyrightLabel->setBuddy(okButton);

    auto* notice = new QLabel(aboutTexts::notice, this);
    notice->setObjectName(QStringLiteral("notice"));
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    notice->setGeometry(units.rect(7, 40, 181, 34));

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
    std::array<int, 4> numbers{};
    qsizetype i = 0;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) {
            if (i >= text.size() || text[i] != u',') {
                break;
            }
            ++i;
        }
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            negative = text[i] == u'-';
            ++i;
        }
        const qsizetype digitsStart = i;
        long long value = 0;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            value = std::min<long long>(value * 10 + (text[i].unicode() - u'0'),
                                        std::numeric_limits<int>::max() + 1LL);
            ++i;
        }
        if (i == digitsStart) {
            break;
        }
        value = negative ? -value : value;
        numbers[k] = static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                            std::numeric_limits<int>::max()));
    }
    return numbers;
}
