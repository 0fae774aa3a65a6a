#include "ServerDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QVBoxLayout>

#include "PathText.h"
#include "Prompts.h"
#include "SendingTexts.h"
#include "UploadExchange.h"

namespace {

QString trimmed(const QLineEdit* field) {
    return field->text().trimmed();
}

}  // namespace

ServerDialog::ServerDialog(const ServerSettings& current, QWidget* parent)
    : QDialog(parent),
      address(new QLineEdit(QString::fromStdString(current.address), this)),
      token(new QLineEdit(QString::fromStdString(current.token), this)),
      caFile(new QLineEdit(QString::fromStdString(current.caFile), this)),
      check(new QPushButton(sendingTexts::checkButton, this)),
      answer(new QLabel(this)),
      network(new QNetworkAccessManager(this)) {
    setObjectName(QStringLiteral("serverDialog"));
    setWindowTitle(sendingTexts::dialogTitle);
    auto* explanation = new QLabel(sendingTexts::explanation, this);
    explanation->setWordWrap(true);
    address->setPlaceholderText(sendingTexts::addressHint);
    token->setPlaceholderText(sendingTexts::tokenHint);
    token->setEchoMode(QLineEdit::Password);
    caFile->setPlaceholderText(sendingTexts::caHint);
    auto* browse = new QPushButton(sendingTexts::caBrowse, this);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile, 1);
    caRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(sendingTexts::addressLabel, address);
    form->addRow(sendingTexts::tokenLabel, token);
    // A label of its own: a row that is a layout gets no buddy, and without one the
    // label's mnemonic is shown as typed.
    auto* caName = new QLabel(sendingTexts::caLabel, this);
    caName->setBuddy(caFile);
    form->addRow(caName, caRow);

    answer->setWordWrap(true);
    answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(check);
    checkRow->addWidget(answer, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(sendingTexts::cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(explanation);
    column->addLayout(form);
    column->addLayout(checkRow);
    column->addStretch(1);
    column->addWidget(buttons);
    setMinimumWidth(520);

    connect(check, &QPushButton::clicked, this, &ServerDialog::checkConnection);
    connect(browse, &QPushButton::clicked, this, &ServerDialog::chooseCaFile);
    connect(buttons, &QDialogButtonBox::accepted, this, &ServerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ServerDialog::reject);
}

ServerDialog::~ServerDialog() {
    if (pending) {
        pending->disconnect(this);
        pending->abort();
    }
}

ServerSettings ServerDialog::settings() const {
    ServerSettings typed;
    typed.address = trimmed(address).toStdString();
    typed.token = trimmed(token).toStdString();
    typed.caFile = trimmed(caFile).toStdString();
    return typed;
}

bool ServerDialog::makesLink(bool emptyAllowed) {
    const ServerSettings typed = settings();
    if (typed.address.empty() && emptyAllowed) {
        return true;
    }
    std::string error;
    if (typed.link(error)) {
        return true;
    }
    // The first field that is wrong, in the fields' order.
    std::string unused;
    if (!ServerLink::withToken(typed.address, "token", {}, unused)) {
        answer->setText(sendingTexts::badAddress);
    } else if (!ServerLink::withToken(typed.address, typed.token, {}, unused)) {
        answer->setText(sendingTexts::noToken);
    } else {
        answer->setText(sendingTexts::badCaFile);
    }
    return false;
}

void ServerDialog::checkConnection() {
    if (pending || !makesLink(false)) {
        return;
    }
    std::string error;
    const std::optional<ServerLink> link = settings().link(error);
    answer->setText(sendingTexts::checking);
    check->setEnabled(false);
    pending = uploadExchange::postCheck(*network, *link);
    connect(pending, &QNetworkReply::finished, this, [this, link = *link] {
        QNetworkReply* ended = pending.data();
        pending.clear();
        const SendResult outcome = uploadExchange::checkResultOf(*ended, link);
        ended->deleteLater();
        check->setEnabled(true);
        const bool ok = outcome.status == SendResult::Status::Imported;
        answer->setText(ok ? sendingTexts::connected
                           : sendingTexts::notConnected.arg(sendingTexts::causeText(outcome.cause)));
        answer->setToolTip(ok ? QString() : QString::fromStdString(outcome.reason));
        emit checked(ok);
    });
}

void ServerDialog::accept() {
    if (makesLink(true)) {
        QDialog::accept();
    }
}

void ServerDialog::chooseCaFile() {
    Prompts::OpenFileRequest request;
    request.initialFolder = pathText::fromQt(QDir::homePath() + QLatin1Char('/'));
    request.filter = sendingTexts::caFilter;
    if (const std::optional<std::string> chosen = Prompts::current().chooseOpenFile(request)) {
        caFile->setText(pathText::toQt(*chosen));
    }
}
