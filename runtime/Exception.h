// The program's exception classes: every failure above the table engine is one of these, and the
// message a person sees is the exception's message.
#pragma once

#include <QString>
#include <exception>

class Exception : public std::exception {
  public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const char* what() const noexcept override { return utf8_.constData(); }
    const QString& Message() const { return message_; }
    // The class name shown in start-up failure reports ("Exception EDBEngineError in module ...").
    virtual QString ClassName() const { return QStringLiteral("Exception"); }

  private:
    QString message_;
    QByteArray utf8_;
};

// A silent exception: it ends a command without any message.
class EAbort : public Exception {
  public:
    EAbort() : Exception(QStringLiteral("Operation aborted")) {}
    QString ClassName() const override { return QStringLiteral("EAbort"); }
};

// A text that cannot be converted to a number or a date.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EConvertError"); }
};

// An index outside a list ("List index out of bounds (%d)").
class EListError : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EListError"); }
};

// A form description names a component class that nobody registered ("Class %s not found").
class EClassNotFound : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EClassNotFound"); }
};

// A form description that cannot be read.
class EReadError : public Exception {
  public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EReadError"); }
};
