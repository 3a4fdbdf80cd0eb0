// Reading a print form's description (JSON) into a report and its printable controls.
//
// The description is one object:
//   {
//     "name": "frmZahtevgo",                       objectName of the report
//     "Units": "Inches",                           MM | Inches | Pixels | Characters | Native
//     "Zoom": 100,  "ReportTitle": "",  "PrintIfEmpty": false,  "ShowProgress": true,
//     "Options": ["FirstPageHeader", "LastPageFooter"],           also "Compression"
//     "Page": { "Values": [7 numbers, 0.1 mm: bottom margin, length, top margin, width,
//                          left margin, right margin, column space],
//               "Columns": 1, "Orientation": "poPortrait", "PaperSize": "Letter" },
//     "PrinterSettings": { "Copies": 1, "Duplex": false, "FirstPage": 0, "LastPage": 0,
//                          "OutputBin": "First", "PrinterIndex": -1 },
//     "Font": FONT,  "Frame": FRAME,
//     "Controls": [ CONTROL, ... ]                 in child order
//   }
//   FONT    = { "Name": "Arial", "Size": 10 (points), "Bold": false, "Italic": false,
//               "Underline": false, "StrikeOut": false, "Color": 0 }
//   FRAME   = { "Color": 0, "DrawTop": false, "DrawBottom": false, "DrawLeft": false,
//               "DrawRight": false, "Width": 1 (points), "Style": "Solid" | "Dash" | "Dot" | ... }
//   CONTROL = { "class": "TRpLabel" | "TRpMemo" | "TRpSysData" | "TRpShape" | "TRpImage",
//               "name": "RpLabel1",
//               "Size": { "Values": [Height, Left, Top, Width] (0.1 mm) },
//               "Left", "Top", "Width", "Height": pixels, used where "Size" stores no value or 0,
//               "Visible": true (the enabled flag), "Alignment": "taLeftJustify" | "taRightJustify"
//               | "taCenter", "AlignToBand": false, "Color": 16777215, "Transparent": false,
//               "Frame": FRAME,
//       labels, memos, system data:
//               "Caption": "...", "Lines": ["...", ...], "AutoSize", "AutoStretch", "WordWrap",
//               "Font": FONT (absent: the report's font), "FontSize": points (when positive, it
//               replaces the font's size),
//       system data: "Data": "rpsDate" | "rpsTime" | ..., "Text": "prefix",
//       shapes: "Shape": "rpsRectangle" | ..., "Pen": { "Color", "Width", "Style" },
//               "Brush": { "Color", "Style": "Solid" | "Clear" },
//       images: "Picture": { "base64": "<BMP or PNG bytes>" } or { "resource": ":/path.bmp" },
//               "AutoSize", "Center", "Stretch" }
// Colours are platform colour values 0x00BBGGRR. Unknown keys are ignored; a wrong type, an unknown
// class or enumeration name, or a picture that cannot be read raises ERpError naming the place.
#pragma once

#include <QJsonObject>
#include <QString>

class TReport;

// Applies `description` to `report`, creating its controls as children in description order.
void LoadReportForm(TReport& report, const QJsonObject& description);
// Reads the description from a file or a Qt resource path.
void LoadReportFormFile(TReport& report, const QString& fileName);

// A platform colour value (0x00BBGGRR) as a colour, and back.
QColor colorFromPlatform(qint64 value);
qint64 platformFromColor(const QColor& color);
