// The password and login windows of the session and its databases.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TSession;

// Asks for the password of a table that needs one; the passwords go to the session.
class TPasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TPasswordDialog(TSession& session, QWidget* parent = nullptr);
    QLineEdit* Password() const { return password_; }

  private:
    void UpdateButtons();
    TSession& session_;
    QLineEdit* password_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* removeAll_;
    QPushButton* ok_;
    bool added_ = false;
};

// Asks for the user name and password of an alias whose parameters name a user.
class TLoginDialog : public QDialog {
    Q_OBJECT
  public:
    TLoginDialog(const QString& databaseName, const QString& userName, QWidget* parent = nullptr);
    QLineEdit* UserName() const { return userName_; }
    QLineEdit* Password() const { return password_; }

  private:
    QLineEdit* userName_;
    QLineEdit* password_;
};
