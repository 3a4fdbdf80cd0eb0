// Field conversions: reading and writing texts, numbers, dates and variants, with their messages.
#include <gtest/gtest.h>

#include <QLocale>
#include <QPoint>
#include <limits>

#include "MemoryDataSet.h"
#include "runtime/Seams.h"

namespace {

class FieldTest : public testing::Test {
  protected:
    FieldTest() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        runtime::setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 0)); });
        dataSet.setObjectName(QStringLiteral("Query1"));
        dataSet.AddRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        dataSet.Open();
        dataSet.Edit();
    }
    ~FieldTest() override {
        QLocale::setDefault(QLocale::c());
        runtime::setClock({});
    }
    TField& Field(const char* name) { return *dataSet.FieldByName(QString::fromLatin1(name)); }

    MemoryDataSet dataSet{{{"Broj", ftInteger},
                           {"Ime", ftString, 30},
                           {"Dana", ftFloat},
                           {"Datum", ftDate},
                           {"Veliki", ftLargeint}}};
};

struct Rounding {
    double value;
    int expected;
};

class FloatAsInteger : public FieldTest, public testing::WithParamInterface<Rounding> {};

TEST_P(FloatAsInteger, RoundsHalvesToEven) {
    Field("Dana").SetAsFloat(GetParam().value);
    EXPECT_EQ(Field("Dana").AsInteger(), GetParam().expected);
    Field("Broj").SetAsFloat(GetParam().value);
    EXPECT_EQ(Field("Broj").AsInteger(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Field, FloatAsInteger,
                         testing::Values(Rounding{2.5, 2}, Rounding{3.5, 4}, Rounding{-0.5, 0},
                                         Rounding{-2.5, -2}, Rounding{7.4, 7}, Rounding{-7.6, -8},
                                         Rounding{0.5, 0}));

struct Shown {
    const char* locale;
    double value;
    const char* text;
};

class FloatAsString : public FieldTest, public testing::WithParamInterface<Shown> {};

TEST_P(FloatAsString, UsesGeneralFormatWithTheLocaleSeparator) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam().locale)));
    Field("Dana").SetAsFloat(GetParam().value);
    EXPECT_EQ(Field("Dana").AsString(), QString::fromUtf8(GetParam().text));
    EXPECT_EQ(Field("Dana").Text(), QString::fromUtf8(GetParam().text));
    Field("Dana").SetAsString(QString::fromUtf8(GetParam().text));
    EXPECT_DOUBLE_EQ(Field("Dana").AsFloat(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Field, FloatAsString,
                         testing::Values(Shown{"en_US", 12, "12"}, Shown{"en_US", 1.5, "1.5"},
                                         Shown{"de_DE", 1.5, "1,5"}, Shown{"sr_Latn_RS", -20.25, "-20,25"},
                                         Shown{"de_DE", 1234567, "1234567"}, Shown{"en_US", 0.1 + 0.2, "0.3"},
                                         Shown{"en_US", 1.5e17, "1.5E+17"}));

TEST_F(FieldTest, IntegerFieldsOf32And64BitsReadLeadingBlanksAndASign) {
    for (const char* name : {"Broj", "Veliki"}) {
        Field(name).SetAsString(QStringLiteral("  +12"));
        EXPECT_EQ(Field(name).AsInteger(), 12) << name;
        Field(name).SetAsString(QStringLiteral("-7"));
        EXPECT_EQ(Field(name).AsInteger(), -7) << name;
    }
    Field("Veliki").SetAsString(QStringLiteral(" 9000000000"));
    EXPECT_EQ(Field("Veliki").AsFloat(), 9e9);
}

TEST_F(FieldTest, IntegerFieldShowsPlainDigits) {
    Field("Broj").SetAsInteger(-1234567);
    EXPECT_EQ(Field("Broj").AsString(), "-1234567");
    EXPECT_EQ(Field("Broj").AsFloat(), -1234567.0);
    EXPECT_EQ(Field("Broj").Value(), QVariant(-1234567));
}

TEST_F(FieldTest, NullValuesReadAsZeroOrEmpty) {
    for (const char* name : {"Broj", "Ime", "Dana", "Datum"}) {
        EXPECT_TRUE(Field(name).IsNull()) << name;
        EXPECT_EQ(Field(name).AsString(), QString()) << name;
        EXPECT_FALSE(Field(name).Value().isValid()) << name;
    }
    EXPECT_EQ(Field("Dana").AsFloat(), 0.0);
    EXPECT_EQ(Field("Dana").AsInteger(), 0);
    EXPECT_EQ(Field("Broj").AsInteger(), 0);
    EXPECT_EQ(Field("Datum").AsDateTime(), 0.0);
}

TEST_F(FieldTest, EmptyTextClearsNumbersAndDates) {
    Field("Dana").SetAsFloat(3);
    Field("Broj").SetAsInteger(3);
    Field("Datum").SetAsDateTime(46000);
    for (const char* name : {"Broj", "Dana", "Datum"}) {
        Field(name).SetAsString(QString());
        EXPECT_TRUE(Field(name).IsNull()) << name;
    }
}

TEST_F(FieldTest, StringFieldKeepsItsFirstSizeCharacters) {
    const QString forty = QStringLiteral("ABCDEFGHIJ").repeated(4);
    Field("Ime").SetAsString(forty);
    EXPECT_EQ(Field("Ime").AsString(), forty.left(30));
    Field("Ime").SetValue(QVariant(forty));
    EXPECT_EQ(Field("Ime").AsString().size(), 30);

    // Characters outside the basic plane take two 16-bit units each, and a letter with an accent of its
    // own two characters: none is split.
    const QString emoji = QString::fromUtf8("\U0001F600");
    Field("Ime").SetAsString(QLatin1Char('a') + emoji.repeated(20));
    EXPECT_EQ(Field("Ime").AsString(), QLatin1Char('a') + emoji.repeated(20));
    Field("Ime").SetAsString(QLatin1Char('a') + emoji.repeated(40));
    EXPECT_EQ(Field("Ime").AsString(), QLatin1Char('a') + emoji.repeated(29));
    const QString accented = QString::fromUtf8("S\u030C");
    Field("Ime").SetAsString(QString(29, QLatin1Char('A')) + accented);
    EXPECT_EQ(Field("Ime").AsString(), QString(29, QLatin1Char('A')));
}

TEST_F(FieldTest, StringFieldConvertsNumbersBothWays) {
    Field("Ime").SetAsInteger(42);
    EXPECT_EQ(Field("Ime").AsString(), "42");
    EXPECT_EQ(Field("Ime").AsInteger(), 42);
    Field("Ime").SetAsFloat(2.25);
    EXPECT_EQ(Field("Ime").AsFloat(), 2.25);
}

TEST_F(FieldTest, DateFieldUsesTheShortDateFormatAndWholeDays) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Field("Datum").SetAsDateTime(datetime::fromQDate(QDate(2026, 3, 5)) + 0.75);
    EXPECT_EQ(Field("Datum").AsString(), QLocale().toString(QDate(2026, 3, 5), QLocale::ShortFormat));
    EXPECT_EQ(Field("Datum").AsDateTime(), datetime::fromQDate(QDate(2026, 3, 5)));
    EXPECT_EQ(Field("Datum").Value(), QVariant(QDate(2026, 3, 5)));
    Field("Datum").SetAsString(QStringLiteral("17.11.2025"));
    EXPECT_EQ(Field("Datum").Value(), QVariant(QDate(2025, 11, 17)));
    Field("Datum").SetValue(QDate(1899, 12, 30));
    EXPECT_EQ(Field("Datum").AsFloat(), 0.0);
}

TEST_F(FieldTest, TwoDigitYearsFallWithinFiftyYearsOfToday) {
    Field("Datum").SetAsString(QStringLiteral("3/5/26"));
    EXPECT_EQ(Field("Datum").Value(), QVariant(QDate(2026, 3, 5)));
    Field("Datum").SetAsString(QStringLiteral("3/5/90"));
    EXPECT_EQ(Field("Datum").Value(), QVariant(QDate(1990, 3, 5)));
}

struct TypedDate {
    const char* locale;
    const char* text;
    QDate date;  // invalid: the text is no date
};

class TypedDates : public FieldTest, public testing::WithParamInterface<TypedDate> {};

TEST_P(TypedDates, ReadInTheUsualFormsOfTheLocale) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam().locale)));
    const QString text = QString::fromUtf8(GetParam().text);
    try {
        Field("Datum").SetAsString(text);
        EXPECT_EQ(Field("Datum").Value(), QVariant(GetParam().date));
    } catch (const EConvertError& e) {
        EXPECT_FALSE(GetParam().date.isValid());
        EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid date").arg(text));
    }
}

// Today is 8 December 2026: two-digit years run from 1976 to 2075.
INSTANTIATE_TEST_SUITE_P(Field, TypedDates,
                         testing::Values(TypedDate{"sr_Latn_RS", "4.3.2024", QDate(2024, 3, 4)},
                                         TypedDate{"sr_Latn_RS", "04.03.2024", QDate(2024, 3, 4)},
                                         TypedDate{"sr_Latn_RS", "4.3.2024.", QDate(2024, 3, 4)},
                                         TypedDate{"sr_Latn_RS", "4.3.24.", QDate(2024, 3, 4)},
                                         TypedDate{"sr_Latn_RS", " 4. mart 2024. ", QDate(2024, 3, 4)},
                                         TypedDate{"sr_Latn_RS", "29.2.00.", QDate(2000, 2, 29)},
                                         TypedDate{"sr_Latn_RS", "1.1.75", QDate(2075, 1, 1)},
                                         TypedDate{"sr_Latn_RS", "1.1.76", QDate(1976, 1, 1)},
                                         TypedDate{"sr_Latn_RS", "4.13.2024.", QDate()},
                                         TypedDate{"sr_Latn_RS", "4.3.", QDate()},
                                         TypedDate{"de_DE", "4.3.2024", QDate(2024, 3, 4)},
                                         TypedDate{"de_DE", "04.03.24", QDate(2024, 3, 4)},

                                         TypedDate{"hu_HU", "24. 3. 4", QDate(2024, 3, 4)}),
                         [](const testing::TestParamInfo<TypedDate>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(FieldTest, DisplayFormatMasksNumbers) {
    auto& dana = static_cast<TFloatField&>(Field("Dana"));
    dana.SetAsFloat(1234.5);
    dana.SetDisplayFormat(QStringLiteral("#,##0.00"));
    EXPECT_EQ(dana.DisplayText(), "1,234.50");
    EXPECT_EQ(dana.Text(), "1,234.50");
    dana.SetEditFormat(QStringLiteral("0.#"));
    EXPECT_EQ(dana.Text(), "1234.5");
}

struct BadWrite {
    const char* name;
    std::function<void(TDataSet&)> write;
    const char* message;
    bool convertError;  // the platform's conversion error rather than the dataset's
};

class BadWrites : public FieldTest, public testing::WithParamInterface<BadWrite> {};

TEST_P(BadWrites, RaiseTheirExactMessage) {
    try {
        GetParam().write(dataSet);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(GetParam().convertError);
        EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(GetParam().convertError);
        EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
    }
}

TField& fieldOf(TDataSet& d, const char* name) {
    return *d.FieldByName(QString::fromLatin1(name));
}

// The text `text` written to the field `name`, as typed into its edit.
std::function<void(TDataSet&)> textWrite(const char* name, const char* text) {
    return [name, text](TDataSet& d) { fieldOf(d, name).SetAsString(QString::fromLatin1(text)); };
}

INSTANTIATE_TEST_SUITE_P(
    Field, BadWrites,
    testing::Values(
        BadWrite{"FloatText", textWrite("Dana", "12a"),
                 "'12a' is not a valid floating point value for field 'Dana'", false},
        BadWrite{"FloatWithGroupSeparator", textWrite("Dana", "1,5"),
                 "'1,5' is not a valid floating point value for field 'Dana'", false},
        BadWrite{"FloatNotANumberText", textWrite("Dana", "NaN"),
                 "'NaN' is not a valid floating point value for field 'Dana'", false},
        BadWrite{"FloatNotANumber",
                 [](TDataSet& d) { fieldOf(d, "Dana").SetAsFloat(std::numeric_limits<double>::quiet_NaN()); },
                 "'nan' is not a valid floating point value for field 'Dana'", false},
        BadWrite{"FloatInfinityVariant",
                 [](TDataSet& d) { fieldOf(d, "Dana").SetValue(std::numeric_limits<double>::infinity()); },
                 "'inf' is not a valid floating point value for field 'Dana'", false},
        BadWrite{
            "IntegerNotANumber",
            [](TDataSet& d) { fieldOf(d, "Broj").SetAsFloat(std::numeric_limits<double>::quiet_NaN()); },
            "nan is not a valid value for field 'Broj'. The allowed range is -2.14748e+09 to 2.14748e+09",
            false},
        BadWrite{"StringHoldingNul",
                 [](TDataSet& d) { fieldOf(d, "Ime").SetAsString(QString::fromLatin1("AB\0CD", 5)); },
                 "A text holding a NUL character cannot be stored in field 'Ime'", false},
        BadWrite{"IntegerText", textWrite("Broj", "1.5"),
                 "'1.5' is not a valid integer value for field 'Broj'", false},
        BadWrite{"IntegerTextTrailingBlank", textWrite("Broj", " 12 "),
                 "' 12 ' is not a valid integer value for field 'Broj'", false},
        BadWrite{"IntegerTextOneTrailingBlank", textWrite("Broj", "12 "),
                 "'12 ' is not a valid integer value for field 'Broj'", false},
        BadWrite{"LargeintTextTrailingBlank", textWrite("Veliki", " 12 "),
                 "' 12 ' is not a valid integer value for field 'Veliki'", false},
        BadWrite{"LargeintTextOneTrailingBlank", textWrite("Veliki", "12 "),
                 "'12 ' is not a valid integer value for field 'Veliki'", false},
        BadWrite{"IntegerRange",
                 [](TDataSet& d) {
                     auto& broj = static_cast<TIntegerField&>(fieldOf(d, "Broj"));
                     broj.SetMinValue(1);
                     broj.SetMaxValue(99);
                     broj.SetAsInteger(100);
                 },
                 "100 is not a valid value for field 'Broj'. The allowed range is 1 to 99", false},
        BadWrite{
            "IntegerTypeRange", [](TDataSet& d) { fieldOf(d, "Broj").SetAsFloat(3e9); },
            "3e+09 is not a valid value for field 'Broj'. The allowed range is -2.14748e+09 to 2.14748e+09",
            false},
        BadWrite{"DateText", textWrite("Datum", "13/45/2025"), "'13/45/2025' is not a valid date", true},
        BadWrite{"DatePastTheYear9999", [](TDataSet& d) { fieldOf(d, "Datum").SetValue(QDate(10000, 1, 1)); },
                 "Invalid value for field 'Datum'", false},
        BadWrite{
            "DateNotANumber",
            [](TDataSet& d) { fieldOf(d, "Datum").SetAsDateTime(std::numeric_limits<double>::quiet_NaN()); },
            "Invalid value for field 'Datum'", false},
        BadWrite{"DateAsInteger", [](TDataSet& d) { fieldOf(d, "Datum").SetAsInteger(3); },
                 "Cannot access field 'Datum' as type Integer", false},
        BadWrite{"FloatAsDateTime", [](TDataSet& d) { fieldOf(d, "Dana").SetAsDateTime(3); },
                 "Cannot access field 'Dana' as type DateTime", false},
        BadWrite{"FloatVariant",
                 [](TDataSet& d) { fieldOf(d, "Dana").SetValue(QVariant(QStringLiteral("x"))); },
                 "Invalid value for field 'Dana'", false},
        BadWrite{"IntegerVariant", [](TDataSet& d) { fieldOf(d, "Broj").SetValue(QVariant(QPoint(1, 2))); },
                 "Invalid value for field 'Broj'", false},
        BadWrite{"StringReadAsInteger",
                 [](TDataSet& d) {
                     fieldOf(d, "Ime").SetAsString(QStringLiteral("Petar"));
                     fieldOf(d, "Ime").AsInteger();
                 },
                 "'Petar' is not a valid integer value", true},
        BadWrite{"DateReadAsInteger", [](TDataSet& d) { fieldOf(d, "Datum").AsInteger(); },
                 "Cannot access field 'Datum' as type Integer", false},
        BadWrite{"StringSize", [](TDataSet&) { TStringField().SetSize(8193); }, "Invalid field size", false},
        BadWrite{"NoDataSet",
                 [](TDataSet&) {
                     TFloatField loose;
                     loose.SetFieldName(QStringLiteral("ukupno"));
                     loose.AsFloat();
                 },
                 "Field 'ukupno' has no dataset", false}),
    [](const testing::TestParamInfo<BadWrite>& info) { return info.param.name; });

TEST_F(FieldTest, ChangeHookAndModifiedFollowAWrite) {
    int changes = 0;
    Field("Dana").OnChange = [&](TField*) { ++changes; };
    EXPECT_FALSE(dataSet.Modified());
    Field("Dana").SetAsInteger(4);
    EXPECT_TRUE(dataSet.Modified());
    EXPECT_EQ(changes, 1);
}

TEST_F(FieldTest, TextHooksReplaceTheConversion) {
    Field("Ime").OnSetText = [](TField* f, const QString& text) { f->SetAsString(text.toUpper()); };
    Field("Ime").OnGetText = [](TField* f, QString& text, bool display) {
        text = (display ? QStringLiteral("> ") : QString()) + f->AsString();
    };
    Field("Ime").SetText(QStringLiteral("petar"));
    EXPECT_EQ(Field("Ime").AsString(), "PETAR");
    EXPECT_EQ(Field("Ime").DisplayText(), "> PETAR");
    EXPECT_EQ(Field("Ime").Text(), "PETAR");
}

}  // namespace
