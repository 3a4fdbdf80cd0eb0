// Short names for Qt's rectangle types, used by the drawing and layout code of every folder.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <utility>

// A rectangle in whole pixels, and one in real coordinates.
using Rect = decltype(std::declval<const QImage&>().rect());
using RectF = decltype(std::declval<const QPainterPath&>().boundingRect());
