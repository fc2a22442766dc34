#include "gui/ProgressView.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/Control.h"
#include "gui/Resources.h"

namespace kelvora {

namespace {
constexpr int NotXorPen = 10;
}

ProgressView::ProgressView(PictureBox& box, QWidget* parent) : QFrame(parent), box_(box) {
    setObjectName(QString::fromStdString(box.Name()));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFont(DefaultFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    observer_ = box_.Observe([this] {
        update();
        // Screen readers hear of a new percentage, not of every repaint; a box cleared for the
        // next drawing shows none yet, so the 0 it reads then is not told either.
        const auto& record = box_.Record();
        if (std::none_of(record.begin(), record.end(), [](const PictureBox::DrawOp& op) { return op.kind == PictureBox::DrawOp::Kind::Print; }))
            return;
        if (const int percent = Percent(); percent != told_ && QAccessible::isActive()) {
            told_ = percent;
            QAccessibleValueChangeEvent event(this, percent);
            QAccessible::updateAccessibility(&event);
        }
    });
}

int ProgressView::Percent() const {
    const auto& record = box_.Record();
    for (auto op = record.rbegin(); op != record.rend(); ++op) {
        if (op->kind != PictureBox::DrawOp::Kind::Print) continue;
        int percent = 0;
        for (char c : op->text)
            if (c >= '0' && c <= '9') percent = std::min(percent * 10 + (c - '0'), 100);
        return percent;
    }
    return 0;
}

ProgressView::~ProgressView() { box_.StopObserving(observer_); }

QFont ProgressView::DefaultFont() {
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void ProgressView::TellInnerSize() {
    const QRect inner = contentsRect();
    const bool first = box_.Record().empty() && box_.ScaleWidth() == box_.InnerWidthPx();
    box_.SetInnerSizePx(inner.width(), inner.height());
    // Until something is drawn the scale is the pixel size; the vertical scale always is.
    if (first) box_.SetScaleWidth(inner.width());
    box_.SetScaleHeight(inner.height());
}

void ProgressView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    TellInnerSize();
}

QImage ProgressView::Render() const {
    return RenderRecord(box_, contentsRect().size(), font(), ToQColor(ColorButtonFace, palette()));
}

void ProgressView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), Render());
}

QImage ProgressView::RenderRecord(const PictureBox& box, QSize size, const QFont& font, const QColor& background) {
    QImage image(std::max(size.width(), 1), std::max(size.height(), 1), QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double sx = box.ScaleWidth() > 0 ? size.width() / box.ScaleWidth() : 1.0;
    const double sy = box.ScaleHeight() > 0 ? size.height() / box.ScaleHeight() : 1.0;
    const QPalette palette = QApplication::palette();

    for (const PictureBox::DrawOp& op : box.Record()) {
        const QColor color = ToQColor(op.color, palette);
        if (op.kind == PictureBox::DrawOp::Kind::Print) {
            // The position is the text's top left corner.
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.setPen(color);
            painter.drawText(QPointF(std::round(op.x1 * sx), std::round(op.y1 * sy) + metrics.ascent()),
                             QString::fromStdString(op.text));
            continue;
        }
        const int left = static_cast<int>(std::lround(std::min(op.x1, op.x2) * sx));
        const int right = static_cast<int>(std::lround(std::max(op.x1, op.x2) * sx));
        const int top = static_cast<int>(std::lround(std::min(op.y1, op.y2) * sy));
        const int bottom = static_cast<int>(std::lround(std::max(op.y1, op.y2) * sy));
        const QRect rect(left, top, right - left, bottom - top);
        if (rect.isEmpty()) continue;
        // Not-XOR pen: each covered pixel becomes NOT (colour XOR pixel), so text under the
        // bar shows inverted. Any other mode paints the colour over what is there.
        painter.setCompositionMode(op.drawMode == NotXorPen ? QPainter::RasterOp_NotSourceXorDestination
                                                            : QPainter::CompositionMode_SourceOver);
        painter.fillRect(rect, color);
    }
    return image;
}

}  // namespace kelvora
