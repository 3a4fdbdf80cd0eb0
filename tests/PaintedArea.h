// What a widget is asked to repaint, as an event filter records it.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>

#include "runtime/Geometry.h"

// Installed as an event filter on a widget, records the area of every paint event it gets.
class PaintedArea : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) area |= static_cast<QPaintEvent*>(event)->rect();
        return false;
    }
    Rect area;  // the bounding box of every painted area
};
