#include "job/ToolOutput.h"

#include <charconv>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr int NotXorPen = 10;
constexpr int SolidFill = 0;
constexpr uint32_t PureRed = 0x0000FF;  // 0xBBGGRR

// Runs one statement of the output handler: a failure abandons that statement only, so a chunk
// the handler cannot read never disturbs the tool run.
template <typename Statement>
void Guarded(Statement&& statement) {
    try {
        statement();
    } catch (...) {
    }
}

// A text as a whole number, the way a numeric text converts to a 32-bit integer: any form the
// general numeric test accepts ("45", " 7", "1,000", "1e2", "&H1F"); anything else is a type
// mismatch, a number out of range an overflow.
int32_t WholeNumberOf(const std::string& text) {
    std::string t = Trim(text);
    if (!IsNumeric(t)) Raise(Err::TypeMismatch, "Type mismatch");
    if (t.size() >= 2 && t[0] == '&') {
        const char kind = t[1];
        const bool hex = kind == 'H' || kind == 'h';
        const bool octal = kind == 'O' || kind == 'o';
        const char* first = t.data() + (hex || octal ? 2 : 1);
        int64_t value = 0;
        auto [end, ec] = std::from_chars(first, t.data() + t.size(), value, hex ? 16 : 8);
        if (ec != std::errc() || end != t.data() + t.size()) Raise(Err::Overflow, "Overflow");
        return CLng(static_cast<double>(value));
    }
    std::string plain;
    bool negative = false;
    for (char c : t) {
        if (c == ',') continue;  // thousands separators
        if (c == 'd' || c == 'D') c = 'e';
        plain += c;
    }
    size_t start = 0;
    if (!plain.empty() && (plain[0] == '+' || plain[0] == '-')) {
        negative = plain[0] == '-';
        start = 1;
    }
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data() + start, plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) Raise(Err::Overflow, "Overflow");
    if (ec != std::errc() || end != plain.data() + plain.size()) Raise(Err::TypeMismatch, "Type mismatch");
    return CLng(negative ? -value : value);
}

// RAR 5 and later print no "l sum". Their volume marks are whole lines: "Creating archive <name>"
// as each volume begins, so the one before it is finished, and "Done" when all are. Lines are
// followed across chunks; only their starts matter.
void FollowArchiverLines(frmMain& f, const std::string& chunk) {
    constexpr size_t KeptPerLine = 32;
    for (const char c : chunk) {
        if (c != '\n') {
            if (f.ArchiverLine.size() < KeptPerLine) f.ArchiverLine += c;
            continue;
        }
        const bool begun = StartsWith(f.ArchiverLine, "Creating archive ");
        const bool done = f.ArchiverLine == "Done";
        f.ArchiverLine.clear();
        if (begun && f.VolumesBegun < INT32_MAX) ++f.VolumesBegun;
        const int32_t finished = begun ? f.VolumesBegun - 1 : done ? f.VolumesBegun : 0;
        if (finished > f.VolumesDone) {
            f.VolumesDone = finished;
            Guarded([&] { DrawProgress(f, ExpectedVolumes, f.VolumesDone); });
        }
        // The archiver has finished: the bar is full, however many volumes the packing needed.
        if (done && ExpectedVolumes > 0) Guarded([&] { DrawProgress(f, ExpectedVolumes, ExpectedVolumes); });
    }
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

void objDOS_ReceiveOutputs(frmMain& f, std::string& CommandOutputs) {
    const std::string& chunk = CommandOutputs;
    if (f.RarStage) {
        bool finishedVolume = false;
        Guarded([&] { finishedVolume = InStr(chunk, "l sum") > 0; });
        if (finishedVolume) {
            Guarded([&] {
                if (f.VolumesDone == INT32_MAX) Raise(Err::Overflow, "Overflow");
                ++f.VolumesDone;
            });
            Guarded([&] { DrawProgress(f, ExpectedVolumes, f.VolumesDone); });
        }
        FollowArchiverLines(f, chunk);
        Guarded([&] { f.desktop.DoEvents(); });
        return;
    }

    if (InStr(chunk, "Processing") == 0) return;
    const size_t lastSpace = chunk.rfind(' ');
    if (lastSpace != std::string::npos) {
        const size_t p = lastSpace + 1;  // 1-based, as the positions below
        const size_t q = InStr(chunk, ".", p);
        if (q != 0) {
            Guarded([&] { f.desktop.DoEvents(); });
            // Only the whole part before the point counts: 99.9 shows as 99.
            Guarded([&] { DrawProgress(f, 100, WholeNumberOf(chunk.substr(p, q - p - 1))); });
        }
    }
    Guarded([&] { f.desktop.DoEvents(); });
}

// The File and Help menus and the three option frames; the Language menu, the Start/Stop button
// and the save check box stay usable.
static void SetInputGroupsEnabled(frmMain& f, bool enabled) {
    f.mnuFile.SetEnabled(enabled);
    f.mnuH.SetEnabled(enabled);
    f.Frame1.SetEnabled(enabled);
    f.Frame2.SetEnabled(enabled);
    f.Frame3.SetEnabled(enabled);
}

void DisableControls(frmMain& f) { SetInputGroupsEnabled(f, false); }

void EnableControls(frmMain& f) { SetInputGroupsEnabled(f, true); }

}  // namespace kelvora
