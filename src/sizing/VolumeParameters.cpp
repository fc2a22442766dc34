#include "sizing/VolumeParameters.h"

#include <array>
#include <cstdint>

#include "common/Numbers.h"
#include "common/Text.h"
#include "common/Version.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr int UnitBytes = 0;
constexpr int UnitMegaBytes = 1;

// The split-size presets of each unit, in list order. "5" MegaBytes is not "5000000" Bytes.
constexpr std::array<const char*, 7> BytesPresets{"1000000",  "5000000",  "10000000", "15000000",
                                                   "20000000", "25000000", "50000000"};
constexpr std::array<const char*, 7> MegaBytesPresets{"1", "5", "10", "15", "20", "25", "50"};

// yEnc lines and the PAR2 block size they stand for (lines x 128 bytes).
struct LinesRow {
    const char* lines;
    const char* blockSize;
};
constexpr std::array<LinesRow, 8> LinesTable{{{"1500", "192000"},
                                              {"2000", "256000"},
                                              {"2500", "320000"},
                                              {"3000", "384000"},
                                              {"3500", "448000"},
                                              {"4000", "512000"},
                                              {"4500", "576000"},
                                              {"5000", "640000"}}};

// The bar and the maximum block count are 16-bit.
constexpr double MaxBlockCount = 32767;

// Longest split-size text of a unit; 0 when no unit is chosen.
size_t SplitSizeLimit(const frmMain& f) {
    switch (f.cboFormat.ListIndex()) {
        case UnitBytes: return 9;
        case UnitMegaBytes: return 3;
        default: return 0;
    }
}

// Length in characters, so a pasted non-ASCII character counts once.
size_t CharCount(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

bool IsDigitOrBackspace(int key) { return key == KeyBackspace || (key >= '0' && key <= '9'); }

// Message 1035, in the language applied last.
void ShowOnlyNumbersAllowed(frmMain& f) {
    f.desktop.MsgBox(f.MessageText(Msg::OnlyNumbers), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

}  // namespace

void cboFormat_Click(frmMain& f) {
    const int unit = f.cboFormat.ListIndex();
    if (unit != UnitBytes && unit != UnitMegaBytes) return;
    f.cboSplitSize.Clear();
    for (const char* preset : unit == UnitBytes ? BytesPresets : MegaBytesPresets) f.cboSplitSize.AddItem(preset);
}

void cboSplitSize_KeyPress(frmMain& f, int& KeyAscii) {
    // The whole text counts, even when a selection would be replaced by the key.
    const size_t limit = SplitSizeLimit(f);
    if (limit > 0 && KeyAscii != KeyBackspace && CharCount(f.cboSplitSize.Text()) >= limit) KeyAscii = 0;
    if (!IsDigitOrBackspace(KeyAscii)) KeyAscii = 0;
}

void cboSplitSize_Change(frmMain& f) {
    const std::string text = f.cboSplitSize.Text();
    const size_t limit = SplitSizeLimit(f);
    if (limit > 0 && (text.empty() || CharCount(text) > limit)) {
        // Too long for the unit (pasted or set): emptied without a word.
        f.cboSplitSize.SetText("");
        return;
    }
    if (!IsWholeNumber(text)) {
        f.cboSplitSize.SetText("");
        ShowOnlyNumbersAllowed(f);
    }
    // The range of the split size is checked when the job starts.
}

void cboLines_Click(frmMain& f) {
    const std::string& lines = f.cboLines.Text();
    for (const LinesRow& row : LinesTable) {
        if (lines == row.lines) {
            f.txtBlockSize.SetText(row.blockSize);
            break;
        }
    }
    RecomputeMaxBlocks(f);
}

void RecomputeMaxBlocks(frmMain& f) {
    const double size = Val(f.txtEstimatedSize.Text());
    const double block = Val(f.txtBlockSize.Text());
    const double blocks = RoundUp(size / block);
    // Min first: the bar's top end and the text must agree once both are written.
    if (blocks > MaxBlockCount) {
        f.ScrollRecoveryBlocks.SetMin(static_cast<int16_t>(MaxBlockCount));
        f.txtMaxBlocks.SetText(ToDecimal(static_cast<int64_t>(MaxBlockCount)));
    } else {
        const int16_t count = CInt(blocks);
        f.ScrollRecoveryBlocks.SetMin(count);
        f.txtMaxBlocks.SetText(ToDecimal(count));
    }
}

void OptPars_Click(frmMain& f, int Index) {
    if (Index < 0 || Index > 2) return;
    const bool blocksMode = Index == 1;
    f.cboRedundancy.SetEnabled(Index == 0);
    f.txtRecoveryBlocks.SetEnabled(blocksMode);
    f.txtRecoveryBlocks.SetBackColor(blocksMode ? ColorWhite : ColorButtonFace);
    f.ScrollRecoveryBlocks.SetEnabled(blocksMode);
    f.cboRecoveryFiles.SetEnabled(Index == 2);
}

void ScrollRecoveryBlocks_Change(frmMain& f) { f.txtRecoveryBlocks.SetText(ToDecimal(f.ScrollRecoveryBlocks.Value())); }

void txtRecoveryBlocks_KeyPress(frmMain&, int& KeyAscii) {
    // No length limit here: the field itself takes at most 5 characters.
    if (!IsDigitOrBackspace(KeyAscii)) KeyAscii = 0;
}

void txtRecoveryBlocks_Change(frmMain& f) {
    const std::string text = f.txtRecoveryBlocks.Text();
    if (text.empty()) return;
    if (!IsWholeNumber(text)) {
        f.txtRecoveryBlocks.SetText("");
        ShowOnlyNumbersAllowed(f);
        return;
    }
    // Equal counts are rewritten too, so "00003" against "3" becomes "3".
    if (Val(f.txtMaxBlocks.Text()) <= Val(text)) f.txtRecoveryBlocks.SetText(f.txtMaxBlocks.Text());
    // Read again: the clamp above may have changed it. Moving the bar writes the count back as
    // plain digits, whose change finds the same value and ends the chain.
    const double count = Val(f.txtRecoveryBlocks.Text());
    if (count != 0) f.ScrollRecoveryBlocks.SetValue(CInt(count));
}

}  // namespace kelvora
