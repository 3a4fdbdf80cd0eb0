// The clerk's window places and column widths, in QSettings.
#include "runtime/UserSettings.h"

#include <QDir>
#include <QSettings>
#include <QWidget>
#include <memory>

namespace runtime {

namespace {

std::optional<QString>& settingsFolder() {
    static std::optional<QString> folder;
    return folder;
}

std::unique_ptr<QSettings> settings() {
    const std::optional<QString>& folder = settingsFolder();
    if (!folder) return nullptr;
    if (folder->isEmpty()) return std::make_unique<QSettings>(QStringLiteral("Kovrel"), QStringLiteral("Kovrel"));
    return std::make_unique<QSettings>(QDir(*folder).filePath(QStringLiteral("Kovrel.conf")), QSettings::IniFormat);
}

QString columnKey(const QWidget* grid, const QString& field) {
    return QStringLiteral("grids/%1.%2/%3").arg(grid->window()->objectName(), grid->objectName(), field.toUpper());
}

}  // namespace

void useUserSettings(const QString& folder) {
    settingsFolder() = folder;
}

void useNoUserSettings() {
    settingsFolder().reset();
}

std::optional<QPoint> savedWindowPlace(const QString& window) {
    const auto kept = settings();
    const QVariant place = kept ? kept->value(QStringLiteral("windows/%1/place").arg(window)) : QVariant();
    if (!place.isValid()) return std::nullopt;
    return place.toPoint();
}

void saveWindowPlace(const QString& window, QPoint place) {
    if (const auto kept = settings()) kept->setValue(QStringLiteral("windows/%1/place").arg(window), place);
}

std::optional<int> savedColumnWidth(const QWidget* grid, const QString& field) {
    const auto kept = settings();
    bool number = false;
    const int width = kept ? kept->value(columnKey(grid, field)).toInt(&number) : 0;
    if (!number || width < 1) return std::nullopt;
    return width;
}

void saveColumnWidth(const QWidget* grid, const QString& field, int width) {
    if (const auto kept = settings()) kept->setValue(columnKey(grid, field), width);
}

}  // namespace runtime
