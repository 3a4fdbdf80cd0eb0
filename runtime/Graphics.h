// Colour values and font families as the window layouts give them.
#pragma once

#include <QColor>
#include <QString>

// How a text lies in its box: the alignment of field values, grid columns and printed labels.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

namespace runtime {

// A colour value in the 0x00BBGGRR form (16309157 is red 165, green 219, blue 248).
QColor colorFromValue(quint32 value);

// Maps the layout font families ("MS Sans Serif", "Verdana", "Arial") to installed families.
void installFontSubstitutions();

}  // namespace runtime
