#include "app/Selection.h"

#include <filesystem>
#include <algorithm>
#include <system_error>
#include <vector>

#include "app/OpenFileDialog.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "common/Version.h"
#include "app/Progress.h"
#include "job/Items.h"
#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"
#include "sizing/Sizes.h"
#include "sizing/VolumeParameters.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

using platform::PathSeparator;


void Refuse(frmMain& f, const std::string& text) {
    f.desktop.MsgBox(text, MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

}  // namespace

// `given` made absolute against the current folder, as the shell that passed it meant it, and
// without "." or "..": those are resolved by the file system up to the last of them, so "."
// names the folder by its real name and ".." after a link means what it meant to the shell. What
// follows stays as typed, so a link keeps its own name. "" when there is no current folder.
std::string AbsoluteSourcePath(const std::string& given) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = fs::absolute(platform::Utf8Path(given), ec);
    if (ec) return "";
    const std::vector<fs::path> parts(path.begin(), path.end());
    const auto isDot = [](const fs::path& part) { return part == "." || part == ".."; };
    // Just after the last dot component; begin() when there is none.
    const auto split = std::find_if(parts.rbegin(), parts.rend(), isDot).base();
    fs::path head, tail;
    for (auto it = parts.begin(); it != parts.end(); ++it) (it < split ? head : tail) /= *it;
    if (!head.empty()) {
        fs::path real = fs::canonical(head, ec);
        head = ec ? head.lexically_normal() : real;
    }
    // A folder typed with a closing separator (as shells complete it) names the same folder.
    return WithoutClosingSeparator(platform::Utf8Text((head / tail).lexically_normal()));
}

bool IsDriveRoot(const std::string& path) {
    if (path.size() == 1 && path[0] == PathSeparator) return true;
    const std::string driveSuffix{':', PathSeparator};
    return path.size() < 4 && path.find(driveSuffix) != std::string::npos;
}

std::string WithoutClosingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == PathSeparator && !IsDriveRoot(path)) path.pop_back();
    return path;
}

void RefuseDriveRoot(frmMain& f) {
    f.desktop.MsgBox(f.MessageText(Msg::DrivesCannotBeSelected), MsgButtons::OK, MsgIcon::Exclamation, AppTitle);
}

std::string BrowseForFolder(frmMain& f) { return f.desktop.BrowseForFolder("Select folder:"); }

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const size_t last = path.rfind(PathSeparator);
    if (last == std::string::npos) return {"", path};
    return {path.substr(0, last + 1), path.substr(last + 1)};
}

bool IsFolder(const std::string& path) {
    // Attributes of the path itself: a link to a folder is not a folder.
    const auto attributes = platform::GetAttributes(path);
    return attributes && (*attributes & platform::AttrDirectory) != 0;
}

void ApplySource(frmMain& f, const std::string& path, bool isFolder) {
    // The item list of separate-items mode belongs to the previous source: a new source drops it
    // with the tick (which gives back the options the mode had taken).
    f.chkSeparately.SetValue(0);
    f.SeparateItems.reset();

    DisableControls(f);
    // Start waits for the measurement: it would run the previous source's job.
    struct Measuring {
        frmMain& f;
        explicit Measuring(frmMain& w) : f(w) {
            f.MeasuringSource = true;
            f.cmdProcess.SetEnabled(false);
        }
        ~Measuring() {
            f.MeasuringSource = false;
            f.cmdProcess.SetEnabled(true);
        }
    } measuring{f};
    f.Me.SetCaption(f.MessageText(Msg::CalculatingSize));

    // The walk lets the window process its events now and then, so it repaints meanwhile.
    const int64_t size = isFolder ? GetFolderSize(path, [&f] { f.desktop.DoEvents(); }) : GetFileSizeBytes(path);
    f.txtEstimatedSize.SetText(ToDecimal(size));

    f.chkNoMainDir.SetEnabled(isFolder);
    f.chkAddEmpty.SetEnabled(isFolder);
    RecomputeMaxBlocks(f);
    f.txtInput.SetText(path);

    const auto [folderPart, lastComponent] = SplitPath(path);
    f.txtOutput.SetText(folderPart);
    // A tab or line break in a POSIX name becomes "_", as in the archive names of separate items.
    f.txtArchiveName.SetText(WithoutControlChars(lastComponent));
    // A POSIX name may hold a character that archive names refuse; the name reaction has then
    // emptied the field, and a bare ".rar" would be no better than asking the user for a name.
    if (!f.txtArchiveName.Text().empty()) f.txtArchiveName.SetText(WithRarExtension(f.txtArchiveName.Text()));

    f.chkSeparately.SetEnabled(isFolder);
    EnableControls(f);
    f.Me.SetCaption(VersionedTitle());
}

void cmdBrowseFile_Click(frmMain& f) {
    const std::string path = ShowOpenFileDialog(f);
    if (path.empty()) return;
    ApplySource(f, path, false);
}

void cmdBrowseFolder_Click(frmMain& f) {
    const std::string path = BrowseForFolder(f);
    if (IsDriveRoot(path)) return RefuseDriveRoot(f);
    if (path.empty()) return;
    ApplySource(f, path, true);
}

bool AcceptsDrop(const frmMain& f) { return !f.JobRunning && f.Frame1.Enabled(); }

void DropSource(frmMain& f, const std::vector<std::string>& localPaths, bool allLocal) {
    if (!AcceptsDrop(f)) return;
    if (localPaths.size() > 1) return Refuse(f, f.MessageText(Msg::DropOneItem));
    if (!allLocal || localPaths.empty()) return Refuse(f, f.MessageText(Msg::DropNotLocal));
    // A file manager may hand a folder over with a closing separator; it names the same folder.
    const std::string path = WithoutClosingSeparator(localPaths.front());
    if (IsDriveRoot(path)) return RefuseDriveRoot(f);
    // Gone since the drag began, or a link that leads nowhere.
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(platform::Utf8Path(path), ec))
        return Refuse(f, FillIn(f.MessageText(Msg::NotFound), {path}));
    ApplySource(f, path, IsFolder(path));
}

void cmdBrowseSave_Click(frmMain& f) {
    std::string path = BrowseForFolder(f);
    if (path.empty()) return;
    // The output folder always ends in the separator; a drive root already does.
    if (path.back() != PathSeparator) path += PathSeparator;
    f.txtOutput.SetText(path);
}

}  // namespace kelvora
