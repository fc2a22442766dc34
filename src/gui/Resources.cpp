#include "gui/Resources.h"

#include <QFile>
#include <QPalette>

#include "controls/Control.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitKelvoraResources() { Q_INIT_RESOURCE(kelvora); }

namespace kelvora {

void LoadResources() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    InitKelvoraResources();
}

QIcon MenuPicture(const std::string& name) {
    if (name.empty()) return {};
    LoadResources();
    const QString path = ":/menu/" + QString::fromStdString(name);
    if (!QFile::exists(path)) return {};
    return QIcon(path);
}

QIcon AppIcon() {
    LoadResources();
    QIcon icon;
    for (int size : {256, 64, 48}) icon.addFile(QStringLiteral(":/icons/kelvora-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap AboutPicture() {
    LoadResources();
    return QPixmap(":/icons/kelvora-48.png");
}

QColor ToQColor(uint32_t color, const QPalette& palette) {
    if (color & 0x80000000u) {
        switch (color & 0xFFu) {
            case 0x05: return palette.color(QPalette::Base);        // window background
            case 0x08: return palette.color(QPalette::Text);        // window text
            case 0x0F: return palette.color(QPalette::Button);      // button face
            case 0x12: return palette.color(QPalette::ButtonText);  // button text
            default: return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace kelvora
