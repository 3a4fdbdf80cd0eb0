// The field classes: conversions between a column's stored value and text, numbers, dates and variants.
#include <QLocale>
#include <QTextBoundaryFinder>
#include <cmath>
#include <limits>

#include "data/DataMessages.h"
#include "data/Db.h"
#include "runtime/Seams.h"

namespace {

[[noreturn]] void databaseError(const QString& message) {
    throw EDatabaseError(message);
}

// The general number format: up to `precision` significant digits, the locale's decimal separator.
QString formatGeneral(double value, int precision) {
    QString text = QString::number(value, 'g', precision);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

// A number mask of the form "#,##0.00": grouping when it has a comma before the point, and between
// the count of '0' and the count of '0' and '#' decimals after it.
QString formatMasked(double value, const QString& mask) {
    const qsizetype point = mask.indexOf(QLatin1Char('.'));
    const QString integral = point < 0 ? mask : mask.left(point);
    const QString fraction = point < 0 ? QString() : mask.mid(point + 1);
    const int minDecimals = static_cast<int>(fraction.count(QLatin1Char('0')));
    const int maxDecimals = minDecimals + static_cast<int>(fraction.count(QLatin1Char('#')));
    QLocale locale;
    locale.setNumberOptions(integral.contains(QLatin1Char(',')) ? QLocale::DefaultNumberOptions
                                                                : QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', maxDecimals);
    const QString decimalPoint = locale.decimalPoint();
    for (int extra = maxDecimals - minDecimals; extra > 0 && text.endsWith(QLatin1Char('0')); --extra) {
        text.chop(1);
    }
    if (text.endsWith(decimalPoint)) text.chop(decimalPoint.size());
    return text;
}

// A number as the locale writes it; "nan", "inf" and numbers beyond the range of a double are none.
std::optional<double> parseLocaleFloat(const QString& text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (ok && std::isfinite(value)) return value;
    return std::nullopt;
}

[[noreturn]] void invalidFloat(const QString& text, const QString& fieldName) {
    databaseError(data::message::InvalidFieldFloat.arg(text, fieldName));
}

// The longest start of `text` made of whole characters, as a person sees them, that holds at most `size`
// code points: a pair of surrogates or a letter with its accents is never split.
QString cutToSize(const QString& text, int size) {
    if (text.size() <= size) return text;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    qsizetype points = 0;
    for (qsizetype next = characters.toNextBoundary(); next > 0; next = characters.toNextBoundary()) {
        points += QStringView(text).mid(end, next - end).toUcs4().size();
        if (points > size) break;
        end = next;
    }
    return text.left(end);
}

// Rounds to the nearest integer, halves to the even neighbour.
double roundHalfEven(double value) {
    return std::nearbyint(value);
}

bool isNullVariant(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

constexpr double MillisecondsPerDay = 86400000.0;

}  // namespace

template <typename Int>
std::optional<Int> wholeNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    if (i == text.size()) return std::nullopt;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    bool ok = false;
    const qlonglong value = QStringView(text).mid(start).toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return std::nullopt;
    return Int(value);
}

template std::optional<int> wholeNumber<int>(const QString& text);
template std::optional<std::int64_t> wholeNumber<std::int64_t>(const QString& text);

int integerFromText(const QString& text) {
    if (const auto value = wholeNumber<int>(text)) return *value;
    throw EConvertError(data::message::InvalidInteger.arg(text));
}

// ---- Date-time values ------------------------------------------------------------------------------

namespace datetime {

double fromQDate(const QDate& date) {
    return static_cast<double>(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

QDate toQDate(double dateTime) {
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(std::trunc(dateTime)));
}

}  // namespace datetime

// ---- TField ------------------------------------------------------------------------------------------

TField::TField(QObject* owner, TFieldType dataType) : QObject(owner), dataType_(dataType) {}

TField::~TField() {
    if (dataSet_) dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if ((dataSet && dataSet->Active()) || (dataSet_ && dataSet_->Active())) {
        databaseError(data::message::OpenDataSet);
    }
    if (dataSet) dataSet->AddField(this);
    if (dataSet_) dataSet_->RemoveField(this);
    dataSet_ = dataSet;
}

void TField::SetFieldName(const QString& name) {
    if (dataSet_ && dataSet_->Active()) {
        databaseError(data::message::OpenDataSet);
    }
    fieldName_ = name;
}

bool TField::CanModify() const {
    return !readOnly_ && fieldKind_ == fkData && dataSet_ && dataSet_->CanModify();
}

bool TField::GetData(void* value) const {
    if (!dataSet_) databaseError(data::message::FieldWithoutDataSet.arg(DisplayName()));
    return dataSet_->GetFieldData(*this, value);
}

void TField::SetData(const void* value) {
    if (!dataSet_) databaseError(data::message::FieldWithoutDataSet.arg(DisplayName()));
    dataSet_->SetFieldData(*this, value);
}

bool TField::IsNull() const {
    if (!dataSet_) return true;
    switch (dataType_) {
        case ftString: {
            QString text;
            return !GetData(&text);
        }
        case ftFloat:
        case ftCurrency:
        case ftDateTime: {
            double value;
            return !GetData(&value);
        }
        case ftLargeint: {
            std::int64_t value;
            return !GetData(&value);
        }
        default: {
            std::int32_t value;
            return !GetData(&value);
        }
    }
}

void TField::SetValue(const QVariant& value) {
    if (isNullVariant(value)) {
        Clear();
    } else {
        SetAsVariantValue(value);
    }
}

void TField::SetText(const QString& text) {
    if (OnSetText) {
        OnSetText(this, text);
    } else {
        SetAsStringValue(text);
    }
}

void TField::FocusControl() {
    if (dataSet_) dataSet_->DataEvent(DataEvent::FocusControl, reinterpret_cast<std::intptr_t>(this));
}

QString TField::GetDisplayOrEditText(bool displayText) const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField*>(this), text, displayText);
        return text;
    }
    return GetText(displayText);
}

void TField::AccessError(const char* typeName) const {
    databaseError(data::message::FieldAccess.arg(DisplayName(), QString::fromLatin1(typeName)));
}

void TField::RangeError(double value, double min, double max) const {
    databaseError(QString::asprintf("%g is not a valid value for field '%s'. The allowed range is %g to %g",
                                    value, DisplayName().toUtf8().constData(), min, max));
}

void TField::InvalidValue() const {
    databaseError(data::message::InvalidFieldValue.arg(DisplayName()));
}

double TField::NumberOf(const QVariant& value) const {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) InvalidValue();
    return number;
}

int TField::GetAsInteger() const {
    AccessError("Integer");
}
double TField::GetAsFloat() const {
    AccessError("Float");
}
double TField::GetAsDateTime() const {
    AccessError("DateTime");
}
bool TField::GetAsBoolean() const {
    AccessError("Boolean");
}
QVariant TField::GetAsVariant() const {
    AccessError("Variant");
}
void TField::SetAsIntegerValue(int) {
    AccessError("Integer");
}
void TField::SetAsFloatValue(double) {
    AccessError("Float");
}
void TField::SetAsDateTimeValue(double) {
    AccessError("DateTime");
}
void TField::SetAsBooleanValue(bool) {
    AccessError("Boolean");
}
void TField::SetAsVariantValue(const QVariant&) {
    AccessError("Variant");
}

// ---- TStringField ------------------------------------------------------------------------------------

TStringField::TStringField(QObject* owner) : TField(owner, ftString) {}

void TStringField::SetSize(int size) {
    if (DataSet() && DataSet()->Active()) {
        databaseError(data::message::OpenDataSet);
    }
    if (size < 1 || size > 8192) databaseError(data::message::InvalidFieldSize);
    size_ = size;
}

QString TStringField::GetAsString() const {
    QString text;
    if (!GetData(&text)) return QString();
    return text;
}

int TStringField::GetAsInteger() const {
    const QString text = GetAsString();
    return integerFromText(text);
}

double TStringField::GetAsFloat() const {
    const QString text = GetAsString();
    if (const auto value = parseLocaleFloat(text)) return *value;
    throw EConvertError(data::message::InvalidFloat.arg(text));
}

double TStringField::GetAsDateTime() const {
    const QString text = GetAsString();
    if (const auto date = datetime::parseLocaleDate(text)) return datetime::fromQDate(*date);
    const QDateTime stamp = QLocale().toDateTime(text.trimmed(), QLocale::ShortFormat);
    if (stamp.isValid()) {
        return datetime::fromQDate(stamp.date()) + stamp.time().msecsSinceStartOfDay() / MillisecondsPerDay;
    }
    throw EConvertError(data::message::InvalidDateTime.arg(text));
}

QVariant TStringField::GetAsVariant() const {
    QString text;
    if (!GetData(&text)) return QVariant();
    return text;
}

void TStringField::SetAsStringValue(const QString& value) {
    // The stored text ends at its first NUL, so a text holding one would lose its rest.
    if (value.contains(QChar(0))) databaseError(data::message::NulInText.arg(DisplayName()));
    const QString stored = cutToSize(value, size_);
    SetData(&stored);
}

void TStringField::SetAsIntegerValue(int value) {
    SetAsStringValue(QString::number(value));
}

void TStringField::SetAsFloatValue(double value) {
    SetAsStringValue(formatGeneral(value, 15));
}

void TStringField::SetAsVariantValue(const QVariant& value) {
    if (!value.canConvert<QString>()) InvalidValue();
    if (value.typeId() == QMetaType::Double) {
        SetAsFloatValue(value.toDouble());
        return;
    }
    SetAsStringValue(value.toString());
}

// ---- TNumericField ----------------------------------------------------------------------------------

TNumericField::TNumericField(QObject* owner, TFieldType dataType) : TField(owner, dataType) {
    SetAlignment(taRightJustify);
}

QString TNumericField::FormatFor(bool displayText) const {
    if (displayText || editFormat_.isEmpty()) return displayFormat_;
    return editFormat_;
}

// ---- TIntegerField ----------------------------------------------------------------------------------

namespace {

// The whole number typed for field `fieldName`; nothing for a blank text. Any other text is refused.
template <typename Int>
std::optional<Int> typedWholeNumber(const QString& text, const QString& fieldName) {
    if (text.trimmed().isEmpty()) return std::nullopt;
    const std::optional<Int> number = wholeNumber<Int>(text);
    if (!number) {
        databaseError(data::message::InvalidFieldInteger.arg(text, fieldName));
    }
    return number;
}

// The whole number `field` stores as `Int`, as text; empty when the field is null.
template <typename Int>
QString storedWholeNumberText(const TField& field) {
    Int value;
    if (!field.GetData(&value)) return QString();
    return QString::number(value);
}

}  // namespace

TIntegerField::TIntegerField(QObject* owner) : TNumericField(owner, ftInteger) {}

void TIntegerField::CheckRange(double value) const {
    double min = std::numeric_limits<std::int32_t>::min();
    double max = std::numeric_limits<std::int32_t>::max();
    if (minValue_ != 0 || maxValue_ != 0) {
        min = minValue_;
        max = maxValue_;
    }
    if (!(value >= min && value <= max)) RangeError(value, min, max);
}

QString TIntegerField::GetAsString() const {
    return storedWholeNumberText<std::int32_t>(*this);
}

int TIntegerField::GetAsInteger() const {
    std::int32_t value;
    return GetData(&value) ? value : 0;
}

double TIntegerField::GetAsFloat() const {
    return GetAsInteger();
}

QVariant TIntegerField::GetAsVariant() const {
    std::int32_t value;
    if (!GetData(&value)) return QVariant();
    return value;
}

void TIntegerField::SetAsStringValue(const QString& value) {
    if (const auto number = typedWholeNumber<int>(value, DisplayName())) {
        SetAsIntegerValue(*number);
    } else {
        Clear();
    }
}

void TIntegerField::SetAsIntegerValue(int value) {
    CheckRange(value);
    const std::int32_t stored = value;
    SetData(&stored);
}

void TIntegerField::SetAsFloatValue(double value) {
    const double rounded = roundHalfEven(value);
    CheckRange(rounded);
    SetAsIntegerValue(static_cast<int>(rounded));
}

void TIntegerField::SetAsVariantValue(const QVariant& value) {
    SetAsFloatValue(NumberOf(value));
}

QString TIntegerField::GetText(bool displayText) const {
    const QString mask = FormatFor(displayText);
    if (mask.isEmpty() || IsNull()) return GetAsString();
    return formatMasked(GetAsInteger(), mask);
}

// ---- TLargeintField ---------------------------------------------------------------------------------

TLargeintField::TLargeintField(QObject* owner) : TNumericField(owner, ftLargeint) {}

QString TLargeintField::GetAsString() const {
    return storedWholeNumberText<std::int64_t>(*this);
}

int TLargeintField::GetAsInteger() const {
    std::int64_t value;
    if (!GetData(&value)) return 0;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        InvalidValue();
    return static_cast<int>(value);
}

double TLargeintField::GetAsFloat() const {
    std::int64_t value;
    return GetData(&value) ? static_cast<double>(value) : 0.0;
}

QVariant TLargeintField::GetAsVariant() const {
    std::int64_t value;
    if (!GetData(&value)) return QVariant();
    return QVariant::fromValue<qlonglong>(value);
}

void TLargeintField::Store(std::int64_t value) {
    SetData(&value);
}

void TLargeintField::SetAsStringValue(const QString& value) {
    if (const auto number = typedWholeNumber<std::int64_t>(value, DisplayName())) {
        Store(*number);
    } else {
        Clear();
    }
}

void TLargeintField::SetAsIntegerValue(int value) {
    Store(value);
}

void TLargeintField::SetAsVariantValue(const QVariant& value) {
    SetAsStringValue(value.toString());
}

QString TLargeintField::GetText(bool displayText) const {
    const QString mask = FormatFor(displayText);
    if (mask.isEmpty() || IsNull()) return GetAsString();
    return formatMasked(GetAsFloat(), mask);
}

// ---- TFloatField -------------------------------------------------------------------------------------

TFloatField::TFloatField(QObject* owner) : TNumericField(owner, ftFloat) {}

void TFloatField::SetPrecision(int precision) {
    precision_ = std::clamp(precision, 2, 15);
}

QString TFloatField::GetAsString() const {
    double value;
    if (!GetData(&value)) return QString();
    return formatGeneral(value, 15);
}

int TFloatField::GetAsInteger() const {
    double value;
    if (!GetData(&value)) return 0;
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        InvalidValue();
    }
    return static_cast<int>(rounded);
}

double TFloatField::GetAsFloat() const {
    double value;
    return GetData(&value) ? value : 0.0;
}

QVariant TFloatField::GetAsVariant() const {
    double value;
    if (!GetData(&value)) return QVariant();
    return value;
}

void TFloatField::SetAsStringValue(const QString& value) {
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    const auto parsed = parseLocaleFloat(value);
    if (!parsed) invalidFloat(value, DisplayName());
    SetAsFloatValue(*parsed);
}

void TFloatField::SetAsIntegerValue(int value) {
    SetAsFloatValue(value);
}

void TFloatField::SetAsFloatValue(double value) {
    if (!std::isfinite(value)) invalidFloat(QString::number(value), DisplayName());
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_)) {
        RangeError(value, minValue_, maxValue_);
    }
    SetData(&value);
}

void TFloatField::SetAsVariantValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        const auto parsed = parseLocaleFloat(value.toString());
        if (!parsed) InvalidValue();
        SetAsFloatValue(*parsed);
        return;
    }
    SetAsFloatValue(NumberOf(value));
}

QString TFloatField::GetText(bool displayText) const {
    if (IsNull()) return QString();
    const QString mask = FormatFor(displayText);
    if (!mask.isEmpty()) return formatMasked(GetAsFloat(), mask);
    if (currency_) return QLocale().toCurrencyString(GetAsFloat());
    return formatGeneral(GetAsFloat(), precision_);
}

// ---- TDateTimeField, TDateField ---------------------------------------------------------------------

TDateTimeField::TDateTimeField(QObject* owner) : TField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(QObject* owner, TFieldType dataType) : TField(owner, dataType) {}

TDateField::TDateField(QObject* owner) : TDateTimeField(owner, ftDate) {}

bool TDateTimeField::ReadDateTime(double* value) const {
    if (DataType() == ftDate) {
        std::int32_t day;
        if (!GetData(&day)) return false;
        *value = day - datetime::DayNumberOfZero;
        return true;
    }
    double milliseconds;
    if (!GetData(&milliseconds)) return false;
    *value = milliseconds / MillisecondsPerDay - datetime::DayNumberOfZero;
    return true;
}

double TDateTimeField::GetAsDateTime() const {
    double value;
    return ReadDateTime(&value) ? value : 0.0;
}

double TDateTimeField::GetAsFloat() const {
    return GetAsDateTime();
}

QString TDateTimeField::GetAsString() const {
    return GetText(false);
}

QVariant TDateTimeField::GetAsVariant() const {
    double value;
    if (!ReadDateTime(&value)) return QVariant();
    const QDate date = datetime::toQDate(value);
    if (DataType() == ftDate) return date;
    const double fraction = std::abs(value - std::trunc(value));
    return QDateTime(
        date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::llround(fraction * MillisecondsPerDay))));
}

QString TDateTimeField::GetText(bool displayText) const {
    double value;
    if (!ReadDateTime(&value)) return QString();
    const QLocale locale;
    const QDate date = datetime::toQDate(value);
    if (displayText && !displayFormat_.isEmpty()) {
        // Masks are written with 'm' for months, as a person writes them.
        QString format = displayFormat_;
        return locale.toString(date, format.replace(QLatin1Char('m'), QLatin1Char('M')));
    }
    QString text = locale.toString(date, QLocale::ShortFormat);
    const double fraction = std::abs(value - std::trunc(value));
    if (DataType() == ftDateTime && fraction > 0) {
        const QTime time =
            QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::llround(fraction * MillisecondsPerDay)));
        text += QLatin1Char(' ') + locale.toString(time, QLocale::LongFormat);
    }
    return text;
}

void TDateTimeField::SetAsStringValue(const QString& value) {
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    if (const auto date = datetime::parseLocaleDate(value)) {
        SetAsDateTimeValue(datetime::fromQDate(*date));
        return;
    }
    if (DataType() == ftDateTime) {
        const QDateTime stamp = QLocale().toDateTime(value.trimmed(), QLocale::ShortFormat);
        if (stamp.isValid()) {
            SetAsDateTimeValue(datetime::fromQDate(stamp.date()) +
                               stamp.time().msecsSinceStartOfDay() / MillisecondsPerDay);
            return;
        }
        throw EConvertError(data::message::InvalidDateTime.arg(value));
    }
    throw EConvertError(data::message::InvalidDate.arg(value));
}

void TDateTimeField::SetAsFloatValue(double value) {
    SetAsDateTimeValue(value);
}

void TDateTimeField::SetAsDateTimeValue(double value) {
    if (DataType() == ftDate) {
        const double day = std::trunc(value) + datetime::DayNumberOfZero;
        if (!(day >= 1 && day <= datetime::LastDayNumber)) InvalidValue();  // also refuses NaN
        const std::int32_t stored = static_cast<std::int32_t>(day);
        SetData(&stored);
        return;
    }
    const double stored = std::round((value + datetime::DayNumberOfZero) * MillisecondsPerDay);
    SetData(&stored);
}

void TDateTimeField::SetAsVariantValue(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            SetAsDateTimeValue(datetime::fromQDate(value.toDate()));
            return;
        case QMetaType::QDateTime: {
            const QDateTime stamp = value.toDateTime();
            SetAsDateTimeValue(datetime::fromQDate(stamp.date()) +
                               stamp.time().msecsSinceStartOfDay() / MillisecondsPerDay);
            return;
        }
        case QMetaType::QString:
            SetAsStringValue(value.toString());
            return;
        default:
            SetAsDateTimeValue(NumberOf(value));
    }
}
