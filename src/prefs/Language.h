#pragma once
#include <cstdint>

#include "resources/Languages.h"

namespace kelvora {

class frmMain;

// Puts a language into effect: every caption of the window, the compression list (keeping its
// choice by position) and the messages shown from now on.
void ApplyLanguage(frmMain& f, Language language);
// The same by the number Settings.ini stores; any other number raises before anything changes.
void ApplyLanguage(frmMain& f, int16_t number);
// A choice in the Language menu: its item checked, the others not, and the language applied.
void SelectLanguage(frmMain& f, Language language);

}  // namespace kelvora
