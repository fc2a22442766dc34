#include "app/Progress.h"

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr int NotXorPen = 10;
constexpr int SolidFill = 0;
constexpr uint32_t PureRed = 0x0000FF;  // 0xBBGGRR

// The File and Help menus and the three option frames; the Language menu, the Start/Stop button
// and the save check box stay usable.
void SetInputGroupsEnabled(frmMain& f, bool enabled) {
    f.mnuFile.SetEnabled(enabled);
    f.mnuH.SetEnabled(enabled);
    f.Frame1.SetEnabled(enabled);
    f.Frame2.SetEnabled(enabled);
    f.Frame3.SetEnabled(enabled);
}

}  // namespace

void InitProgressBar(frmMain& f) {
    f.PicPB.DrawMode = NotXorPen;
    f.PicPB.FillStyle = SolidFill;
    f.PicPB.AutoRedraw = true;
    f.PicPB.ForeColor = PureRed;
    DrawProgress(f, 100, 0);
}

void DrawProgress(frmMain& f, int32_t Max, int32_t Value) {
    PictureBox& pb = f.PicPB;
    if (Value > Max) return;
    if (pb.ScaleWidth() < Value) Value = CLng(pb.ScaleWidth());

    pb.Cls();
    if (Max == 0) Raise(380, "Invalid property value");  // a scale of zero width
    pb.SetScaleWidth(Max);

    const double width = pb.ScaleWidth();
    const double height = pb.ScaleHeight();
    const int32_t percent = CLng(Value / width * 100);
    const std::string text = ToDecimal(percent) + "%";

    // The text's size in scale units: the desktop measures in pixels of the box's font.
    const double textWidth =
        pb.InnerWidthPx() > 0 ? f.desktop.TextWidthPx(text) * width / pb.InnerWidthPx() : 0;
    const double textHeight =
        pb.InnerHeightPx() > 0 ? f.desktop.TextHeightPx(text) * height / pb.InnerHeightPx() : 0;
    const int32_t x = CLng(width - textWidth) / 2;
    const int32_t y = CLng(height - textHeight) / 2;

    pb.Print(x, y, "(" + text + ")");
    pb.Box(0, 0, Value, height);
    pb.Refresh();
    f.desktop.DoEvents();
}

void DisableControls(frmMain& f) { SetInputGroupsEnabled(f, false); }

void EnableControls(frmMain& f) { SetInputGroupsEnabled(f, true); }

}  // namespace kelvora
