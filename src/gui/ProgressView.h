#pragma once
#include <QFont>
#include <QFrame>
#include <QImage>

namespace kelvora {

class PictureBox;

// The view of a picture box used as progress bar: it paints the box's drawing record (text and
// boxes in the box's scale units) on the box's background, so the drawing survives every
// repaint. Its inner size is told to the model, which measures text with this view's font.
class ProgressView : public QFrame {
    Q_OBJECT
public:
    ProgressView(PictureBox& box, QWidget* parent = nullptr);
    ~ProgressView() override;

    PictureBox& Box() const { return box_; }
    // Tells the model the inner size in pixels (also the vertical scale); called on every resize
    // and by the window right after placing the view.
    void TellInnerSize();
    // The record painted at the current inner size.
    QImage Render() const;
    // The percentage the bar shows: the number in its text, 0 while it shows none.
    int Percent() const;

    // The font of progress text: the application font without smoothing, so the bar's
    // inversion of the text stays crisp.
    static QFont DefaultFont();
    // Paints a drawing record into an image of the given inner size.
    static QImage RenderRecord(const PictureBox& box, QSize size, const QFont& font, const QColor& background);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PictureBox& box_;
    int observer_ = 0;
    int told_ = 0;  // the percentage screen readers were last told
};

}  // namespace kelvora
