#include "EditorCommon.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QListView>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <algorithm>

#include "ExEditing.h"
#include "ExSystem.h"
#include "MessageBoxSink.h"

// Outside any namespace, as the resource initialiser requires.
static void InitEditorsQrc() { Q_INIT_RESOURCE(editors); }

namespace quorvel::gui {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QToolButton* MakeMoveButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QLatin1String(caption));
    button->setMinimumSize(32, 26);
    return button;
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const char* icon, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(EditorIcon(icon));
    button->setAutoRaise(true);
    SetHint(button, hint);
    return button;
}

void InitEditorResources() {
    static const bool done = [] {
        InitEditorsQrc();
        return true;
    }();
    (void)done;
}

QCursor DragRuleCursor() {
    InitEditorResources();
    const QPixmap pixmap = QIcon(QStringLiteral(":/editors/drag_rule.svg")).pixmap(32, 32);
    if (pixmap.isNull()) return QCursor(Qt::DragMoveCursor);
    return QCursor(pixmap, 2, 1);  // the arrow's tip
}

QIcon EditorIcon(const char* name) {
    InitEditorResources();
    return QIcon(QStringLiteral(":/editors/%1.svg").arg(QLatin1String(name)));
}

quorvel::TMsgResult Message(QWidget* parent, quorvel::TMsgKind kind, quorvel::TMsgButtons buttons,
                            const std::string& text) {
    return ShowMessage(parent, kind, buttons, QString::fromStdString(text));
}

bool Confirm(QWidget* parent, const std::string& text) {
    return Message(parent, quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNo, text) ==
           quorvel::TMsgResult::Yes;
}

std::optional<std::string> TypedBaseText(QWidget* parent, const QString& text, const char* what, std::size_t limit) {
    std::string problem;
    std::optional<std::string> base = quorvel::BaseTextFromUtf8(text.toStdString(), what, problem, limit);
    if (!base) Error(parent, problem);
    return base;
}

QString Screen(const std::string& baseText) { return QString::fromStdString(quorvel::Cp1252ToUtf8(baseText)); }

void SetHint(QWidget* widget, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    // A button that shows only an icon or a sign (">", "<") is named by its
    // hint for screen readers.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        const bool wordless = std::none_of(button->text().cbegin(), button->text().cend(),
                                           [](QChar c) { return c.isLetter(); });
        if (wordless) button->setAccessibleName(widget->toolTip());
    }
}

void KeepMinimumSize(QMdiSubWindow* window, const QSize& specified) {
    window->setMinimumSize(specified.expandedTo(window->minimumSizeHint()));
}

void ShowEntriesAtOnce(QComboBox* combo) {
    if (auto* list = qobject_cast<QListView*>(combo->view())) list->setUniformItemSizes(true);
}

std::vector<TCodeRows::TRow> VariableRows(quorvel::TExpertSystem& engine, const std::set<int32_t>& leaveOut) {
    std::vector<TCodeRows::TRow> rows;
    for (const quorvel::TNode* node : engine.Vars().Records(quorvel::kKeyCode)) {
        if (leaveOut.count(node->Code)) continue;
        rows.push_back({Screen(static_cast<const quorvel::TVarNode*>(node)->Name), node->Code});
    }
    return rows;
}

}  // namespace quorvel::gui

// ------------------------------------------------------------- TRowDragger

TRowDragger::TRowDragger(QAbstractItemView* view) : QObject(view), view_(view) {
    view_->setDragDropMode(QAbstractItemView::NoDragDrop);
    view_->viewport()->installEventFilter(this);
}

int TRowDragger::DropRowAt(const QPoint& point) const {
    const QModelIndex index = view_->indexAt(point);
    if (!index.isValid() || index.row() == pressRow_) return -1;
    return index.row();
}

bool TRowDragger::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_->viewport()) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            // The view selects the pressed row as usual; the press is only noted.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            pressRow_ = -1;
            if (mouse->button() != Qt::LeftButton || !dragEnabled_) return false;
            const QModelIndex index = view_->indexAt(mouse->position().toPoint());
            if (!index.isValid()) return false;
            pressRow_ = index.row();
            pressAt_ = mouse->position().toPoint();
            return false;
        }
        case QEvent::MouseMove: {
            if (pressRow_ < 0) return false;
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (!dragging_ && (at - pressAt_).manhattanLength() >= QApplication::startDragDistance()) {
                dragging_ = true;
                view_->viewport()->setCursor(dragCursor_);
            }
            if (dragging_) view_->viewport()->setCursor(DropRowAt(at) < 0 ? QCursor(Qt::ForbiddenCursor) : dragCursor_);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (!dragging_) {
                pressRow_ = -1;
                return false;
            }
            const int from = pressRow_;
            const int to = DropRowAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            EndDrag();
            if (to >= 0) emit rowDropped(from, to);
            return true;
        }
        default:
            return false;
    }
}

void TRowDragger::EndDrag() {
    dragging_ = false;
    pressRow_ = -1;
    view_->viewport()->unsetCursor();
}

// ------------------------------------------------------------ TRowDragList

TRowDragList::TRowDragList(QWidget* parent) : TCodeList(false, parent), dragger_(new TRowDragger(this)) {
    connect(dragger_, &TRowDragger::rowDropped, this, &TRowDragList::rowDropped);
}
