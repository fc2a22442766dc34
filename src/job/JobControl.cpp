#include "job/JobControl.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <vector>

#include "common/Numbers.h"
#include "common/RuntimeError.h"
#include "common/Text.h"
#include "common/Version.h"
#include "job/ItemProcessing.h"
#include "job/ToolOutput.h"
#include "platform/FileSystem.h"
#include "runner/DOSOutputs.h"
#include "runner/OutsideTools.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr int32_t MinimumSplitBytes = 100000;
constexpr int32_t MaximumSplitBytes = 262144000;

void Refuse(frmMain& f, int entry) {
    f.desktop.MsgBox(f.MessageText(entry), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

// The split size in bytes from the split text. A number too large for 32 bits cannot be a valid
// size either: it is kept at the nearest end of the range, so the range checks refuse it.
int32_t SplitBytesOf(frmMain& f) {
    const double number = Val(f.cboSplitSize.Text());
    try {
        int32_t bytes = CLng(number);
        if (f.cboFormat.ListIndex() == 1) bytes = MegabytesToBytes(bytes);
        return bytes;
    } catch (const RuntimeError&) {
        return number < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
}

std::string WithoutStatusPrefix(std::string text) {
    const std::string prefix = "Status: ";
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at))
        text.erase(at, prefix.size());
    return text;
}

// Processes the source or every listed item; true when the last item was processed to its end
// (so a Stop that came only after its last tool had finished cancels nothing).
bool ProcessItems(frmMain& f) {
    if (f.chkSeparately.Value() != 1) return ProcessItem(f) == ItemOutcome::Done;
    const size_t count = f.SeparateItems ? f.SeparateItems->size() : 0;
    bool lastDone = true;
    for (size_t i = 0; i < count; ++i) {
        if (!f.JobRunning) return false;
        if (!f.SeparateItems || i >= f.SeparateItems->size()) return false;
        const std::string item = (*f.SeparateItems)[i];
        f.txtInput.SetText(item);
        // A Linux item name may hold characters archive names refuse; they become "_", so the item
        // still gets an archive named after it instead of a warning and an empty name mid-run.
        f.txtArchiveName.SetText(WithRarExtension(WithoutForbiddenChars(GetItemName(item))));
        if (!f.JobRunning) return false;
        lastDone = ProcessItem(f) == ItemOutcome::Done;
        if (!f.JobRunning) return lastDone && i + 1 == count;
    }
    return true;
}

// The failed items, one paragraph each: the item, then what went wrong.
std::string FailureList(frmMain& f) {
    std::string text = f.MessageText(60);
    for (const auto& [item, why] : f.FailedItems) {
        text += "\r\n\r\n" + item;
        if (!why.empty()) text += "\r\n" + why;
    }
    return text;
}

void EndOfRun(frmMain& f, bool completed) {
    DrawProgress(f, 100, 0);
    f.cmdProcess.SetCaption("Start");
    EnableControls(f);
    f.txtInput.SetText("");
    f.txtOutput.SetText("");
    f.txtArchiveName.SetText("");
    const bool several = f.chkSeparately.Value() == 1;
    f.chkSeparately.SetValue(0);
    f.chkSeparately.SetEnabled(false);
    f.SeparateItems.reset();
    if (completed && f.FailedItems.empty()) {
        f.desktop.MsgBox(WithoutStatusPrefix(f.MessageText(43)), MsgButtons::OK, MsgIcon::Information, AppTitle);
        f.lblStatus.SetCaption(f.MessageText(43));
    } else if (!f.FailedItems.empty()) {
        // A single item's failure has been shown by its error ending already.
        if (several) f.desktop.MsgBox(FailureList(f), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
        f.lblStatus.SetCaption(f.MessageText(completed && several ? 62 : 61));
    } else {
        f.lblStatus.SetCaption(f.MessageText(44));
    }
    f.JobRunning = false;
}

// The recovery amount par2 is given must be a number above 0: an empty or zero count would make
// a recovery set of nothing. The entry of the refusal, or 0 when the amount is fine.
int RecoveryAmountRefusal(frmMain& f) {
    auto positive = [](const std::string& text) { return IsWholeNumber(text) && Val(text) >= 1; };
    if (f.OptPars[0].Value()) return positive(f.cboRedundancy.Text()) ? 0 : 63;
    if (f.OptPars[1].Value()) return positive(f.txtRecoveryBlocks.Text()) ? 0 : 64;
    if (f.OptPars[2].Value()) return positive(f.cboRecoveryFiles.Text()) ? 0 : 65;
    return 0;
}

// Windows whose Start branch is still on the call stack. Between a Stop and the end of the
// stopped run the button already reads "Start" while the endings pump events; a click then must
// not begin a second run inside the first.
std::vector<const frmMain*> startedWindows;

void StartRun(frmMain& f) {
    if (std::find(startedWindows.begin(), startedWindows.end(), &f) != startedWindows.end()) return;
    startedWindows.push_back(&f);
    struct Leave {
        const frmMain* window;
        ~Leave() { startedWindows.erase(std::find(startedWindows.begin(), startedWindows.end(), window)); }
    } leave{&f};

    // Start waits until the source being measured is known.
    if (f.MeasuringSource) return;
#ifdef _WIN32
    if (!ToolExists(RarToolPath(f.AppPath))) return Refuse(f, 37);
    if (!ToolExists(Par2ToolPath(f.AppPath))) return Refuse(f, 38);
#else
    auto missing = [&f](int entry) {
        f.desktop.MsgBox(FillIn(f.MessageText(entry), {f.AppPath}), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    };
    if (!ToolExists(RarToolPath(f.AppPath))) return missing(67);
    if (!ToolExists(Par2ToolPath(f.AppPath))) return missing(68);
#endif
    if (f.txtInput.Text().empty()) return Refuse(f, 46);
    if (f.txtOutput.Text().empty()) return Refuse(f, 47);
    if (f.txtArchiveName.Text().empty()) return Refuse(f, 48);
    SplitBytes = SplitBytesOf(f);
    const bool split = !f.cboSplitSize.Text().empty();
    if (split && SplitBytes < MinimumSplitBytes) return Refuse(f, 39);
    if (split && SplitBytes > MaximumSplitBytes) return Refuse(f, 40);
    if (const int entry = RecoveryAmountRefusal(f)) return Refuse(f, entry);
    if (f.chkSeparately.Value() != 1) {
        if (const std::string refusal = SourceRefusal(f, f.txtInput.Text()); !refusal.empty())
            return (void)f.desktop.MsgBox(refusal, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
    }

    f.JobRunning = true;
    f.FailedItems.clear();
    bool completed = false;
    try {
        completed = ProcessItems(f);
    } catch (const RuntimeError& e) {
        // Items trap their own errors; this catches a failure between items (a handler run by
        // a text change), so the run still ends in order.
        f.desktop.MsgBox(std::to_string(e.Number()) + " - " + e.Description(), MsgButtons::OK,
                         MsgIcon::Exclamation, AppTitle);
        f.JobRunning = false;
    } catch (const std::exception& e) {
        f.desktop.MsgBox(std::string("51 - Internal error (") + e.what() + ")", MsgButtons::OK, MsgIcon::Exclamation,
                         AppTitle);
        f.JobRunning = false;
    }
    EndOfRun(f, completed || f.JobRunning);
}

void StopRun(frmMain& f) {
    f.desktop.DoEvents();
    if (f.objDOS) f.objDOS->TerminateNow();
    f.desktop.DoEvents();
    f.JobRunning = false;
    f.cmdProcess.SetCaption("Start");
}

}  // namespace

void cmdProcess_Click(frmMain& f) {
    if (f.cmdProcess.Caption() == "Stop")
        StopRun(f);
    else
        StartRun(f);
}

bool ToolExists(const std::string& path) { return platform::IsRegularFile(path); }

bool FileExists(const std::string& path) {
    const auto attributes = platform::GetAttributes(path);
    return attributes && (*attributes & platform::AttrDirectory) == 0;
}

std::string GetItemName(const std::string& path) {
    const size_t at = path.rfind(platform::PathSeparator);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string WithRarExtension(const std::string& name) {
    // Where the last `count` characters begin (all of the name when it is shorter), counted in
    // characters, not bytes: they may be multi-byte in UTF-8.
    auto startOfLast = [&name](int count) {
        size_t start = name.size();
        for (int chars = 0; chars < count && start > 0; ++chars) {
            --start;
            while (start > 0 && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80) --start;
        }
        return start;
    };
    if (name.empty() || name[startOfLast(4)] != '.') return name + ".rar";
    return name.substr(0, startOfLast(3)) + "rar";
}

}  // namespace kelvora
