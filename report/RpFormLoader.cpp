// The JSON form-description reader of the report engine.
#include "report/RpFormLoader.h"

#include <QFile>
#include <QJsonArray>
#include <cmath>
#include <limits>

#include "report/RpReport.h"
#include "runtime/FormLoader.h"

QColor colorFromPlatform(qint64 value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

qint64 platformFromColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

namespace {

// Reads typed values of one object and names the place of any fault.
class Reader {
  public:
    Reader(const QJsonObject& object, QString place) : object_(object), place_(std::move(place)) {}

    bool has(const char* key) const { return object_.contains(QLatin1String(key)); }
    [[noreturn]] void fail(const char* key, const QString& what) const {
        throw ERpError(QStringLiteral("Form description: %1.%2 %3").arg(place_, QLatin1String(key), what));
    }
    const QJsonValue value(const char* key) const { return object_.value(QLatin1String(key)); }

    void number(const char* key, double& target) const {
        if (!has(key)) return;
        if (!value(key).isDouble()) fail(key, QStringLiteral("must be a number"));
        target = value(key).toDouble();
    }
    // A number cut to a whole number of `Whole`; one whose whole part lies beyond its range is refused.
    template <typename Whole>
    void whole(const char* key, Whole& target) const {
        double number = static_cast<double>(target);
        this->number(key, number);
        constexpr double lowest = static_cast<double>(std::numeric_limits<Whole>::min());  // -2^(bits-1)
        if (!(std::trunc(number) >= lowest && std::trunc(number) < -lowest))
            fail(key, QStringLiteral("is beyond the range of whole numbers"));
        target = static_cast<Whole>(number);
    }
    void integer(const char* key, int& target) const { whole(key, target); }
    void boolean(const char* key, bool& target) const {
        if (!has(key)) return;
        if (!value(key).isBool()) fail(key, QStringLiteral("must be true or false"));
        target = value(key).toBool();
    }
    void text(const char* key, QString& target) const {
        if (!has(key)) return;
        if (!value(key).isString()) fail(key, QStringLiteral("must be a text"));
        target = value(key).toString();
    }
    void color(const char* key, QColor& target) const {
        if (!has(key)) return;
        qint64 number = 0;
        whole(key, number);
        target = colorFromPlatform(number);
    }
    QJsonObject object(const char* key) const {
        if (has(key) && !value(key).isObject()) fail(key, QStringLiteral("must be an object"));
        return value(key).toObject();
    }
    QJsonArray array(const char* key) const {
        if (has(key) && !value(key).isArray()) fail(key, QStringLiteral("must be a list"));
        return value(key).toArray();
    }
    template <typename E, size_t N>
    void enumeration(const char* key, E& target, const std::array<const char*, N>& names) const {
        if (!has(key)) return;
        QString name;
        text(key, name);
        for (size_t i = 0; i < N; ++i) {
            if (name == QLatin1String(names[i])) {
                target = static_cast<E>(i);
                return;
            }
        }
        fail(key, QStringLiteral("has an unknown value \"%1\"").arg(name));
    }
    Reader child(const char* key) const {
        return Reader(object(key), place_ + QLatin1Char('.') + QLatin1String(key));
    }
    const QString& place() const { return place_; }

  private:
    QJsonObject object_;
    QString place_;
};

const std::array<const char*, 5> kUnits{"MM", "Inches", "Pixels", "Characters", "Native"};
const std::array<const char*, 2> kOrientations{"poPortrait", "poLandscape"};
const std::array<const char*, 14> kBins{"First",       "Upper",         "Lower",    "Middle",  "Manual",
                                        "Envelope",    "EnvManual",     "Auto",     "Tractor", "SmallFormat",
                                        "LargeFormat", "LargeCapacity", "Cassette", "Last"};
const std::array<const char*, 3> kAlignments{"taLeftJustify", "taRightJustify", "taCenter"};
const std::array<const char*, 8> kSysData{"rpsTime",       "rpsDate",        "rpsDateTime",
                                          "rpsPageNumber", "rpsReportTitle", "rpsDetailCount",
                                          "rpsDetailNo",   "rpsPageOfPages"};
const std::array<const char*, 6> kShapes{"rpsRectangle", "rpsCircle",       "rpsVertLine",
                                         "rpsHorLine",   "rpsTopAndBottom", "rpsRightAndLeft"};
const std::array<const char*, 6> kPenStyles{"Clear", "Solid", "Dash", "Dot", "DashDot", "DashDotDot"};
const std::array<const char*, 2> kBrushStyles{"Clear", "Solid"};

std::array<const char*, 28> paperNames() {
    std::array<const char*, 28> names{};
    for (size_t i = 0; i < names.size(); ++i) names[i] = paperTable()[i].name;
    return names;
}

void readFont(const Reader& r, QFont& font, QColor& color) {
    QString family = font.family();
    double size = font.pointSizeF();
    bool bold = font.bold(), italic = font.italic(), underline = font.underline(), strike = font.strikeOut();
    r.text("Name", family);
    r.number("Size", size);
    r.boolean("Bold", bold);
    r.boolean("Italic", italic);
    r.boolean("Underline", underline);
    r.boolean("StrikeOut", strike);
    r.color("Color", color);
    font.setFamily(family);
    if (size > 0) font.setPointSizeF(size);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strike);
}

void readFrame(const Reader& r, TRpFrame& frame) {
    r.color("Color", frame.Color);
    r.boolean("DrawTop", frame.DrawTop);
    r.boolean("DrawBottom", frame.DrawBottom);
    r.boolean("DrawLeft", frame.DrawLeft);
    r.boolean("DrawRight", frame.DrawRight);
    r.number("Width", frame.Width);
    r.enumeration("Style", frame.Style, kPenStyles);
}

template <size_t N>
std::array<double, N> readValues(const Reader& r, const std::array<double, N>& current) {
    std::array<double, N> values = current;
    if (!r.has("Values")) return values;
    const QJsonArray list = r.array("Values");
    if (list.size() != static_cast<qsizetype>(N))
        r.fail("Values", QStringLiteral("must hold %1 numbers").arg(N));
    for (size_t i = 0; i < N; ++i) {
        if (!list.at(i).isDouble()) r.fail("Values", QStringLiteral("must hold numbers"));
        values[i] = list.at(i).toDouble();
    }
    return values;
}

QImage readPicture(const Reader& r) {
    QByteArray bytes;
    if (r.has("base64")) {
        QString encoded;
        r.text("base64", encoded);
        bytes = QByteArray::fromBase64(encoded.toLatin1());
    } else if (r.has("resource")) {
        QString path;
        r.text("resource", path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            r.fail("resource", QStringLiteral("cannot be read: %1").arg(path));
        bytes = file.readAll();
    } else {
        return QImage();
    }
    QImage image;
    if (!image.loadFromData(bytes)) r.fail("base64", QStringLiteral("is not a picture"));
    return image;
}

void readPrintable(const Reader& r, TRpPrintable& control) {
    const Reader size = r.child("Size");
    control.SetSizeValues(readValues<4>(size, control.SizeValues()));
    // A pixel bound applies where the description stores no size, or stores 0.
    const auto& values = control.SizeValues();
    const bool stored = size.has("Values");
    const auto pixelBound = [&](const char* key, int index, void (TRpPrintable::*set)(int)) {
        if (!r.has(key) || (stored && values[index] != 0)) return;
        int pixels = 0;
        r.integer(key, pixels);
        (control.*set)(pixels);
    };
    pixelBound("Left", TRpPrintable::kLeft, &TRpPrintable::SetLeft);
    pixelBound("Top", TRpPrintable::kTop, &TRpPrintable::SetTop);
    pixelBound("Width", TRpPrintable::kWidth, &TRpPrintable::SetWidth);
    pixelBound("Height", TRpPrintable::kHeight, &TRpPrintable::SetHeight);
    bool enabled = true;
    r.boolean("Visible", enabled);
    control.SetEnabled(enabled);
    TAlignment alignment = control.Alignment();
    r.enumeration("Alignment", alignment, kAlignments);
    control.SetAlignment(alignment);
    r.boolean("AlignToBand", control.AlignToBand);
    r.color("Color", control.Color);
    r.boolean("Transparent", control.Transparent);
    readFrame(r.child("Frame"), control.Frame);
}

void readLabel(const Reader& r, TRpCustomLabel& label) {
    r.boolean("AutoSize", label.AutoSize);
    r.boolean("AutoStretch", label.AutoStretch);
    r.boolean("WordWrap", label.WordWrap);
    if (r.has("Font")) {
        QFont font = label.Font();
        readFont(r.child("Font"), font, label.FontColor);
        label.SetFont(font);
    }
    double fontSize = 0;
    r.number("FontSize", fontSize);
    if (fontSize > 0) {
        QFont font = label.Font();
        font.setPointSizeF(fontSize);
        label.SetFont(font);
    }
    if (r.has("Lines")) {
        QStringList lines;
        for (const QJsonValue& line : r.array("Lines")) {
            if (!line.isString()) r.fail("Lines", QStringLiteral("must hold texts"));
            lines.append(line.toString());
        }
        label.SetLines(lines);
    }
    QString caption = label.Caption();
    r.text("Caption", caption);
    label.SetCaption(caption);
}

TRpPrintable* createControl(TReport& report, const Reader& r) {
    QString className;
    r.text("class", className);
    if (className == QLatin1String("TRpLabel")) return new TRpLabel(&report);
    if (className == QLatin1String("TRpMemo")) return new TRpMemo(&report);
    if (className == QLatin1String("TRpSysData")) return new TRpSysData(&report);
    if (className == QLatin1String("TRpShape")) return new TRpShape(&report);
    if (className == QLatin1String("TRpImage")) return new TRpImage(&report);
    r.fail("class", QStringLiteral("names an unknown control class \"%1\"").arg(className));
}

void readControl(TReport& report, const Reader& r) {
    TRpPrintable* control = createControl(report, r);
    QString name;
    r.text("name", name);
    control->setObjectName(name);
    readPrintable(r, *control);
    if (auto* label = qobject_cast<TRpCustomLabel*>(control)) readLabel(r, *label);
    if (auto* sysData = qobject_cast<TRpSysData*>(control)) {
        r.enumeration("Data", sysData->Data, kSysData);
        r.text("Text", sysData->Text);
    }
    if (auto* shape = qobject_cast<TRpShape*>(control)) {
        r.enumeration("Shape", shape->Shape, kShapes);
        const Reader pen = r.child("Pen");
        pen.color("Color", shape->Pen.color);
        pen.integer("Width", shape->Pen.width);
        pen.enumeration("Style", shape->Pen.style, kPenStyles);
        const Reader brush = r.child("Brush");
        brush.color("Color", shape->Brush.color);
        int style = shape->Brush.style == Qt::NoBrush ? 0 : 1;
        brush.enumeration("Style", style, kBrushStyles);
        shape->Brush.style = style == 0 ? Qt::NoBrush : Qt::SolidPattern;
    }
    if (auto* image = qobject_cast<TRpImage*>(control)) {
        image->Picture = readPicture(r.child("Picture"));
        r.boolean("AutoSize", image->AutoSize);
        r.boolean("Center", image->Center);
        r.boolean("Stretch", image->Stretch);
    }
}

}  // namespace

void LoadReportForm(TReport& report, const QJsonObject& description) {
    const Reader r(description, description.value(QLatin1String("name")).toString(QStringLiteral("report")));
    QString name = report.objectName();
    r.text("name", name);
    report.setObjectName(name);

    TRpUnits units = report.Units();
    r.enumeration("Units", units, kUnits);
    report.SetUnits(units);
    int zoom = report.Zoom();
    r.integer("Zoom", zoom);
    report.SetZoom(zoom);
    r.text("ReportTitle", report.ReportTitle);
    r.boolean("PrintIfEmpty", report.PrintIfEmpty);
    r.boolean("ShowProgress", report.ShowProgress);
    if (r.has("Options")) {
        TRpReportOptions options;
        for (const QJsonValue& option : r.array("Options")) {
            const QString text = option.toString();
            if (text == QLatin1String("FirstPageHeader"))
                options |= TRpReportOption::FirstPageHeader;
            else if (text == QLatin1String("LastPageFooter"))
                options |= TRpReportOption::LastPageFooter;
            else if (text == QLatin1String("Compression"))
                options |= TRpReportOption::Compression;
            else
                r.fail("Options", QStringLiteral("has an unknown option \"%1\"").arg(text));
        }
        report.Options = options;
    }

    const Reader page = r.child("Page");
    TRpOrientation orientation = report.Page().Orientation();
    page.enumeration("Orientation", orientation, kOrientations);
    TRpPaperSize paper = report.Page().PaperSize();
    page.enumeration("PaperSize", paper, paperNames());
    report.Page().SetPaperSize(paper);
    report.Page().SetOrientation(orientation);
    report.Page().Values = readValues<7>(page, report.Page().Values);
    int columns = report.Page().Columns();
    page.integer("Columns", columns);
    report.Page().SetColumns(columns);

    const Reader settings = r.child("PrinterSettings");
    settings.integer("Copies", report.PrinterSettings.Copies);
    settings.boolean("Duplex", report.PrinterSettings.Duplex);
    settings.integer("FirstPage", report.PrinterSettings.FirstPage);
    settings.integer("LastPage", report.PrinterSettings.LastPage);
    settings.enumeration("OutputBin", report.PrinterSettings.OutputBin, kBins);
    settings.integer("PrinterIndex", report.PrinterSettings.PrinterIndex);

    if (r.has("Font")) {
        QFont font = report.Font();
        readFont(r.child("Font"), font, report.FontColor);
        report.SetFont(font);
    }
    readFrame(r.child("Frame"), report.Frame);

    const QJsonArray controls = r.array("Controls");
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (!controls.at(i).isObject()) r.fail("Controls", QStringLiteral("must hold objects"));
        readControl(report,
                    Reader(controls.at(i).toObject(), r.place() + QStringLiteral(".Controls[%1]").arg(i)));
    }
}

void LoadReportFormFile(TReport& report, const QString& fileName) {
    LoadReportForm(report, runtime::descriptionFile<ERpError>(
                               fileName, QStringLiteral("Cannot read the form %1").arg(fileName)));
}
