#pragma once

namespace kelvora {

// Makes screen readers name every combo box by its label, like every other field. On Linux Qt
// names a combo box by its current text ("None", "3000"), which says nothing about what it sets.
// Tells them the scroll bar in the model's values. Call once after the application object
// exists; later calls do nothing.
void InstallAccessibility();

}  // namespace kelvora
