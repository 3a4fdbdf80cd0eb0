// The preview control's zoom and paging, the standard preview window driven as a person would,
// Preview's wait, and the progress window.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QBuffer>
#include <QJsonDocument>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>

#include "report/RpFormLoader.h"
#include "report/RpPreview.h"
#include "report/RpStandardPreview.h"
#include "runtime/Application.h"
#include "runtime/Geometry.h"
#include "tests/report/ReportTestSupport.h"

namespace {

TRpStandardPreview* openPreviewWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<TRpStandardPreview*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

QString statusText(TRpStandardPreview& window) {
    return window.findChild<QLabel*>(QStringLiteral("Status"))->text();
}

// Runs `check` on the open preview window once its pages are made, then closes it with its Close
// button.
void whilePreviewOpen(std::function<void(TRpStandardPreview&)> check) {
    // A timed shot, not a queued call, so that the messages posted before it are handled first.
    QTimer::singleShot(5, [check] {
        TRpStandardPreview* window = openPreviewWindow();
        ASSERT_NE(window, nullptr);
        TRpPrinter* printer = window->Preview().Printer();
        if (printer && printer->Progress() < 100) {
            whilePreviewOpen(check);
            return;
        }
        QCoreApplication::processEvents();
        check(*window);
        window->findChild<QPushButton*>(QStringLiteral("Exit"))->click();
    });
}

QString pngBase64(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}

// A small request form: a memo, a coloured label, a rectangle with a heading over it, a logo and
// today's date.
QJsonObject smallForm() {
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(QColor(0, 128, 0));
    const QString json = QStringLiteral(R"({
      "name": "frmTest", "Units": "Inches", "Zoom": 100, "PrintIfEmpty": false,
      "Options": ["FirstPageHeader", "LastPageFooter"],
      "Page": {"Values": [127.0, 2794.0, 787.4, 2159.0, 127.0, 127.0, 0.0], "Columns": 1,
               "Orientation": "poPortrait", "PaperSize": "Letter"},
      "Font": {"Name": "Arial", "Size": 10},
      "Controls": [
        {"class": "TRpMemo", "name": "RpMemo1", "Size": {"Values": [320.145833, 1016, 42.333333, 722.3125]},
         "AutoSize": false, "Lines": ["", "Javno preduzece", "      RJ PS"]},
        {"class": "TRpImage", "name": "RpImage1", "Size": {"Values": [320.145833, 84.666667, 42.333333, 806.979167]},
         "Picture": {"base64": "%1"}},
        {"class": "TRpLabel", "name": "RpLabel1", "Size": {"Values": [87.3125, 148.166667, 402.166667, 193.145833]},
         "AutoSize": false, "Caption": "Broj:", "FontSize": 12, "Font": {"Bold": true}, "Color": 65535},
        {"class": "TRpShape", "name": "RpShape1", "Shape": "rpsRectangle",
         "Size": {"Values": [108.479167, 275.166667, 1037.166667, 489.479167]}},
        {"class": "TRpLabel", "name": "RpLabel3", "Size": {"Values": [66.145833, 317.5, 1058.333333, 425.979167]},
         "AutoSize": false, "Caption": "Prezime i ime", "FontSize": 14},
        {"class": "TRpSysData", "name": "RpSysData1", "Data": "rpsDate",
         "Size": {"Values": [87.3125, 359.833333, 508.0, 214.3125]}, "AutoSize": false, "FontSize": 12}
      ]})")
                             .arg(pngBase64(logo));
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

}  // namespace

class PreviewControlTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        printer.Settings.PaperSize = TRpPaperSize::Letter;
        preview.resize(1000, 700);
        preview.show();
        preview.Attach(&printer);
    }
    void TearDown() override {
        preview.Detach();
        ReportTest::TearDown();
    }
    TRpPrinter printer;
    TRpPreview preview;
};

TEST_F(PreviewControlTest, ZoomToFitTakesTheSmallerOfTheTwoRatios) {
    preview.ZoomToFit();
    EXPECT_EQ(preview.Zoom(), 63);  // min(round(1000 / 816 * 95), round(700 / 1056 * 95))
    EXPECT_EQ(preview.Mode(), TRpPreview::ZoomMode::FitPage);
    preview.ZoomToWidth();
    EXPECT_EQ(preview.Zoom(), 110);
    EXPECT_EQ(preview.Mode(), TRpPreview::ZoomMode::FitWidth);
}

TEST_F(PreviewControlTest, ZoomOutsideTwoToTwoThousandIsIgnored) {
    for (const auto& [request, expected] : std::vector<std::pair<int, int>>{
             {50, 50}, {1, 50}, {2001, 50}, {2, 2}, {2000, 2000}, {0, 2000}, {-5, 2000}}) {
        preview.SetZoom(request);
        EXPECT_EQ(preview.Zoom(), expected) << request;
    }
}

TEST_F(PreviewControlTest, PageImageIsLaidOutAtTheZoomAndCentred) {
    preview.SetZoom(50);
    EXPECT_EQ(preview.Image().size(), QSize(408 + 4, 528 + 4));
    const QSize viewport = preview.viewport()->size();
    EXPECT_EQ(preview.Image().x(), (viewport.width() - 412) / 2);
    EXPECT_EQ(preview.Image().y(), (viewport.height() - 532) / 2);
    preview.SetZoom(300);
    EXPECT_EQ(preview.Image().pos(), QPoint(0, 0));
}

TEST_F(PreviewControlTest, ResizeRecomputesAFittedZoom) {
    preview.ZoomToFit();
    preview.resize(2000, 1400);
    EXPECT_EQ(preview.Zoom(), 126);
    preview.SetZoom(80);
    preview.resize(1000, 700);
    EXPECT_EQ(preview.Zoom(), 80);
}

TEST_F(PreviewControlTest, FirstFinishedPageIsShownAtPageWidth) {
    int available = 0;
    preview.OnPageAvailable = [&](int page) { available = page; };
    preview.SetZoom(100);
    printer.BeginDoc();
    printer.NewPage();
    printer.EndDoc();
    EXPECT_FALSE(preview.Image().HasImage());
    QCoreApplication::processEvents();
    EXPECT_TRUE(preview.Image().HasImage());
    EXPECT_EQ(preview.Mode(), TRpPreview::ZoomMode::FitWidth);
    EXPECT_EQ(available, 1);
    preview.SetPage(2);
    EXPECT_EQ(preview.PageNumber(), 1);
}

TEST_F(PreviewControlTest, DetachingCancelsAnUnfinishedRunAndRaisesAfterPreview) {
    int afterPreview = 0;
    printer.AfterPreviewHook = [&] { ++afterPreview; };
    printer.BeginDoc();
    preview.Detach();
    EXPECT_TRUE(printer.Cancelled());
    EXPECT_FALSE(printer.Showing());
    EXPECT_EQ(afterPreview, 1);
}

class StandardPreviewTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        LoadReportForm(report, smallForm());
    }
    TReport report;
};

TEST_F(StandardPreviewTest, OnePageReportShowsPageOneOfOneAndThePageKeysStayThere) {
    QStringList seen;
    bool checked = false;
    whilePreviewOpen([&](TRpStandardPreview& window) {
        checked = true;
        EXPECT_TRUE(window.isMaximized());
        EXPECT_EQ(window.windowTitle(), QString());
        seen.append(statusText(window));
        auto* preview = window.findChild<TRpPreview*>();
        for (auto [key, modifiers] :
             std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{{Qt::Key_PageDown, Qt::NoModifier},
                                                                    {Qt::Key_End, Qt::NoModifier},
                                                                    {Qt::Key_PageDown, Qt::ControlModifier},
                                                                    {Qt::Key_PageUp, Qt::NoModifier},
                                                                    {Qt::Key_Home, Qt::NoModifier}}) {
            QTest::keyClick(preview->viewport(), key, modifiers);
            EXPECT_EQ(preview->PageNumber(), 1);
            seen.append(statusText(window));
        }
        for (const char* name : {"NextPage", "LastPage", "PrevPage", "FirstPage"}) {
            window.findChild<QToolButton*>(QLatin1String(name))->click();
            EXPECT_EQ(preview->PageNumber(), 1);
        }
        EXPECT_TRUE(preview->Image().HasImage());
    });
    report.Preview();
    EXPECT_TRUE(checked);
    EXPECT_EQ(seen, QStringList(6, QStringLiteral("Page 1 of 1")));
    EXPECT_EQ(openPreviewWindow(), nullptr);
    EXPECT_EQ(report.Printer(), nullptr);
    EXPECT_TRUE(report.Available());
}

TEST_F(StandardPreviewTest, WindowHasTheToolBarOfTheStandardPreview) {
    whilePreviewOpen([](TRpStandardPreview& window) {
        // Each button is named by its hint; its tool tip adds the keys that do the same.
        const std::vector<std::array<const char*, 3>> hints{{"ZoomToFit", "Zoom to fit", ""},
                                                            {"ZoomTo100", "Zoom to 100%", ""},
                                                            {"ZoomToWidth", "Zoom to page width", ""},
                                                            {"FirstPage", "First Page", " (Home)"},
                                                            {"PrevPage", "Previous page", " (PgUp)"},
                                                            {"NextPage", "Next page", " (PgDown)"},
                                                            {"LastPage", "Last page", " (End)"},
                                                            {"PrintSetup", "Printer setup", ""},
                                                            {"Print", "Print", " (Ctrl+P)"},
                                                            {"Save", "Save", " (Ctrl+S)"},
                                                            {"Load", "Load", " (Ctrl+O)"}};
        for (const auto& [name, hint, keys] : hints) {
            auto* button = window.findChild<QToolButton*>(QLatin1String(name));
            ASSERT_NE(button, nullptr) << name;
            EXPECT_EQ(button->accessibleName(), QLatin1String(hint));
            EXPECT_EQ(button->toolTip(), QLatin1String(hint) + QLatin1String(keys));
            EXPECT_EQ(button->size(), QSize(25, 25));
        }
        EXPECT_TRUE(window.findChild<QToolButton*>(QStringLiteral("ZoomToWidth"))->isChecked());
        EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("Exit"))->text(), QStringLiteral("&Close"));
        auto* status = window.findChild<QLabel*>(QStringLiteral("Status"));
        EXPECT_EQ(status->width(), 128);
        EXPECT_TRUE(status->alignment() & Qt::AlignRight);
        auto* preview = window.findChild<TRpPreview*>();
        window.findChild<QToolButton*>(QStringLiteral("ZoomTo100"))->click();
        EXPECT_EQ(preview->Zoom(), 100);
        EXPECT_TRUE(window.findChild<QToolButton*>(QStringLiteral("ZoomTo100"))->isChecked());
        EXPECT_FALSE(window.findChild<QToolButton*>(QStringLiteral("ZoomToWidth"))->isChecked());
        EXPECT_FALSE(window.findChild<QProgressBar*>()->isVisible());
    });
    report.Preview();
}

TEST_F(StandardPreviewTest, TheKeysPrintSaveOpenAndZoomAndTabReachesTheButtons) {
    const TRpReportOperations kept = reportOperations();
    QStringList done;
    TRpReportOperations counting = kept;
    counting.Save = [&](TRpPrinter&, QWidget*) { done << "save"; };
    counting.Load = [&](TRpPreview&) { done << "load"; };
    setReportOperations(counting);
    std::vector<int> zooms;
    QStringList focused;
    whilePreviewOpen([&](TRpStandardPreview& window) {
        window.Preview().Printer()->PrintHook = [&] { done << "print"; };
        QWidget* page = window.Preview().viewport();
        QTest::keyClick(page, Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(page, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(page, Qt::Key_O, Qt::ControlModifier);
        window.Preview().SetZoom(100);
        QTest::keyClick(page, Qt::Key_Plus, Qt::ShiftModifier);
        zooms.push_back(window.Preview().Zoom());
        QTest::keyClick(page, Qt::Key_Minus);
        QTest::keyClick(page, Qt::Key_Minus);
        zooms.push_back(window.Preview().Zoom());
        EXPECT_EQ(window.findChild<QToolButton*>(QStringLiteral("ZoomTo100"))->isChecked(), false);
        window.findChild<QToolButton*>(QStringLiteral("ZoomToFit"))->setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            focused << QApplication::focusWidget()->objectName();
        }
    });
    report.Preview();
    setReportOperations(kept);
    EXPECT_EQ(done, (QStringList{"print", "save", "load"}));
    EXPECT_EQ(zooms, (std::vector<int>{125, 80}));
    EXPECT_EQ(focused, (QStringList{"FirstPage", "PrevPage", "NextPage"})) << "the zoom buttons are one stop";
}

TEST_F(StandardPreviewTest, EscapeClosesTheWindowAndPreviewReturns) {
    QTimer::singleShot(5, [] { QTest::keyClick(openPreviewWindow(), Qt::Key_Escape); });
    report.Preview();
    EXPECT_EQ(openPreviewWindow(), nullptr);
}

TEST_F(StandardPreviewTest, TheApplicationEndingEndsTheWait) {
    TApplication application;
    QTimer::singleShot(5, &report, [&] { application.Terminate(); });
    bool closedByHand = false;
    QTimer::singleShot(3000, &report, [&] {
        closedByHand = true;
        openPreviewWindow()->close();
    });
    report.Preview();
    EXPECT_FALSE(closedByHand);
    EXPECT_EQ(openPreviewWindow(), nullptr);
    EXPECT_TRUE(report.Available());
}

TEST_F(StandardPreviewTest, VetoedRunShowsAnEmptyPreview) {
    report.BeforePrint = [](TReport&, bool& print) { print = false; };
    QString status;
    bool hasImage = true;
    whilePreviewOpen([&](TRpStandardPreview& window) {
        window.findChild<QToolButton*>(QStringLiteral("NextPage"))->click();
        status = statusText(window);
        hasImage = window.findChild<TRpPreview*>()->Image().HasImage();
    });
    report.Preview();
    EXPECT_EQ(status, QStringLiteral("Page 1 of 0"));
    EXPECT_FALSE(hasImage);
}

TEST_F(StandardPreviewTest, SecondPreviewOfTheSameReportWhileOpenReturnsAtOnce) {
    int windows = 0;
    int afterPreview = 0;
    report.AfterPreview = [&](TReport&) { ++afterPreview; };
    whilePreviewOpen([&](TRpStandardPreview&) {
        qobject_cast<TRpLabel*>(report.findChild<TRpLabel*>(QStringLiteral("RpLabel1")))
            ->SetCaption(QStringLiteral("Nov"));
        report.Preview();  // returns at once
        for (QWidget* widget : QApplication::topLevelWidgets())
            windows += qobject_cast<TRpStandardPreview*>(widget) ? 1 : 0;
    });
    report.Preview();
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(afterPreview, 1);
    // A fresh preview after closing works again and shows the new caption.
    QStringList texts;
    whilePreviewOpen(
        [&](TRpStandardPreview& window) { texts = textsOf(*window.Preview().Printer()->Page(1)); });
    report.Preview();
    EXPECT_TRUE(texts.contains(QStringLiteral("Nov")));
}

TEST_F(StandardPreviewTest, RenderedPageShowsTheFormsControlsAtTheirPlaces) {
    QImage sheet;
    QImage shown;
    QString text;
    whilePreviewOpen([&](TRpStandardPreview& window) {
        TRpPreview& preview = window.Preview();
        sheet = QImage(816, 1056, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        preview.Printer()->Page(1)->Replay(painter, RectF(0, 0, 816, 1056));
        painter.end();
        preview.SetZoom(100);
        shown = preview.Image().grab().toImage();
        QAccessibleInterface* page = QAccessible::queryAccessibleInterface(&preview.Image());
        ASSERT_NE(page->textInterface(), nullptr);
        text = page->textInterface()->text(0, page->textInterface()->characterCount());
        EXPECT_EQ(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
    });
    report.Preview();
    ASSERT_FALSE(sheet.isNull());
    // The logo at (32, 16), 40 x 30 pixels at its natural size.
    EXPECT_EQ(sheet.pixelColor(33, 17), QColor(0, 128, 0));
    EXPECT_EQ(sheet.pixelColor(71, 45), QColor(0, 128, 0));
    EXPECT_EQ(sheet.pixelColor(73, 47), QColor(Qt::white));
    // The yellow label box from (56, 152) to (129, 185).
    EXPECT_EQ(sheet.pixelColor(57, 184), QColor(Qt::yellow));
    EXPECT_EQ(sheet.pixelColor(128, 153), QColor(Qt::yellow));
    EXPECT_EQ(sheet.pixelColor(130, 153), QColor(Qt::white));
    // The rectangle's outline at (104, 392)-(289, 433), the heading label covering its middle.
    EXPECT_EQ(sheet.pixelColor(104, 420), QColor(Qt::black));
    EXPECT_EQ(sheet.pixelColor(288, 420), QColor(Qt::black));
    EXPECT_EQ(sheet.pixelColor(200, 392), QColor(Qt::black));
    EXPECT_EQ(sheet.pixelColor(200, 432), QColor(Qt::black));
    EXPECT_EQ(sheet.pixelColor(108, 396), QColor(Qt::white));
    // Some dark text pixels inside the label and the date boxes.
    const auto darkIn = [&](Rect box) {
        int dark = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) dark += qGray(sheet.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_GT(darkIn(Rect(56, 152, 73, 33)), 20);
    EXPECT_GT(darkIn(Rect(136, 192, 81, 33)), 20);
    EXPECT_EQ(darkIn(Rect(400, 600, 100, 100)), 0);
    // The preview control paints the white sheet with a black border and shadow.
    ASSERT_EQ(shown.size(), QSize(820, 1060));
    EXPECT_EQ(shown.pixelColor(0, 500), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(816, 500), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(819, 500), QColor(Qt::black));  // shadow
    EXPECT_EQ(shown.pixelColor(600, 900), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(57, 184), QColor(Qt::yellow));
    // A screen reader reads the page's texts from the top, a line's from the left.
    EXPECT_EQ(text.toStdString(), "Javno preduzece\nRJ PS\nBroj:\n3/7/2024\nPrezime i ime");
}

TEST_F(ReportTest, ProgressWindowUpdatesOnlyAtMultiplesOfFive) {
    TRpPrinter printer;
    TRpProgressForm form(printer);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Printing progress"));
    auto* info = form.findChild<QLabel*>(QStringLiteral("Info"));
    auto* bar = form.findChild<QProgressBar*>();
    for (const auto& [percent, text, value] :
         std::vector<std::tuple<int, QString, int>>{{40, QStringLiteral("40%  Completed"), 40},
                                                    {43, QStringLiteral("40%  Completed"), 40},
                                                    {45, QStringLiteral("45%  Completed"), 45}}) {
        printer.SetProgress(percent);
        QCoreApplication::processEvents();
        EXPECT_EQ(info->text(), text);
        EXPECT_EQ(bar->value(), value);
    }
    form.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    EXPECT_TRUE(printer.Cancelled());
}

namespace {

// A finished printer of `count` pages, page n writing the text "n".
void makePages(TRpPrinter& printer, int count) {
    printer.Settings.PaperSize = TRpPaperSize::Letter;
    printer.BeginDoc();
    for (int n = 1; n <= count; ++n) {
        printer.NewPage();
        printer.Canvas().TextOut(QPoint(10, 10), QString::number(n), TRpTextAnchor::Left);
    }
    printer.EndDoc();
}

}  // namespace

TEST_F(ReportTest, PageKeysAndButtonsWalkThroughTheStoredPages) {
    TRpPrinter printer;
    makePages(printer, 3);
    auto* window = new TRpStandardPreview(printer);
    window->show();
    QCoreApplication::processEvents();
    TRpPreview& preview = window->Preview();
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    for (const Step& step :
         {Step{Qt::Key_PageDown, Qt::NoModifier, 2}, Step{Qt::Key_PageDown, Qt::ControlModifier, 3},
          Step{Qt::Key_PageDown, Qt::NoModifier, 3}, Step{Qt::Key_PageUp, Qt::ControlModifier, 1},
          Step{Qt::Key_End, Qt::NoModifier, 3}, Step{Qt::Key_Home, Qt::NoModifier, 1},
          // Ctrl counts only when it is the sole modifier.
          Step{Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier, 2},
          Step{Qt::Key_PageUp, Qt::NoModifier, 1}}) {
        QTest::keyClick(preview.viewport(), step.key, step.modifiers);
        EXPECT_EQ(preview.PageNumber(), step.page);
        EXPECT_EQ(statusText(*window), QStringLiteral("Page %1 of 3").arg(step.page));
        EXPECT_EQ(textsOf(*printer.Page(preview.PageNumber())), QStringList{QString::number(step.page)});
    }
    window->findChild<QToolButton*>(QStringLiteral("LastPage"))->click();
    EXPECT_EQ(statusText(*window), QStringLiteral("Page 3 of 3"));
    window->findChild<QToolButton*>(QStringLiteral("PrevPage"))->click();
    EXPECT_EQ(preview.PageNumber(), 2);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(printer.Showing());
}

TEST_F(ReportTest, PreviewReplacedByOnPreviewWaitsForItsOwnControl) {
    TReport report;
    makeLetterForm(report);
    addControl<TRpLabel>(report, QStringLiteral("RpLabel1"), 56, 152, 73, 33)
        ->SetCaption(QStringLiteral("Broj:"));
    TRpPreview own;
    int shownPages = -1;
    report.OnPreview = [&](TReport&, TRpPrinter& printer) { own.Attach(&printer); };
    std::function<void()> closeWhenMade = [&] {
        if (own.Printer()->Progress() < 100) {
            QTimer::singleShot(5, closeWhenMade);
            return;
        }
        shownPages = own.Printer()->PageCount();
        own.Detach();
    };
    QTimer::singleShot(5, closeWhenMade);
    report.Preview();
    EXPECT_EQ(shownPages, 1);
    EXPECT_EQ(openPreviewWindow(), nullptr);
    EXPECT_TRUE(report.Available());
}

TEST_F(ReportTest, LoadedPagesReplaceTheShownOnes) {
    TRpPrinter first, second;
    makePages(first, 2);
    makePages(second, 1);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("one.RPP")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(second.PageList()->Stream().ReadAll());
    file.close();
    TRpPreview preview;
    preview.Attach(&first);
    preview.SetPage(2);
    first.LoadPages(TRpPageList::Open(file.fileName()));
    preview.Refresh();
    EXPECT_EQ(preview.PageNumber(), 1);
    EXPECT_EQ(first.PageCount(), 1);
    ASSERT_TRUE(preview.Image().HasImage());
    preview.SetPage(2);
    EXPECT_EQ(preview.PageNumber(), 1);
    preview.Detach();
}
