// Building forms from descriptions: positions, fonts, colours, nesting, Tab order, menus and the
// components' finishing step.
#include <gtest/gtest.h>

#include <QFile>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include "QtPrinters.h"
#include "Recorder.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "runtime/Geometry.h"
#include "runtime/Graphics.h"
#include "runtime/Menus.h"

namespace {

const QColor kLightBlue(165, 219, 248);
const QColor kPink(234, 151, 211);

TEST(ColorFromValue, ReadsTheBlueGreenRedOrder) {
    EXPECT_EQ(runtime::colorFromValue(16309157), kLightBlue);
    EXPECT_EQ(runtime::colorFromValue(13866986), kPink);
    EXPECT_EQ(runtime::colorFromValue(255), QColor(255, 0, 0));
    EXPECT_EQ(runtime::colorFromValue(0x8000), QColor(0, 128, 0));
}

class LayoutForm : public ::testing::Test {
  protected:
    TForm form{QStringLiteral(":/forms/Layout.json")};
};

TEST_F(LayoutForm, TakesTheFormKeysAndStaysHidden) {
    EXPECT_EQ(form.objectName(), QStringLiteral("frmLayout"));
    EXPECT_EQ(form.Caption(), QStringLiteral("Evidencija sl.dana"));
    EXPECT_EQ(form.DesignedBounds(), Rect(274, 144, 502, 323));
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(form.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_FALSE(form.isVisible());
}

struct PlacedControl {
    const char* name;
    Rect bounds;
    int fontPixels;
    bool bold;
};

class PlacedControls : public LayoutForm, public ::testing::WithParamInterface<PlacedControl> {};

TEST_P(PlacedControls, SitAtTheirClientPositionsWithTheirFonts) {
    const PlacedControl& expected = GetParam();
    auto* control = form.findChild<QWidget*>(QString::fromLatin1(expected.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), expected.bounds);
    EXPECT_EQ(control->font().pixelSize(), expected.fontPixels);
    EXPECT_EQ(control->font().bold(), expected.bold);
}

INSTANTIATE_TEST_SUITE_P(Layout, PlacedControls,
                         ::testing::Values(PlacedControl{"Label1", {8, 40, 105, 25}, 16, true},
                                           PlacedControl{"Label2", {8, 72, 137, 33}, 11, true},
                                           PlacedControl{"Edit1", {120, 40, 265, 28}, 11, false},
                                           PlacedControl{"ComboBox1", {120, 72, 145, 28}, 16, true},
                                           PlacedControl{"Label8", {8, 8, 49, 17}, 11, false},
                                           PlacedControl{"ComboBox3", {64, 32, 113, 21}, 11, false},
                                           PlacedControl{"BitBtn2", {128, 224, 105, 41}, 11, false}));

QColor pixelAt(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at);
}

TEST_F(LayoutForm, PaintsTheLayoutColoursBehindLabelsAndInsideEdits) {
    form.Show();
    EXPECT_EQ(pixelAt(form.Component<TLabel>("Label1"), {100, 20}), kLightBlue);
    EXPECT_EQ(pixelAt(form.Component<TLabel>("Label2"), {130, 28}), kPink);
    EXPECT_EQ(pixelAt(form.Component<TEdit>("Edit1"), {250, 14}), kLightBlue);
    EXPECT_NE(pixelAt(form.Component<TEdit>("Edit4"), {100, 14}), kLightBlue);
    auto* box = form.Component<TCheckBox>("CheckBox1");
    EXPECT_EQ(pixelAt(box, {100, 20}), kLightBlue);
    QStyleOptionButton option;
    option.initFrom(box);
    const Rect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    EXPECT_NE(pixelAt(box, indicator.center()), kLightBlue);
    form.hide();
}

TEST_F(LayoutForm, NestsPanelControlsAndHonoursVisibilityAndEnabling) {
    auto* panel = form.Component<TPanel>("Panel1");
    EXPECT_EQ(form.Component<TComboBox>("ComboBox2")->parentWidget(), panel);
    EXPECT_FALSE(panel->Visible());
    auto* edit4 = form.Component<TEdit>("Edit4");
    EXPECT_FALSE(edit4->Enabled());
    EXPECT_EQ(edit4->Text(), QStringLiteral("7"));
    EXPECT_EQ(form.Component<TEdit>("Edit1")->CharCase(), runtime::ecUpperCase);
    EXPECT_EQ(form.Component<TEdit>("Edit1")->toolTip(), QStringLiteral("ime radnika"));
}

TEST_F(LayoutForm, FillsComboBoxesWithNothingSelected) {
    auto* combo = form.Component<TComboBox>("ComboBox1");
    EXPECT_EQ(combo->Items().ToStringList(), QStringList({"GO", "SL.DANI", "OSTATAK OD GO"}));
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_EQ(combo->ItemHeight(), 20);
}

TEST_F(LayoutForm, GivesStandardButtonsTheirCaptionsAndRoles) {
    auto* ok = form.Component<TBitBtn>("BitBtn1");
    auto* cancel = form.Component<TBitBtn>("BitBtn2");
    EXPECT_EQ(ok->Caption(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->Default());
    EXPECT_FALSE(ok->Cancel());
    EXPECT_EQ(cancel->Caption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_FALSE(cancel->Default());
    EXPECT_EQ(ok->iconSize(), QSize(18, 18));
}

TEST_F(LayoutForm, ConnectsTheNamedContextMenu) {
    EXPECT_EQ(form.Component<TEdit>("Edit1")->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form.Component<TPopupMenu>("PopupMenu1")->actions().size(), 1);
    EXPECT_EQ(form.Component<TMenuItem>("Noviunos1")->Caption(),
              QStringLiteral("Stampa zahteva za upis sl.dana"));
}

TEST_F(LayoutForm, MovesTheFocusInTheLayoutsTabOrder) {
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    // Edit4 comes first but is disabled; the hidden panel's boxes are passed over.
    EXPECT_EQ(form.focusWidget()->objectName(), QStringLiteral("ComboBox1"));
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        visited << form.focusWidget()->objectName();
    }
    EXPECT_EQ(visited,
              QStringList({"Edit1", "BitBtn1", "BitBtn2", "CheckBox1", "DateTimePicker1", "ComboBox1"}));

    form.Component<TPanel>("Panel1")->SetVisible(true);
    form.Component<TEdit>("Edit1")->setFocus();
    visited.clear();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        visited << form.focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"ComboBox3", "ComboBox2", "BitBtn1"}));
    form.hide();
}

TEST(MenuForm, BuildsTheMenuAndPlacesControlsBelowIt) {
    TForm form(QStringLiteral(":/forms/Menu.json"));
    auto* bar = form.Component<TMainMenu>("MainMenu1");
    EXPECT_EQ(form.MenuBar(), bar);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), QStringLiteral("Radnik"));
    auto* radnik = form.Component<TMenuItem>("Radnik1");
    ASSERT_NE(radnik->menu(), nullptr);
    EXPECT_EQ(radnik->Count(), 2);
    EXPECT_EQ(radnik->menu()->actions()[1]->text(), QStringLiteral("Evidentiranje dana..."));
    EXPECT_GT(form.ClientTop(), 0);
    EXPECT_EQ(form.Component<TLabel>("Label1")->y(), form.ClientTop());

    int clicks = 0;
    form.Component<TMenuItem>("Evidentiranjedana1")->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender->objectName(), QStringLiteral("Evidentiranjedana1"));
        ++clicks;
    };
    form.Component<TMenuItem>("Evidentiranjedana1")->Click();
    EXPECT_EQ(clicks, 1);
}

TEST(Loading, FinishesLoadableComponentsInDescriptionOrderAfterAllExist) {
    TRecorder::registerClass();
    TRecorder::log().clear();
    TForm form(QStringLiteral(":/forms/Loading.json"));
    EXPECT_EQ(TRecorder::log(), QStringList({"Table1", "Query1", "Query2"}));
}

TEST(Loading, LetsAFailureWhileFinishingEndTheFormsCreation) {
    TRecorder::registerClass();
    TRecorder::log().clear();
    try {
        TForm form(QStringLiteral(":/forms/Failing.json"));
        FAIL() << "the form was created";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Table does not exist. File: Kovrel.DB"));
    }
    EXPECT_EQ(TRecorder::log(), QStringList({"Table1"}));
}

struct BadDescription {
    const char* path;
    const char* className;
    const char* message;
};

class BadDescriptions : public ::testing::TestWithParam<BadDescription> {};

TEST_P(BadDescriptions, StopTheFormsCreationWithAReadableError) {
    try {
        TForm form(QString::fromLatin1(GetParam().path));
        FAIL() << "the form was created";
    } catch (const Exception& e) {
        EXPECT_EQ(e.ClassName(), QString::fromLatin1(GetParam().className));
        EXPECT_TRUE(e.Message().startsWith(QString::fromLatin1(GetParam().message)))
            << e.Message().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, BadDescriptions,
    ::testing::Values(BadDescription{":/forms/Unknown.json", "EClassNotFound", "Class TNoSuchGrid not found"},
                      BadDescription{":/forms/Missing.json", "EReadError",
                                     "Form description :/forms/Missing.json not found"},
                      BadDescription{":/forms/Broken.json", "EReadError",
                                     "Form description :/forms/Broken.json is not valid"}));

// Qt would draw a control a billion pixels wide whole, for hours; a length up to the limit loads.
TEST(Loading, RefusesAPositionOrSizeBeyondAnyScreen) {
    const std::pair<const char*, const char*> cases[] = {
        {R"("width": 300, "components": [{"class": "TBitBtn", "name": "BitBtn1", "width": 1016309157}])",
         "The width of BitBtn1 is out of range: 1016309157"},
        {R"("left": -8193)", "The left of frmHuge is out of range: -8193"},
        {R"("height": 1e300)", "The height of frmHuge is out of range: 1e+300"},
        {R"("components": [{"class": "TEdit", "name": "Edit1", "left": -8192, "width": 8192}])", ""}};
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("Huge.json"));
    for (const auto& [keys, message] : cases) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(R"({"class": "TfrmHuge", "name": "frmHuge", )") + keys + "}");
        file.close();
        try {
            TForm form(path);
            EXPECT_EQ(*message, 0) << keys;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(message)) << keys;
        }
    }
}

TEST(Components, AreFoundByNameOrReportedMissing) {
    TForm form(QStringLiteral(":/forms/Plain.json"));
    EXPECT_NE(form.Component<TEdit>("Edit1"), nullptr);
    for (const char* name : {"BitBtn1", "Edit9"}) {
        try {
            form.Component<TEdit>(name);
            ADD_FAILURE() << name << " was found as an edit";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("frmPlain: Component '%1' not found").arg(name));
        }
    }
}

}  // namespace
