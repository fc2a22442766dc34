#pragma once
#include <QDialog>

namespace kelvora {

// The About window: the program's picture, its versioned name in bold, a one-line notice and OK.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);
};

}  // namespace kelvora
