#pragma once
#include <QMainWindow>
#include <map>
#include <string>

#include "gui/ControlViews.h"

class QMenu;

namespace kelvora {

class Control;
class frmMain;
class ProgressView;

// The real main window: one widget per control of the window model, placed by the model's
// layout in twips, kept in step with the model both ways. Closing asks the model (Form_Unload).
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(frmMain& f, QWidget* parent = nullptr);
    ~MainWindow() override;

    frmMain& Model() const { return f_; }
    ProgressView* Progress() const { return progress_; }
    // The widget of a control of the model, by the control's name; nullptr when there is none.
    QWidget* ViewOf(const Control& control) const;
    // Twips of the model as pixels of this screen (15 twips a pixel at 96 dpi).
    int ToPixels(int twips) const;

    // Shows the window in the middle of the screen.
    void ShowCentred();

public slots:
    // Another start of the program asked for this window: restore it and bring it to the front.
    void BringToFront();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A file or folder dropped anywhere on the window becomes the source; the model decides.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void SetBuddies();
    void SetTabOrder();
    QWidget* MakeView(Control& control, QWidget* parent);
    void Place(QWidget* widget, const Control& control) const;

    frmMain& f_;
    ControlViews views_;
    QWidget* client_ = nullptr;
    ProgressView* progress_ = nullptr;
    std::map<const Control*, QWidget*> widgets_;
    double dpi_ = 96.0;
};

}  // namespace kelvora
