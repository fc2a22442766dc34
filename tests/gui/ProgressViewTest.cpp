#include <gtest/gtest.h>

#include <memory>

#include "gui/MainWindow.h"
#include "gui/ProgressView.h"
#include "gui/QtDesktop.h"
#include "gui/Resources.h"
#include "GuiTest.h"
#include "job/ToolOutput.h"
#include "window/frmMain.h"

namespace kelvora::test {
namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb White = qRgb(255, 255, 255);

// Pixels of `colour` in the columns [fromX, toX).
int Count(const QImage& image, QRgb colour, int fromX, int toX) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

bool ColumnIs(const QImage& image, int x, QRgb colour) { return Count(image, colour, x, x + 1) == image.height(); }

class ProgressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }

    void SetUp() override {
        window = std::make_unique<MainWindow>(f);
        desktop.SetMainWindow(window.get(), window->Progress());
        InitProgressBar(f);
        background = ToQColor(ColorButtonFace, window->Progress()->palette()).rgb();
        // The not-XOR pen: NOT (red XOR background), per channel.
        bar = qRgb(255 - (255 ^ qRed(background)), 255 - qGreen(background), 255 - qBlue(background));
    }

    // Draws and returns what the widget shows inside its border, repainted from the record.
    QImage Draw(int max, int value) {
        DrawProgress(f, max, value);
        ProgressView* view = window->Progress();
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view->contentsRect());
    }

    QtDesktop desktop;
    frmMain f{desktop};
    std::unique_ptr<MainWindow> window;
    QRgb background = 0, bar = 0;
};

TEST_F(ProgressTest, BarIsTheNotXorOfRedWithTheTextInvertedUnderItAndFollowsTheScale) {
    QImage image = Draw(100, 45);
    const int width = image.width(), end45 = qRound(width * 0.45);
    EXPECT_TRUE(ColumnIs(image, 2, bar));
    EXPECT_TRUE(ColumnIs(image, end45 - 3, bar));
    EXPECT_TRUE(ColumnIs(image, width - 3, background));
    EXPECT_GT(Count(image, Red, end45, width), 10);  // the text, right of the bar

    // Half way the bar reaches into the text: the part it covers turns white, the rest stays red.
    image = Draw(100, 50);
    const int end50 = width / 2;
    EXPECT_GT(Count(image, White, 0, end50), 5);
    EXPECT_GT(Count(image, Red, end50, width), 5);
    EXPECT_EQ(Count(image, White, end50 + 1, width), 0);
    EXPECT_EQ(Count(image, Red, 0, end50 - 1), 0);

    // The scale follows the maximum of each drawing.
    image = Draw(3, 2);
    EXPECT_TRUE(ColumnIs(image, width * 6 / 10, bar));
    EXPECT_TRUE(ColumnIs(image, width * 7 / 10, background));
}

}  // namespace
}  // namespace kelvora::test
