// A caption drawn over a colour gradient: the shaded product label of the
// rule-base window and the banners of the splash and about windows.
#pragma once

#include <QColor>
#include <QWidget>

class TGradientCaption : public QWidget {
    Q_OBJECT

public:
    explicit TGradientCaption(const QString& text = {}, QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void SetText(const QString& text);
    // The gradient runs from `start` at the left (or top) to `end`.
    void SetColors(const QColor& start, const QColor& end);
    void SetVertical(bool vertical);
    void SetTextColor(const QColor& color);
    void SetAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor start_{0x1f, 0x3b, 0x73};
    QColor end_{0x4f, 0x86, 0xc6};
    QColor textColor_{Qt::white};
    Qt::Alignment alignment_ = Qt::AlignCenter;
    bool vertical_ = false;
};
