#pragma once
#include <string>

#include "app/Desktop.h"

namespace kelvora {

class frmMain;

void chkMaskName_Click(frmMain& f);
void optMaskStyle_Click(frmMain& f, int Index);
void txtArchiveName_Change(frmMain& f);
void txtArchiveName_KeyPress(frmMain& f, int& KeyAscii);

// Characters no file name may hold, in the order a name is searched for them.
inline constexpr char ForbiddenNameChars[] = {'"', '*', '/', ':', '<', '>', '?', '\\', '|'};

// The name with every forbidden character replaced by "_".
std::string WithoutForbiddenChars(std::string name);

// "dd-mm-yyyy-hh-nn-ss.rar" (EU, style 0) or "mm-dd-yyyy-hh-nn-ss.rar" (US, style 1).
std::string DateName(const DateTime& now, int style);

}  // namespace kelvora
