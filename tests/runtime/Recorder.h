// A data-like component for loader tests: it records when the loader finishes it, and can fail then.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include "runtime/ComponentRegistry.h"
#include "runtime/Exception.h"

class TRecorder : public QObject, public runtime::Loadable {
  public:
    TRecorder(QObject* owner, QString failure) : QObject(owner), failure_(std::move(failure)) {}
    void Loaded() override {
        log().push_back(objectName());
        if (!failure_.isEmpty()) throw EReadError(failure_);
    }
    static QStringList& log() {
        static QStringList names;
        return names;
    }
    static void registerClass() {
        runtime::registerComponentClass(
            QStringLiteral("TRecorder"), [](QObject* owner, const QJsonObject& d) {
                return new TRecorder(owner, d.value(QLatin1String("fail")).toString());
            });
    }

  private:
    QString failure_;
};
