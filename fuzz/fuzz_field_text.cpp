// Fuzz target: a text typed into a number (32-bit, 64-bit or floating-point), date or text field, in one
// of several locales, as a data-aware edit or the grid writes it, and read back in every form the windows
// read.
// Oracles: a number field never takes a value that is not a number; what a field shows, typed back in,
// shows the same, and gives the same value unless the locale writes years with two digits.
#include <QLocale>
#include <cmath>

#include "fuzz/FuzzSupport.h"
#include "tests/data/MemoryDataSet.h"

namespace {

const char* const kLocales[] = {"en_US", "sr_Latn_RS", "sr_Cyrl_RS", "de_DE", "en_GB", "fr_FR",
                                "hu_HU", "ja_JP",      "ar_EG",      "fa_IR", "C",     "nb_NO"};
constexpr std::size_t kLocaleCount = sizeof kLocales / sizeof *kLocales;

MemoryDataSet* dataSet = nullptr;

void readEveryWay(TField& field) {
    for (const auto& read : {+[](TField& f) { (void)f.AsInteger(); }, +[](TField& f) { (void)f.AsFloat(); },
                             +[](TField& f) { (void)f.AsDateTime(); }, +[](TField& f) { (void)f.Value(); }}) {
        try {
            read(field);
        } catch (const Exception&) {
            // conversions a class does not have, and texts that are not numbers or dates
        }
    }
    (void)field.DisplayText();
}

// The field's own text, typed back in, gives the same value and shows the same.
void checkTypedBack(TField& field, const QString& typed) {
    const QString shown = field.Text();
    const QVariant value = field.Value();
    try {
        field.SetAsString(shown);
    } catch (const Exception& error) {
        fuzz::fail(QStringLiteral("%1 took \"%2\" and shows \"%3\", which it refuses: %4")
                       .arg(field.FieldName(), typed, shown, error.Message()));
    }
    if (field.Text() != shown)
        fuzz::fail(QStringLiteral("%1 took \"%2\", shows \"%3\", and typed back shows \"%4\"")
                       .arg(field.FieldName(), typed, shown, field.Text()));
    // A short format with a two-digit year shows dates of other centuries alike; the text stays the same.
    const bool wholeYear = QLocale().dateFormat(QLocale::ShortFormat).contains(QLatin1String("yyyy"));
    if (field.DataType() == ftDate && wholeYear && field.Value() != value)
        fuzz::fail(QStringLiteral("%1 took \"%2\" as %3 and typed back as %4")
                       .arg(field.FieldName(), typed, value.toString(), field.Value().toString()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startApplication(argc, argv);
    dataSet = new MemoryDataSet({{"Broj", ftInteger},
                                 {"Ime", ftString, 30},
                                 {"Dana", ftFloat},
                                 {"Datum", ftDate},
                                 {"Ukupno", ftLargeint}});
    dataSet->setObjectName(QStringLiteral("Query1"));
    dataSet->AddRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    dataSet->Open();
    dataSet->Edit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    QLocale::setDefault(QLocale(QString::fromLatin1(kLocales[data[0] % kLocaleCount])));
    TField& field = *dataSet->Fields(data[1] % 5);
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    field.Clear();
    try {
        field.SetAsString(typed);
    } catch (const Exception&) {
        return 0;  // refused with its message
    }
    if (field.DataType() == ftFloat && !field.IsNull() && !std::isfinite(field.AsFloat()))
        fuzz::fail(QStringLiteral("Dana took \"%1\" as %2").arg(typed).arg(field.AsFloat()));
    readEveryWay(field);
    if (!field.IsNull() && field.DataType() != ftString) checkTypedBack(field, typed);
    return 0;
}
