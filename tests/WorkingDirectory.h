// A test's own working directory: a new temporary directory, left again when the test's fixture goes.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <string>

// Makes a new temporary directory the working one while it lives; the one before comes back, and the
// directory and all in it go, with it. A fixture holding one checks isValid() in its SetUp.
class WorkingDirectory {
  public:
    WorkingDirectory() : previous_(QDir::currentPath()) {
        if (directory_.isValid()) QDir::setCurrent(directory_.path());
    }
    ~WorkingDirectory() { QDir::setCurrent(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    bool isValid() const { return directory_.isValid(); }
    QString path() const { return directory_.path(); }
    QString filePath(const QString& name) const { return directory_.filePath(name); }
    // The ledger file the program opens here.
    std::string ledgerPath() const { return filePath(QStringLiteral("Kovrel.DB")).toStdString(); }

  private:
    QString previous_;
    QTemporaryDir directory_;
};
