// Colour values and font families as the window layouts give them.
#include "runtime/Graphics.h"

#include <QFont>

namespace runtime {

QColor colorFromValue(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void installFontSubstitutions() {
    // The window font is as narrow as Liberation Sans; set in a wider family, captions outgrow the
    // fixed sizes of their labels.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

}  // namespace runtime
