// Notes the progress windows that a piece of work shows.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QProgressBar>
#include <QWidget>

// Notes every progress window shown while it lives: its caption and the share its bar showed.
class ShownProgress : public QObject {
  public:
    ShownProgress() { qApp->installEventFilter(this); }
    ~ShownProgress() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->objectName() == QStringLiteral("TProgressWindow")) {
            captions << static_cast<QWidget*>(watched)->windowTitle();
            bars << watched->findChild<QProgressBar*>()->value();
        }
        return false;
    }

    QStringList captions;
    QList<int> bars;
};
