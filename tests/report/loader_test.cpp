// Reading print-form descriptions: stored sizes first, pixel bounds as a fallback, font sizes, the
// enabled flag, pictures, and faults named with their place.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTemporaryDir>

#include "report/RpFormLoader.h"
#include "tests/report/ReportTestSupport.h"

namespace {

QJsonObject parse(const char* json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

}  // namespace

TEST_F(ReportTest, FormDescriptionSetsTheReportAndItsControlsInOrder) {
    TReport report;
    LoadReportForm(report, parse(R"({
      "name": "frmZahtevgo", "Units": "Inches", "Zoom": 100,
      "Page": {"Values": [127.0, 2794.0, 78740.0, 2159.0, 127.0, 127.0, 0.0], "PaperSize": "Letter"},
      "PrinterSettings": {"Copies": 2, "OutputBin": "Manual"},
      "Font": {"Name": "Arial", "Size": 10},
      "Controls": [
        {"class": "TRpImage", "name": "RpImage1", "Left": 32, "Top": 16, "Width": 305, "Height": 121},
        {"class": "TRpLabel", "name": "RpLabel1", "Size": {"Values": [87.3125, 952.5, 402.166667, 764.645833]},
         "Left": 1, "Caption": "Delovodni broj:_________", "FontSize": 12, "AutoSize": false,
         "Alignment": "taCenter"},
        {"class": "TRpShape", "name": "RpShape1", "Visible": false, "Shape": "rpsCircle",
         "Pen": {"Width": 2, "Color": 255}, "Brush": {"Style": "Clear"}},
        {"class": "TRpSysData", "name": "RpSysData1", "Data": "rpsDate", "Text": "Dana: "}
      ]})"));
    EXPECT_EQ(report.objectName(), QStringLiteral("frmZahtevgo"));
    EXPECT_DOUBLE_EQ(report.Page().Value(TRpPage::TopMargin), 78740.0);
    EXPECT_EQ(report.PrinterSettings.Copies, 2);
    EXPECT_EQ(report.PrinterSettings.OutputBin, TRpBin::Manual);
    const auto controls = report.Printables();
    ASSERT_EQ(controls.size(), 4u);
    QStringList names;
    for (auto* control : controls) names.append(control->objectName());
    EXPECT_EQ(names, (QStringList{"RpImage1", "RpLabel1", "RpShape1", "RpSysData1"}));

    // Pixel bounds fill in where no stored value was given; stored values win over them.
    EXPECT_EQ((std::array<int, 4>{controls[0]->Left(), controls[0]->Top(), controls[0]->Width(),
                                  controls[0]->Height()}),
              (std::array<int, 4>{32, 16, 305, 121}));
    EXPECT_EQ(controls[1]->Left(), 360);
    auto* label = qobject_cast<TRpLabel*>(controls[1]);
    EXPECT_DOUBLE_EQ(label->Font().pointSizeF(), 12);
    EXPECT_EQ(label->Font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(label->Alignment(), taCenter);
    EXPECT_EQ(label->FormattedLines(), QStringList{QStringLiteral("Delovodni broj:_________")});
    auto* shape = qobject_cast<TRpShape*>(controls[2]);
    EXPECT_FALSE(shape->Enabled());
    EXPECT_EQ(shape->Shape, TRpShapeType::rpsCircle);
    EXPECT_EQ(shape->Pen.color, QColor(Qt::red));
    EXPECT_EQ(shape->Brush.style, Qt::NoBrush);
    EXPECT_EQ(shape->Width(), 65);  // created size
    auto* date = qobject_cast<TRpSysData*>(controls[3]);
    EXPECT_EQ(date->Data, TRpSysDataKind::rpsDate);
    EXPECT_FALSE(date->HasOwnFont());
}

struct BadFormCase {
    const char* name;
    const char* json;
    const char* message;
};
class BadFormTest : public ReportTest, public ::testing::WithParamInterface<BadFormCase> {};

TEST_P(BadFormTest, IsRefusedNamingThePlace) {
    TReport report;
    try {
        LoadReportForm(report, parse(GetParam().json));
        FAIL() << "accepted";
    } catch (const ERpError& error) {
        EXPECT_EQ(error.Message(), QString::fromUtf8(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadFormTest,
    ::testing::Values(
        BadFormCase{"UnknownClass", R"({"name": "f", "Controls": [{"class": "TButton"}]})",
                    "Form description: f.Controls[0].class names an unknown control class \"TButton\""},
        BadFormCase{"WrongType", R"({"name": "f", "Zoom": "big"})",
                    "Form description: f.Zoom must be a number"},
        BadFormCase{"UnknownPaper", R"({"name": "f", "Page": {"PaperSize": "A9"}})",
                    "Form description: f.Page.PaperSize has an unknown value \"A9\""},
        BadFormCase{"ColourBeyondRange", R"({"name": "f", "Font": {"Color": 1.7e20}})",
                    "Form description: f.Font.Color is beyond the range of whole numbers"},
        BadFormCase{"WholeNumberBeyondRange", R"({"name": "f", "Zoom": -3e9})",
                    "Form description: f.Zoom is beyond the range of whole numbers"},
        BadFormCase{"ShortValues", R"({"name": "f", "Page": {"Values": [1, 2]}})",
                    "Form description: f.Page.Values must hold 7 numbers"},
        BadFormCase{"BrokenPicture",
                    R"({"name": "f", "Controls": [{"class": "TRpImage", "Picture": {"base64": "AAAA"}}]})",
                    "Form description: f.Controls[0].Picture.base64 is not a picture"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportTest, FormFileThatIsNotJsonIsRefused) {
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("form.json"));
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ not json");
    file.close();
    TReport report;
    const auto refusal = [&](const QString& name) {
        try {
            LoadReportFormFile(report, name);
        } catch (const ERpError& error) {
            return error.Message();
        }
        return QStringLiteral("(loaded)");
    };
    EXPECT_TRUE(
        refusal(fileName).startsWith(QStringLiteral("Form description %1 is not valid: ").arg(fileName)));
    const QString missing = dir.filePath(QStringLiteral("missing.json"));
    EXPECT_EQ(refusal(missing), QStringLiteral("Cannot read the form %1").arg(missing));
}
