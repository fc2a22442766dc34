#include "job/SeparateItems.h"

#include <cstdint>

#include "platform/FileSystem.h"
#include "window/Desktop.h"
#include "window/frmMain.h"

namespace kelvora {

namespace {

constexpr const char* CrLf = "\r\n";

// The confirmation is fixed here in both languages; the File menu's caption tells which one the
// window shows.
std::string ConfirmationText(bool english, int32_t files, int32_t folders) {
    const std::string all = std::to_string(files + folders);
    std::string t;
    if (english) {
        t += "The following items have been found in this folder: ";
        t += std::string(CrLf) + CrLf + "Files: " + std::to_string(files);
        t += std::string(CrLf) + "Folders: " + std::to_string(folders);
        t += std::string(CrLf) + CrLf + "All " + all + " items will be rarred & parred separately.";
        t += std::string(CrLf) + "The archive names will be created based on the item names. ";
        t += std::string(CrLf) + CrLf + "Are you sure? ";
    } else {
        t += "De volgende items zijn gevonden in deze map: ";
        t += std::string(CrLf) + CrLf + "Bestanden: " + std::to_string(files);
        t += std::string(CrLf) + "Mappen: " + std::to_string(folders);
        t += std::string(CrLf) + CrLf + "Alle " + all + " items zullen apart gerarred & geparred worden.";
        t += std::string(CrLf) + "Bestandsnamen worden gemaakt op basis van de item namen. ";
        t += std::string(CrLf) + CrLf + "Weet u het zeker? ";
    }
    return t;
}

}  // namespace

void chkSeparately_Click(frmMain& f) {
    if (f.chkSeparately.Value() != 1) {
        f.OptPars[1].SetEnabled(true);
        f.chkPause.SetEnabled(true);
        return;
    }

    f.SeparateItems.emplace();
    int32_t files = 0;
    int32_t folders = 0;
    const std::string& source = f.txtInput.Text();
    // Without a source there is nothing to list (an empty text must not become the root).
    if (!source.empty()) {
        std::string folder = source;
        if (folder.back() != platform::PathSeparator) folder += platform::PathSeparator;
        // Hidden entries stay out. A link is an item of its own and counts as a file, also
        // when it points to a folder: the archiver stores the link, not what it points to.
        platform::ListFolder(folder, [&](const platform::DirEntry& entry) {
            if (entry.attributes & platform::AttrHidden) return true;
            f.SeparateItems->push_back(folder + entry.name);
            if (entry.attributes & platform::AttrDirectory)
                ++folders;
            else
                ++files;
            return true;
        });
    }

    const bool english = f.mnuFile.Caption() == "File";
    const MsgAnswer answer = f.desktop.MsgBox(ConfirmationText(english, files, folders), MsgButtons::YesNo,
                                              MsgIcon::Question, english ? "Confirmation" : "Bevestiging");
    if (answer == MsgAnswer::No) {
        f.chkSeparately.SetValue(0);
        f.SeparateItems.reset();
        return;
    }
    f.OptPars[0].SetValue(true);
    f.OptPars[1].SetEnabled(false);
    f.chkPause.SetEnabled(false);
}

}  // namespace kelvora
