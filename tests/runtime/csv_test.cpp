// The CSV writer: each kind of value in its plain form whatever the locale, quoting as RFC 4180 says,
// and a file that reads back as written.
#include "runtime/Csv.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QTemporaryDir>

#include "runtime/Exception.h"
#include "tests/CsvReader.h"

namespace {

struct FieldCase {
    QVariant value;
    const char* written;
};

class CsvFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CsvFields, AreWrittenInTheirPlainForm) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // would write 1.234,5
    EXPECT_EQ(runtime::csvField(GetParam().value).toStdString(), GetParam().written);
    QLocale::setDefault(QLocale::c());
}

INSTANTIATE_TEST_SUITE_P(
    Values, CsvFields,
    ::testing::Values(
        FieldCase{QVariant(), ""}, FieldCase{-2.5, "-2.5"}, FieldCase{1234567.25, "1234567.25"},
        FieldCase{1e20, "100000000000000000000"}, FieldCase{42, "42"},
        FieldCase{QDate(2020, 3, 5), "2020-03-05"},
        FieldCase{QDateTime(QDate(2020, 3, 5), QTime(0, 0)), "2020-03-05"},
        FieldCase{QDateTime(QDate(2020, 3, 5), QTime(9, 7, 3)), "2020-03-05 09:07:03"},
        FieldCase{QStringLiteral("O'BRIEN OLGA"), "O'BRIEN OLGA"},
        FieldCase{QStringLiteral("GO, 1 DEO"), "\"GO, 1 DEO\""},
        FieldCase{QStringLiteral("A \"B\""), "\"A \"\"B\"\"\""},
        FieldCase{QStringLiteral("A\r\nB"), "\"A\r\nB\""}, FieldCase{QStringLiteral(" A"), "\" A\""},
        FieldCase{QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"),
                  "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        FieldCase{QStringLiteral("+1"), "\"'+1\""}, FieldCase{QStringLiteral("-"), "\"'-\""},
        FieldCase{QStringLiteral("@SUM(A1)"), "\"'@SUM(A1)\""}, FieldCase{QStringLiteral("\tA"), "\"'\tA\""},
        FieldCase{QStringLiteral("\rA"), "\"'\rA\""}, FieldCase{QStringLiteral("A=B-C"), "A=B-C"}));

TEST(CsvFile, ReadsBackAsWrittenAndIsReplacedOnlyWhenComplete) {
    QTemporaryDir directory;
    EXPECT_THROW(runtime::TCsvWriter(directory.filePath("missing/list.csv")), Exception);
    const QString path = directory.filePath("list.csv");
    const std::vector<QStringList> rows = {
        {"Prezime i ime", "Razlog"}, {"ĐORĐEVIĆ ŽARKO", "\"GO\", 1 DEO\r\n2020"}, {"", ""}};
    runtime::TCsvWriter writer(path);
    for (const QStringList& row : rows) writer.WriteRow(QVariantList(row.begin(), row.end()));
    writer.Commit();
    const CsvFile csv = readCsv(path);
    EXPECT_TRUE(csv.wellFormed);
    EXPECT_EQ(csv.rows, rows);

    runtime::TCsvWriter abandoned(path);
    abandoned.WriteRow({QStringLiteral("new")});
    EXPECT_EQ(readCsv(path).rows, rows) << "an uncommitted file replaces nothing";
}

}  // namespace
