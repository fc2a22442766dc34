#pragma once

class QWidget;

namespace kelvora {

// The window's own accessible interfaces: combo boxes that also name the captions that no label
// buddy gives them, the scroll bar in the model's values, the drawn progress bar. Call once after
// the application object exists; later calls do nothing.
void InstallAccessibility();

// Tells screen readers that `caption` labels `field` (AT-SPI's labelled-by relation), where no
// QLabel buddy says so: a field that an option button leads, the unit list beside the split
// size. Only combo boxes and the scroll bar report it; other fields carry their caption as their
// accessible name.
void AddLabelledBy(QWidget* field, QWidget* caption);

}  // namespace kelvora
