#pragma once
#include <string>

#include "window/Desktop.h"

namespace kelvora {

class frmMain;

void chkMaskName_Click(frmMain& f);
void optMaskStyle_Click(frmMain& f, int Index);
void txtArchiveName_Change(frmMain& f);
void txtArchiveName_KeyPress(frmMain& f, int& KeyAscii);

// "dd-mm-yyyy-hh-nn-ss.rar" (EU, style 0) or "mm-dd-yyyy-hh-nn-ss.rar" (US, style 1).
std::string DateName(const DateTime& now, int style);

}  // namespace kelvora
