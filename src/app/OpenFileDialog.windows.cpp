// The system's open-file dialog, for a Windows build only.

#include "app/OpenFileDialog.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace kelvora {

namespace {

// Decided on the first call and kept: the full record on NT 5, the pre-2000 record elsewhere
// (88 and 76 bytes in a 32-bit build).
DWORD RecordSize = 0;

// Centres the dialog frame on the screen when the dialog starts.
UINT_PTR CALLBACK CenterDialogHook(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    HWND frame = GetParent(dialog);  // the hook sees the inner dialog; the visible frame is its parent
    if (!frame) return 0;
    RECT r;
    GetWindowRect(frame, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(frame, (screenW - w) / 2, (screenH - h) / 2, w, h, TRUE);
    return 1;
}

std::string AnsiToUtf8(const char* text) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 1) return "";
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, w.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

}  // namespace

bool IsWindowsNT5() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5;
}

std::string ShowNativeOpenFileDialog(void* owner) {
    if (RecordSize == 0) RecordSize = IsWindowsNT5() ? sizeof(OPENFILENAMEA) : OPENFILENAME_SIZE_VERSION_400A;

    // The leading NUL leaves the proposed name empty; the spaces give the dialog room to write.
    std::string file = std::string(1, '\0') + std::string(1024, ' ') + std::string(2, '\0');
    std::string title = std::string(1, '\0') + std::string(512, ' ') + std::string(2, '\0');
    static const char filter[] = "All Files (*.*)\0*.*\0";
    static const char defaultExtension[] = "*.*\0";
    static const char initialFolder[] = "\0";

    OPENFILENAMEA ofn{};
    ofn.lStructSize = RecordSize;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 2;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(title.size());
    ofn.lpstrInitialDir = initialFolder;
    ofn.lpstrTitle = "Open";
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER |
                OFN_NODEREFERENCELINKS | OFN_LONGNAMES | OFN_ENABLESIZING;  // 0xB81824
    ofn.lpstrDefExt = defaultExtension;
    ofn.lpfnHook = CenterDialogHook;

    if (!GetOpenFileNameA(&ofn)) return "";
    return AnsiToUtf8(file.c_str());
}

}  // namespace kelvora
