#include "prefs/Language.h"

#include "app/frmMain.h"

namespace kelvora {

void ApplyLanguage(frmMain&, int16_t) {}
void mnuEnglish_Click(frmMain&) {}
void mnuNederlands_Click(frmMain&) {}

}  // namespace kelvora
