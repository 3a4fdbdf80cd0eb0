// Builds a form from its description: a JSON document stored as a Qt resource beside the form's unit.
//
// The description is one object with the form's keys:
//   "class"      the form's class name ("TfrmUnos"), for the reader
//   "name"       the form's instance name, its objectName() ("frmUnos")
//   "caption"    the window title
//   "left", "top", "width", "height"   the outer bounds in pixels at 96 pixels per inch
//   "font"       {"name": "MS Sans Serif", "height": 11, "bold": false, "italic": false}, height in pixels
//   "scaled"     whether the layout follows the screen's pixel density (true when absent): its pixels
//                are Qt's logical pixels, which grow with the density. With false the bounds, positions,
//                sizes and font heights of the form and of its controls are the screen's device
//                pixels, so the form keeps its designed size on every screen; its main menu still
//                follows the density. Lengths that a component class reads itself (grid columns, item
//                heights) are logical pixels either way.
//   "components" an array of component descriptions, in creation order
// Each component description has "class" and "name"; the class is looked up in the component registry
// (runtime/ComponentRegistry.h), whose factory reads the class's own keys. For a widget the loader then
// applies the common keys:
//   "left", "top", "width", "height"   client coordinates in pixels (below the main menu, if any)
//   "font"       as for the form; without it the control uses its parent's font
//   "color"      the background as a 0x00BBGGRR colour value (16309157 is light blue)
//   "tabOrder"   position among its siblings in the Tab order; a panel's controls follow the panel
//   "visible", "enabled"   both true when absent
//   "hint"       the tool tip
//   "accessibleName"  the name a screen reader speaks for the control
//   "popupMenu"  the name of a TPopupMenu of the form shown on a right click
// and "components", the nested components (the controls of a panel, the items of a menu), created with
// the component as their owner. Keys of the runtime's classes:
//   TLabel        "caption"
//   TEdit         "text", "charCase" ("ecNormal", "ecUpperCase", "ecLowerCase")
//   TComboBox     "items" (array of texts), "itemHeight", "itemIndex", "text", "typeAhead"
//   TCheckBox     "caption", "checked"
//   TPanel        none
//   TBitBtn       "kind" ("bkCustom", "bkOK", "bkCancel"), "caption", "glyph" (image resource path),
//                 "default", "cancel"
//   TDateTimePicker  none
//   TMainMenu, TPopupMenu   their items as "components"
//   TMenuItem     "caption", its submenu's items as "components"
// A control is named for screen readers by its "accessibleName", else by the caption, without a final
// colon, of its label: the label that has it as the nearest control taking input to its right on its
// line, or else just below it. Buttons and check boxes are named by their own captions.
// After the whole description is read, Loaded() runs on every component that is a runtime::Loadable,
// in description order; an exception there propagates out of the form's creation.
#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

class TForm;

namespace runtime {

// The JSON object of the description file at `path`. A file that does not open is refused with
// `E(unreadable)`, one that holds no JSON object with `E("Form description <path> is not valid: ...")`.
template <typename E>
QJsonObject descriptionFile(const QString& path, const QString& unreadable) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw E(unreadable);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject())
        throw E(QStringLiteral("Form description %1 is not valid: %2").arg(path, error.errorString()));
    return document.object();
}

// Reads the description resource at `path` into `form`; throws EReadError when it is missing or not a
// valid description, EClassNotFound for a class that is not registered.
void loadForm(TForm& form, const QString& path);
void loadForm(TForm& form, const QJsonObject& description);

}  // namespace runtime
