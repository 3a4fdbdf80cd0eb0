// What the program's own windows answer a screen reader, beside what Qt's widgets answer.
#pragma once

#include <QAccessible>

namespace runtime {

// Adds `factory` to those Qt asks for the accessible interface of an object; later calls with the same
// factory do nothing.
void installAccessibleFactory(QAccessible::InterfaceFactory factory);

// Makes every window of the program's own classes made on QWidget itself (the forms, the preview window,
// the progress window) answer as a frame, or as a dialog while it is modal or of the dialog kind, where
// Qt would answer a plain client area. Later calls do nothing.
void answerWindowsAsFrames();

}  // namespace runtime
