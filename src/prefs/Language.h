#pragma once
#include <cstdint>

namespace kelvora {

class frmMain;

// Puts a language into effect: 0 English, 1 Dutch; any other number raises before anything
// changes.
void ApplyLanguage(frmMain& f, int16_t language);
void mnuEnglish_Click(frmMain& f);
void mnuNederlands_Click(frmMain& f);

}  // namespace kelvora
