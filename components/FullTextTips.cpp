#include "FullTextTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace quorvel::gui {

namespace {

class TFullTextTips : public QObject {
public:
    explicit TFullTextTips(QAbstractItemView* view) : QObject(view), view_(view) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || watched != view_->viewport()) return false;
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_->indexAt(help->pos());
        if (!index.isValid() || index.data(Qt::ToolTipRole).isValid()) return false;
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect row = view_->visualRect(index);
        // The text's own width, with room for the margins a row draws.
        const int wanted = row.left() + view_->fontMetrics().horizontalAdvance(text) + 8;
        if (text.isEmpty() || wanted <= std::min(row.right(), view_->viewport()->width())) {
            QToolTip::hideText();
            return true;
        }
        QToolTip::showText(help->globalPos(), text, view_->viewport(), row);
        return true;
    }

private:
    QAbstractItemView* view_;
};

}  // namespace

void ShowFullTextTips(QAbstractItemView* view) {
    if (!view || view->findChild<TFullTextTips*>(QString(), Qt::FindDirectChildrenOnly)) return;
    view->viewport()->installEventFilter(new TFullTextTips(view));
}

}  // namespace quorvel::gui
