#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <memory>

#include "GuiTest.h"
#include "app/frmMain.h"
#include "controls/Control.h"
#include "gui/MainWindow.h"
#include "gui/ProgressView.h"
#include "gui/QtDesktop.h"
#include "gui/Resources.h"
#include "runner/ToolOutput.h"

namespace kelvora::test {
namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb White = qRgb(255, 255, 255);

// The not-XOR pen over a pixel: NOT (pen XOR pixel), per channel.
QRgb NotXor(QRgb pen, QRgb pixel) {
    return qRgb(255 - (qRed(pen) ^ qRed(pixel)), 255 - (qGreen(pen) ^ qGreen(pixel)), 255 - (qBlue(pen) ^ qBlue(pixel)));
}

int Count(const QImage& image, QRgb colour, int fromX, int toX) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
    return n;
}

bool ColumnIs(const QImage& image, int x, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) return false;
    return true;
}

class ProgressTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GuiApp(); }

    void SetUp() override {
        window = std::make_unique<MainWindow>(f);
        desktop.SetMainWindow(window.get(), window->Progress());
        InitProgressBar(f);
        background = ToQColor(ColorButtonFace, window->Progress()->palette()).rgb();
        bar = NotXor(Red, background);
    }

    // What the widget shows inside its border, as painted on the screen.
    QImage Shown() {
        ProgressView* view = window->Progress();
        return view->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(view->contentsRect());
    }

    std::string PrintedText() {
        for (auto& op : f.PicPB.Record())
            if (op.kind == PictureBox::DrawOp::Kind::Print) return op.text;
        return {};
    }

    QtDesktop desktop;
    frmMain f{desktop};
    std::unique_ptr<MainWindow> window;
    QRgb background = 0, bar = 0;
};

TEST_F(ProgressTest, ModelKnowsTheInnerSizeAndMeasuresWithTheViewsFont) {
    ProgressView* view = window->Progress();
    EXPECT_EQ(f.PicPB.InnerWidthPx(), view->contentsRect().width());
    EXPECT_EQ(f.PicPB.InnerHeightPx(), view->contentsRect().height());
    EXPECT_EQ(f.PicPB.ScaleHeight(), view->contentsRect().height());
    EXPECT_DOUBLE_EQ(desktop.TextWidthPx("45%"), QFontMetricsF(view->font()).horizontalAdvance("45%"));
    EXPECT_GT(desktop.TextHeightPx("45%"), 0);
    EXPECT_LE(desktop.TextHeightPx("45%"), view->contentsRect().height() + 1);  // the text fits the bar
}

TEST_F(ProgressTest, BarIsTheNotXorOfRedAndTheTextUnderItShowsInverted) {
    const int width = Shown().width();

    DrawProgress(f, 100, 0);
    QImage image = Shown();
    EXPECT_EQ(PrintedText(), "(0%)");
    EXPECT_TRUE(ColumnIs(image, 0, background));
    EXPECT_GT(Count(image, Red, 0, width), 10);

    DrawProgress(f, 100, 45);
    image = Shown();
    EXPECT_EQ(PrintedText(), "(45%)");
    const int end45 = qRound(width * 0.45);
    EXPECT_TRUE(ColumnIs(image, 2, bar));
    EXPECT_TRUE(ColumnIs(image, end45 - 3, bar));
    EXPECT_TRUE(ColumnIs(image, width - 3, background));
    EXPECT_GT(Count(image, Red, end45, width), 10);  // the text, right of the bar

    // Half way the bar reaches into the text: the part it covers turns white, the rest stays red.
    DrawProgress(f, 100, 50);
    image = Shown();
    const int end50 = qRound(width * 0.5);
    EXPECT_GT(Count(image, White, 0, end50), 5);
    EXPECT_GT(Count(image, Red, end50, width), 5);
    EXPECT_EQ(Count(image, White, end50 + 1, width), 0);
    EXPECT_EQ(Count(image, Red, 0, end50 - 1), 0);

    DrawProgress(f, 100, 100);
    image = Shown();
    EXPECT_EQ(Count(image, Red, 0, width), 0);
    EXPECT_GT(Count(image, White, 0, width), 10);
    EXPECT_TRUE(ColumnIs(image, width - 1, bar));

    // More than the maximum draws nothing.
    DrawProgress(f, 100, 101);
    EXPECT_EQ(Shown(), image);
}

TEST_F(ProgressTest, ScaleFollowsTheMaximumOfEachDrawing) {
    DrawProgress(f, 100, 10);
    DrawProgress(f, 3, 2);
    EXPECT_EQ(PrintedText(), "(67%)");
    QImage image = Shown();
    const int width = image.width();
    EXPECT_TRUE(ColumnIs(image, width * 6 / 10, bar));
    EXPECT_TRUE(ColumnIs(image, width * 7 / 10, background));

    // Without a reset in between, a value above the previous maximum is lowered to it.
    DrawProgress(f, 20, 10);
    DrawProgress(f, 100, 50);
    EXPECT_EQ(PrintedText(), "(20%)");
    image = Shown();
    EXPECT_TRUE(ColumnIs(image, width * 15 / 100, bar));
    EXPECT_TRUE(ColumnIs(image, width * 25 / 100, background));
}

TEST_F(ProgressTest, RecordIsPaintedAgainAtEveryRepaint) {
    DrawProgress(f, 100, 30);
    const QImage first = Shown();
    window->Progress()->update();
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), first);
    EXPECT_EQ(window->Progress()->Render(), first);
}

TEST(ProgressRecordTest, NotXorTwiceRestoresAndCopyPaintsPlainColour) {
    GuiApp();
    PictureBox box("PicPB");
    box.SetScaleWidth(100);
    box.SetScaleHeight(10);
    box.ForeColor = 0x0000FF;
    box.Print(10, 0, "(50%)");
    const QColor background(0xF0, 0xF0, 0xF0);
    const QSize size(200, 20);
    const QImage textOnly = ProgressView::RenderRecord(box, size, ProgressView::DefaultFont(), background);

    box.DrawMode = 10;
    box.Box(0, 0, 60, 10);
    const QImage once = ProgressView::RenderRecord(box, size, ProgressView::DefaultFont(), background);
    EXPECT_EQ(once.pixel(5, 19) & 0xFFFFFF, NotXor(Red, background.rgb()) & 0xFFFFFF);
    EXPECT_EQ(once.pixel(150, 19) & 0xFFFFFF, background.rgb() & 0xFFFFFF);
    box.Box(0, 0, 60, 10);
    EXPECT_EQ(ProgressView::RenderRecord(box, size, ProgressView::DefaultFont(), background), textOnly);

    box.DrawMode = 13;
    box.ForeColor = 0xFF0000;  // 0xBBGGRR: pure blue
    box.Box(0, 0, 100, 10);
    const QImage covered = ProgressView::RenderRecord(box, size, ProgressView::DefaultFont(), background);
    EXPECT_EQ(Count(covered, qRgb(0, 0, 255), 0, 200), 200 * 20);
}

}  // namespace
}  // namespace kelvora::test
