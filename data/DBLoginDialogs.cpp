// The password and login windows of the session and its databases.
#include "data/DBLoginDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "data/DBTables.h"
#include "runtime/Boundary.h"

TPasswordDialog::TPasswordDialog(TSession& session, QWidget* parent)
    : QDialog(parent),
      session_(session),
      password_(new QLineEdit(this)),
      add_(new QPushButton(QStringLiteral("&Add"), this)),
      remove_(new QPushButton(QStringLiteral("&Remove"), this)),
      removeAll_(new QPushButton(QStringLiteral("Re&move all"), this)),
      ok_(new QPushButton(QStringLiteral("&OK"), this)) {
    setObjectName(QStringLiteral("PasswordDialog"));
    setWindowTitle(QStringLiteral("Enter password"));
    password_->setObjectName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Password:"), this), 0, 0);
    layout->addWidget(password_, 0, 1, 1, 3);
    layout->addWidget(add_, 1, 0);
    layout->addWidget(remove_, 1, 1);
    layout->addWidget(removeAll_, 1, 2);
    layout->addWidget(ok_, 2, 2);
    layout->addWidget(cancel, 2, 3);
    ok_->setDefault(true);
    runtime::connectGuarded(password_, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    runtime::connectGuarded(add_, &QPushButton::clicked, this, [this] {
        session_.AddPassword(password_->text());
        added_ = true;
        password_->clear();
        UpdateButtons();
    });
    runtime::connectGuarded(remove_, &QPushButton::clicked, this,
                            [this] { session_.RemovePassword(password_->text()); });
    runtime::connectGuarded(removeAll_, &QPushButton::clicked, this,
                            [this] { session_.RemoveAllPasswords(); });
    runtime::connectGuarded(ok_, &QPushButton::clicked, this, [this] {
        if (!password_->text().isEmpty()) session_.AddPassword(password_->text());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateButtons();
}

void TPasswordDialog::UpdateButtons() {
    const bool hasText = !password_->text().isEmpty();
    add_->setEnabled(hasText);
    remove_->setEnabled(hasText);
    ok_->setEnabled(hasText || added_);
}

TLoginDialog::TLoginDialog(const QString& databaseName, const QString& userName, QWidget* parent)
    : QDialog(parent), userName_(new QLineEdit(userName, this)), password_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("Database Login"));
    userName_->setObjectName(QStringLiteral("UserName"));
    // As long as a server takes them: a role's name up to 63 characters, a password of any length.
    userName_->setMaxLength(63);
    password_->setObjectName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);
    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Database:"), new QLabel(databaseName, this));
    auto* userLabel = new QLabel(QStringLiteral("&User Name:"), this);
    userLabel->setBuddy(userName_);
    layout->addRow(userLabel, userName_);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
    passwordLabel->setBuddy(password_);
    layout->addRow(passwordLabel, password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!userName.isEmpty()) password_->setFocus();
}
