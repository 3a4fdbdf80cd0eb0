// The stored-pages layout, the move to a temporary file, reading pages in any order, and refusing
// corrupt page images.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include "report/RpPageStore.h"
#include "report/RpPreview.h"
#include "runtime/Geometry.h"
#include "tests/report/ReportTestSupport.h"

namespace {

qint32 int32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}
qint16 int16At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<qint16>(bytes.constData() + offset);
}

QByteArray pageBytes(int page, int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((page * 31 + i) & 0xFF);
    return bytes;
}

// Runs a letter-sized report of one label, "Broj:", into `printer`; answers the stored pages' bytes.
QByteArray runOneLabel(TRpPrinter& printer, TRpReportOptions options = {}) {
    TReport report;
    makeLetterForm(report);
    report.Options |= options;
    addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 56, 152, 73, 33)
        ->SetCaption(QStringLiteral("Broj:"));
    report.SetPrinter(&printer);
    report.CreateReport(false);
    return printer.PageList()->Stream().ReadAll();
}

}  // namespace

TEST_F(ReportTest, OnePageRunStoresTheHeaderAndOneRecord) {
    TRpPrinter printer;
    const QByteArray bytes = runOneLabel(printer);
    ASSERT_GT(bytes.size(), 124 + 12);
    EXPECT_EQ(int16At(bytes, 0), 3);
    EXPECT_EQ(int16At(bytes, 2), 212);
    EXPECT_EQ(int32At(bytes, 4), 0);
    EXPECT_EQ(int32At(bytes, 8), 1);
    const double created = qFromLittleEndian<double>(bytes.constData() + 12);
    EXPECT_DOUBLE_EQ(created, dateTimeToDays(QDateTime(QDate(2024, 3, 7), QTime(14, 30))));
    EXPECT_NEAR(created, 45358.6041667, 1e-6);
    EXPECT_EQ(bytes.at(20), 0);
    EXPECT_EQ(bytes.at(21), 0);  // not compressed
    EXPECT_EQ(bytes.mid(22, 102), QByteArray(102, '\0'));
    EXPECT_EQ(int32At(bytes, 124), 1);                 // page number
    EXPECT_EQ(int32At(bytes, 128), bytes.size());      // the byte after the record
    EXPECT_EQ(int32At(bytes, bytes.size() - 4), 124);  // the record's own start
    const QByteArray image = bytes.mid(132, bytes.size() - 132 - 4);
    EXPECT_EQ(TRpPageImage::Parse(image).Size(), QSize(816, 1056));
}

TEST(PageStore, ManyPagesSpillToATemporaryFileThatGoesWithTheStream) {
    QString fileName;
    {
        TRpPageList pages(std::make_unique<TRpStream>(), false);
        for (int n = 1; n <= 30; ++n) pages.StorePage(pageBytes(n, 5000));
        pages.Finish();
        EXPECT_TRUE(pages.Stream().InFile());
        fileName = pages.Stream().FileName();
        EXPECT_TRUE(QFileInfo(fileName).fileName().startsWith(QStringLiteral("RPP")));
        EXPECT_TRUE(QFile::exists(fileName));
        const QByteArray bytes = pages.Stream().ReadAll();
        EXPECT_EQ(bytes.size(), 124 + 30 * (5000 + 12));
        EXPECT_EQ(int32At(bytes, 8), 30);
        // Every record points at the next and back at itself.
        qint64 start = 124;
        for (int n = 1; n <= 30; ++n) {
            EXPECT_EQ(int32At(bytes, start), n);
            const qint32 next = int32At(bytes, start + 4);
            EXPECT_EQ(int32At(bytes, next - 4), start);
            start = next;
        }
    }
    EXPECT_FALSE(QFile::exists(fileName));
}

TEST(PageStore, StaysInMemoryUpToItsLimit) {
    TRpPageList pages(std::make_unique<TRpStream>(1000), false);
    pages.StorePage(pageBytes(1, 1000 - 124 - 12));
    EXPECT_FALSE(pages.Stream().InFile());
    pages.StorePage(pageBytes(2, 1));
    EXPECT_TRUE(pages.Stream().InFile());
    EXPECT_EQ(*pages.Page(1), pageBytes(1, 1000 - 124 - 12));
}

class PageOrderTest : public ::testing::TestWithParam<bool> {};

TEST_P(PageOrderTest, ReadsEveryPageInAnyOrder) {
    TRpPageList pages(std::make_unique<TRpStream>(20000), GetParam());
    for (int n = 1; n <= 9; ++n) pages.StorePage(pageBytes(n, 1000 + n * 700));
    pages.Finish();
    for (int n : {5, 2, 9, 1, 8, 3, 3, 7, 4, 6, 1, 9}) {
        const auto page = pages.Page(n);
        ASSERT_TRUE(page.has_value()) << n;
        EXPECT_EQ(*page, pageBytes(n, 1000 + n * 700)) << n;
    }
    EXPECT_FALSE(pages.Page(0).has_value());
    EXPECT_FALSE(pages.Page(10).has_value());
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, PageOrderTest, ::testing::Bool());

TEST(PageStore, OpensASavedFileReadOnly) {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("saved.RPP"));
    {
        TRpPageList pages(std::make_unique<TRpStream>(), false);
        for (int n = 1; n <= 3; ++n) pages.StorePage(pageBytes(n, 300));
        pages.Finish();
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pages.Stream().ReadAll());
    }
    auto loaded = TRpPageList::Open(fileName);
    EXPECT_EQ(loaded->PageCount(), 3);
    EXPECT_EQ(*loaded->Page(2), pageBytes(2, 300));
    EXPECT_THROW(loaded->StorePage(pageBytes(4, 1)), ERpError);
    EXPECT_EQ(QFile(fileName).size(), 124 + 3 * 312);
}

TEST(PageStore, RefusesFilesThatAreNotStoredPages) {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("foreign.RPP"));
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(200, 'x'));
    file.close();
    EXPECT_THROW(TRpPageList::Open(fileName), ERpError);
    EXPECT_THROW(TRpPageList::Open(dir.filePath(QStringLiteral("missing.RPP"))), ERpError);
}

namespace {

// Three stored pages of 100 bytes each: records at 124, 236 and 348, the file ending at 460.
QByteArray threeStoredPages() {
    TRpPageList pages(std::make_unique<TRpStream>(), false);
    for (int n = 1; n <= 3; ++n) pages.StorePage(pageBytes(n, 100));
    pages.Finish();
    return pages.Stream().ReadAll();
}

QByteArray withInt32(QByteArray bytes, qsizetype offset, qint32 value) {
    qToLittleEndian<qint32>(value, bytes.data() + offset);
    return bytes;
}

QString writtenFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString fileName = dir.filePath(QStringLiteral("stored.RPP"));
    QFile file(fileName);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return fileName;
}

struct DamagedStore {
    const char* name;
    std::function<QByteArray()> bytes;
};
class DamagedStoreTest : public ::testing::TestWithParam<DamagedStore> {};

}  // namespace

// Refused when opened, before any page is asked for, whatever the header claims.
TEST_P(DamagedStoreTest, IsNotAReportFile) {
    QTemporaryDir dir;
    const QString fileName = writtenFile(dir, GetParam().bytes());
    try {
        TRpPageList::Open(fileName);
        FAIL() << "accepted";
    } catch (const ERpError& error) {
        EXPECT_EQ(error.Message(), fileName + QStringLiteral(" is not a report file"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStoreTest,
    ::testing::Values(
        DamagedStore{"NextRecordBeyondTheFile",
                     [] { return withInt32(threeStoredPages(), 128, 0x7FFFFFF0); }},
        DamagedStore{"RecordPointingBack", [] { return withInt32(threeStoredPages(), 240, 124); }},
        DamagedStore{"RecordPointingAtItself", [] { return withInt32(threeStoredPages(), 240, 236); }},
        DamagedStore{"HugeCountAndASecondRecordPointingAtItself",
                     [] { return withInt32(withInt32(threeStoredPages(), 8, 0x7FFFFFFF), 240, 236); }},
        DamagedStore{"MorePagesThanTheFileCanHold", [] { return withInt32(threeStoredPages(), 8, 1000000); }},
        DamagedStore{"MorePagesThanRecords", [] { return withInt32(threeStoredPages(), 8, 4); }},
        DamagedStore{"FewerPagesThanRecords", [] { return withInt32(threeStoredPages(), 8, 2); }},
        DamagedStore{"PagesOutOfOrder", [] { return withInt32(threeStoredPages(), 236, 3); }},
        DamagedStore{"WrongOwnStart", [] { return withInt32(threeStoredPages(), 456, 124); }},
        DamagedStore{"NegativeCount", [] { return withInt32(threeStoredPages(), 8, -1); }}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct CompressedRecord {
    const char* name;
    qint32 claimed;  // the plain size the record states
    qsizetype actual;
};
class CompressedRecordTest : public ::testing::TestWithParam<CompressedRecord> {};

}  // namespace

// A compressed page is inflated only up to what it claims, and never beyond the largest page image.
TEST_P(CompressedRecordTest, IsRefusedWhenItsClaimIsFalseOrTooLarge) {
    TRpPageList pages(std::make_unique<TRpStream>(), false);
    QByteArray record(4, '\0');
    qToLittleEndian<qint32>(GetParam().claimed, record.data());
    pages.StorePage(record + qCompress(QByteArray(GetParam().actual, 'x')).mid(4));
    pages.Finish();
    QByteArray bytes = pages.Stream().ReadAll();
    bytes[21] = 1;
    QTemporaryDir dir;
    auto loaded = TRpPageList::Open(writtenFile(dir, bytes));
    EXPECT_THROW(loaded->Page(1), ERpError);
}

INSTANTIATE_TEST_SUITE_P(Claims, CompressedRecordTest,
                         ::testing::Values(CompressedRecord{"InflatesBeyondItsClaim", 100, 1000000},
                                           CompressedRecord{"InflatesShortOfItsClaim", 2000, 1000},
                                           CompressedRecord{"LargerThanAnyPage",
                                                            qint32(TRpPageList::kLargestPageImage + 1),
                                                            TRpPageList::kLargestPageImage + 1}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

TRpPageImage samplePage() {
    TRpPageRecorder recorder(QSize(816, 1056), 96);
    recorder.SetFont(QFont(QStringLiteral("Arial"), 12), Qt::black);
    recorder.FillRect(Rect(10, 10, 50, 20), Qt::yellow);
    recorder.TextOut(QPoint(10, 10), QStringLiteral("Datum:"), TRpTextAnchor::Left);
    recorder.Rectangle(Rect(100, 100, 40, 40));
    recorder.SetClip(Rect(0, 0, 5, 5));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    recorder.DrawImage(Rect(0, 0, 8, 8), image);
    recorder.RemoveClip();
    return recorder.TakePage();
}

}  // namespace

TEST(PageImage, SurvivesStorage) {
    const TRpPageImage page = samplePage();
    const TRpPageImage copy = TRpPageImage::Parse(page.Serialize());
    EXPECT_EQ(copy.Serialize(), page.Serialize());
    EXPECT_EQ(copy.Items().size(), 6u);
    EXPECT_EQ(textsOf(copy), QStringList{QStringLiteral("Datum:")});
}

TEST(PageImage, EveryTruncationIsRefusedCleanly) {
    const QByteArray bytes = samplePage().Serialize();
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        EXPECT_THROW(TRpPageImage::Parse(bytes.left(length)), ERpError) << length;
    }
}

struct CorruptionCase {
    const char* name;
    qsizetype offset;
    char value;
    const char* message;
};
class CorruptPageTest : public ::testing::TestWithParam<CorruptionCase> {};

TEST_P(CorruptPageTest, IsRefusedWithAClearMessage) {
    QByteArray bytes = samplePage().Serialize();
    bytes[GetParam().offset] = GetParam().value;
    try {
        TRpPageImage::Parse(bytes);
        FAIL() << "accepted";
    } catch (const ERpError& error) {
        EXPECT_TRUE(error.Message().startsWith(QLatin1String(GetParam().message)))
            << error.Message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CorruptPageTest,
    ::testing::Values(CorruptionCase{"Magic", 0, 'X', "Not a page image"},
                      CorruptionCase{"Version", 4, 9, "Unsupported page image version 9"},
                      CorruptionCase{"ItemCount", 19, 0x7F, "Page image is corrupt"},
                      CorruptionCase{"ItemTag", 22, 42, "Page image is corrupt"},
                      // The fill's left edge far left: wider than an int holds.
                      CorruptionCase{"RectangleWiderThanAnInt", 26, char(0x80), "Page image is corrupt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, CompressionOptionStoresCompressedPagesThatReadBack) {
    TRpPrinter printer;
    const QByteArray bytes = runOneLabel(printer, TRpReportOption::Compression);
    EXPECT_EQ(bytes.at(21), 1);
    EXPECT_EQ(textsOf(*printer.Page(1)), QStringList{QStringLiteral("Broj:")});
}

TEST_F(ReportTest, PreviewOfACorruptSavedPageShowsTheErrorInsteadOfThePage) {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("corrupt.RPP"));
    {
        TRpPageList pages(std::make_unique<TRpStream>(), false);
        pages.StorePage(QByteArray("KRPG but not a page image"));
        pages.Finish();
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pages.Stream().ReadAll());
    }
    TRpPrinter printer;
    printer.LoadPages(TRpPageList::Open(fileName));
    TRpPreview preview;
    preview.Attach(&printer);
    EXPECT_FALSE(preview.Image().HasImage());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Not a page image")))
        << messages.first().toStdString();
    preview.Detach();
}

TEST_F(ReportTest, APageThatCannotBeDrawnShowsCrossedOutAndItsErrorOnce) {
    TRpPageImage page(QSize(100, 100), 96);
    page.Append(TRpPageImage::Picture{Rect(10, 10, 20, 20), QByteArray("not a picture")});
    TRpPreviewImage image;
    image.resize(104, 104);
    image.SetImage(page, 1);
    const QImage shown = image.grab().toImage();
    image.grab();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Page image is corrupt")));
    EXPECT_EQ(shown.pixelColor(50, 50), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(50, 20), QColor(Qt::white));
}
