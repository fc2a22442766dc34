#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <cstdint>
#include <string>

class QPalette;

namespace kelvora {

// Registers the pictures compiled into the program (needed once: they live in a static library).
void LoadResources();

// The menu picture of a resource name ("EXIT", "HELP", ...); a null icon for "" or an unknown name.
QIcon MenuPicture(const std::string& name);
// The program's icon, in all its sizes.
QIcon AppIcon();
// The About window's 48 x 48 picture.
QPixmap AboutPicture();

// A colour of the window model (0xBBGGRR, or a system colour) in the given palette.
QColor ToQColor(uint32_t color, const QPalette& palette);

}  // namespace kelvora
