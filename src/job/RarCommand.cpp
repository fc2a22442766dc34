#include "job/RarCommand.h"

#include <cmath>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "platform/FileSystem.h"
#include "runner/CommandLine.h"
#include "runner/OutsideTools.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

// Both languages' list texts are accepted, so a choice survives a language switch.
std::string CompressionSwitch(const std::string& text) {
    if (EqualsNoCase(text, "None") || EqualsNoCase(text, "Geen")) return "-m0 ";
    if (EqualsNoCase(text, "Normal") || EqualsNoCase(text, "Normaal")) return "-m3 ";
    if (EqualsNoCase(text, "High") || EqualsNoCase(text, "Hoog")) return "-m5 ";
    return "";
}

// A division as the window's arithmetic does it: a zero divisor is an error, not infinity.
double Divide(double dividend, double divisor) {
    if (divisor == 0) {
        if (dividend == 0) Raise(Err::Overflow, "Overflow");
        Raise(Err::DivisionByZero, "Division by zero");
    }
    return dividend / divisor;
}

bool CheckedAndEnabled(const CheckBox& c) { return c.Value() == 1 && c.Enabled(); }

bool IsFolderPath(const std::string& path) {
    const auto attributes = platform::GetAttributes(path);
    return attributes && (*attributes & platform::AttrDirectory) != 0;
}

}  // namespace

std::string BuildRarCommand(frmMain& f, const std::string& workFolder) {
    const std::string sep(1, platform::PathSeparator);

    // With -r the archiver also packs a file's namesakes from every folder below the file's own;
    // a folder is packed whole with or without it.
    const bool folder = RarSourceIsFolderContents(f) || IsFolderPath(f.txtInput.Text());
    std::string cmd = RarToolPath(f.AppPath) + (folder ? " a -r -ep1 " : " a -ep1 ");
    cmd += CompressionSwitch(f.cboCompression.Text());
    if (CheckedAndEnabled(f.chkAddEmpty)) cmd += "-ed ";
    if (f.chkOldNaming.Value() == 1) cmd += "-vn ";

    const std::string& split = f.cboSplitSize.Text();
    if (!split.empty()) {
        int64_t volume = 0;
        if (f.cboFormat.ListIndex() == 1)
            volume = MegabytesToBytes(CLng(Val(split)));
        else
            volume = CLng(Val(split));

        if (f.chkCalculateEff.Value() == 1) {
            const double block = Val(f.txtBlockSize.Text());
            int32_t blocks = CLng(Divide(SplitBytes, block));
            // A volume of 0 bytes is no volume at all: one block is the smallest useful size.
            if (blocks < 1) blocks = 1;
            volume = std::llround(static_cast<double>(blocks) * block);
        }
        cmd += "-v" + ToDecimal(volume) + "b ";

        ExpectedVolumes = CLng(RoundUp(Divide(Val(f.txtEstimatedSize.Text()), SplitBytes)));
    }

    cmd += "-- ";
    cmd += QuoteArgument(f.txtOutput.Text() + workFolder + sep + f.txtArchiveName.Text()) + " ";
    std::string source = f.txtInput.Text();
    if (RarSourceIsFolderContents(f)) source += sep + "*.*";
    cmd += QuoteArgument(source);
    return cmd;
}

bool RarSourceIsFolderContents(const frmMain& f) { return CheckedAndEnabled(f.chkNoMainDir); }

}  // namespace kelvora
