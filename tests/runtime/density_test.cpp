// Forms at the screen's pixel density: a scaled form grows with the density, an unscaled one keeps its
// designed size in device pixels. The suite also runs on a 144 dpi screen (tests/runtime/CMakeLists.txt).
#include <gtest/gtest.h>
#include <qpa/qplatformwindow.h>

#include <QFontInfo>
#include <QMenuBar>
#include <QTest>

#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "runtime/Geometry.h"

namespace {

struct DensityCase {
    const char* path;
    bool scaled;
    Rect bounds;      // the form's designed outer bounds
    Rect label;       // Label1's designed client bounds
    int labelPixels;  // Label1's designed font height
};

class ScreenDensity : public ::testing::TestWithParam<DensityCase> {};

TEST_P(ScreenDensity, ScaledFormsGrowWithTheDensityAndUnscaledOnesKeepTheirDevicePixels) {
    const DensityCase& design = GetParam();
    TForm form{QString::fromLatin1(design.path)};
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const double ratio = form.devicePixelRatioF();
    if (const QByteArray expected = qgetenv("KOVREL_TEST_DPR"); !expected.isEmpty()) {
        ASSERT_DOUBLE_EQ(ratio, expected.toDouble()) << "the screen the suite was started for";
    }
    const double growth = design.scaled ? ratio : 1;
    const auto device = [ratio](int logical) { return logical * ratio; };

    const Rect frame = form.frameGeometry();
    EXPECT_NEAR(device(frame.left()), design.bounds.left() * growth, 1);
    EXPECT_NEAR(device(frame.top()), design.bounds.top() * growth, 1);
    EXPECT_NEAR(device(frame.width()), design.bounds.width() * growth, 1);
    EXPECT_NEAR(device(frame.height()), design.bounds.height() * growth, 1);
    if (!design.scaled) {
        // The window system's own pixels, exactly the design's.
        const QPlatformWindow* window = form.windowHandle()->handle();
        EXPECT_EQ(window->geometry().size().grownBy(window->frameMargins()), design.bounds.size());
    }

    auto* label = form.Component<TLabel>(QStringLiteral("Label1"));
    EXPECT_NEAR(device(label->x()), design.label.left() * growth, 1);
    EXPECT_NEAR(device(label->y() - form.ClientTop()), design.label.top() * growth, 1);
    EXPECT_NEAR(device(label->width()), design.label.width() * growth, 1);
    EXPECT_NEAR(device(label->height()), design.label.height() * growth, 1);
    EXPECT_NEAR(device(QFontInfo(label->font()).pixelSize()), design.labelPixels * growth, 1);
    if (form.MenuBar()) {
        EXPECT_EQ(QFontInfo(form.MenuBar()->font()).pixelSize(), 11) << "the menu follows the screen";
    }
    form.hide();
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ScreenDensity,
    ::testing::Values(DensityCase{":/forms/Layout.json", true, {274, 144, 502, 323}, {8, 40, 105, 25}, 16},
                      DensityCase{
                          ":/forms/Unscaled.json", false, {135, 143, 979, 563}, {488, 16, 145, 41}, 16}));

}  // namespace
