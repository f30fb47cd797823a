#include "GradientCaption.h"

#include <QLinearGradient>
#include <QPainter>

TGradientCaption::TGradientCaption(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGradientCaption::SetText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

void TGradientCaption::SetColors(const QColor& start, const QColor& end) {
    start_ = start;
    end_ = end;
    update();
}

void TGradientCaption::SetVertical(bool vertical) {
    vertical_ = vertical;
    update();
}

void TGradientCaption::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void TGradientCaption::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QSize TGradientCaption::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 16, metrics.height() + 10};
}

void TGradientCaption::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF area = rect();
    QLinearGradient gradient(area.topLeft(), vertical_ ? area.bottomLeft() : area.topRight());
    gradient.setColorAt(0.0, start_);
    gradient.setColorAt(1.0, end_);
    painter.fillRect(area, gradient);
    painter.setPen(textColor_);
    painter.setFont(font());
    painter.drawText(rect().adjusted(8, 2, -8, -2), static_cast<int>(alignment_), text_);
}
