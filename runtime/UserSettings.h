// What the clerk arranged, kept between runs: where each window stood and how wide each grid column was
// dragged. Nothing is kept or read until the program names the settings to use.
#pragma once

#include <QPoint>
#include <QString>
#include <optional>

class QWidget;

namespace runtime {

// Keeps the arrangement in the user's own settings of the program, or, with `folder`, in a settings file
// there (a test's temporary folder, so no test reads the clerk's settings).
void useUserSettings(const QString& folder = {});
// Keeps and reads nothing any more, as before useUserSettings.
void useNoUserSettings();

// The place the window named `window` had when it last closed, if it is kept.
std::optional<QPoint> savedWindowPlace(const QString& window);
void saveWindowPlace(const QString& window, QPoint place);

// The width the clerk last dragged the column of `field` in `grid` to (the grid's window and name tell the
// grid), if it is kept.
std::optional<int> savedColumnWidth(const QWidget* grid, const QString& field);
void saveColumnWidth(const QWidget* grid, const QString& field, int width);

}  // namespace runtime
