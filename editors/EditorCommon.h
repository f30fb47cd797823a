// Pieces the editor windows share: their message boxes, the checked
// conversion of typed texts to base texts, hints, the rows of the base's
// variables for a list, the windows' minimum size, the drag cursor and a list
// whose rows are reordered by dragging one onto another.
#pragma once

#include <QCursor>
#include <QPushButton>
#include <QString>
#include <QToolButton>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CodeRows.h"
#include "ExMessages.h"
#include "ExText.h"

class QAbstractButton;
class QComboBox;
class QMdiSubWindow;
class QAbstractItemView;
class QWidget;

namespace quorvel {
class TExpertSystem;
}

namespace quorvel::gui {

// Binds the editors' images into the program (safe to call repeatedly).
void InitEditorResources();
// The cursor "DRAG_RULE": a hand carrying a rule row.
QCursor DragRuleCursor();
// One of the editors' images (":/editors/<name>.svg").
QIcon EditorIcon(const char* name);

// A message box with a fixed text (UTF-8).
quorvel::TMsgResult Message(QWidget* parent, quorvel::TMsgKind kind, quorvel::TMsgButtons buttons,
                            const std::string& text);
inline void Warn(QWidget* parent, const std::string& text) {
    Message(parent, quorvel::TMsgKind::Warning, quorvel::TMsgButtons::Ok, text);
}
inline void Error(QWidget* parent, const std::string& text) {
    Message(parent, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok, text);
}
inline void Inform(QWidget* parent, const std::string& text) {
    Message(parent, quorvel::TMsgKind::Information, quorvel::TMsgButtons::Ok, text);
}
// Yes/No question; true on Yes.
bool Confirm(QWidget* parent, const std::string& text);

// A text typed on screen as a base text, or nullopt after telling the user
// why it cannot be stored (`what` names it: "O nome da regra").
std::optional<std::string> TypedBaseText(QWidget* parent, const QString& text, const char* what,
                                         std::size_t limit = quorvel::kShortStringMax);
// A base text for the screen.
QString Screen(const std::string& baseText);

// "short|long": the short part as tooltip, the long part in the status bar.
void SetHint(QWidget* widget, const QString& hint);

// A push button of the editors' dialogs: named for the tests, never the
// default button by itself.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption);
// One of the small buttons that move rows between two lists (">", ">>", "<", "<<").
QToolButton* MakeMoveButton(QWidget* parent, const char* name, const char* caption);
// A flat button with one of the editors' images (EditorIcon) and a hint
// ("short|long", as SetHint): the accept and cancel buttons beside a box.
QToolButton* MakeToolButton(QWidget* parent, const char* name, const char* icon, const QString& hint);

// A window of the editors is never made smaller than `specified`, nor than
// what its content needs to show every box and button whole.
void KeepMinimumSize(QMdiSubWindow* window, const QSize& specified);

// A combo box's drop-down list draws every entry with one height, so that
// tens of thousands of entries drop down at once.
void ShowEntriesAtOnce(QComboBox* combo);

// A row for every variable of the base except those in `leaveOut`, to be
// shown in a list (its name on screen, its code).
std::vector<TCodeRows::TRow> VariableRows(quorvel::TExpertSystem& engine, const std::set<int32_t>& leaveOut = {});

}  // namespace quorvel::gui

// Rows of a list move by dragging: a left-button press on a row starts a
// drag once the mouse has moved; the drag cursor shows while it lasts, and a
// release on another row reports the move. The list itself changes nothing.
// Works on any item view; it watches the view's viewport.
class TRowDragger : public QObject {
    Q_OBJECT

public:
    explicit TRowDragger(QAbstractItemView* view);

    void SetDragCursor(const QCursor& cursor) { dragCursor_ = cursor; }
    // Whether rows may be dragged now (a list may refuse while it is disabled
    // for other reasons).
    void SetDragEnabled(bool enabled) { dragEnabled_ = enabled; }
    bool Dragging() const { return dragging_; }
    // The row a drop at this point would land on, or -1 when it would not be
    // accepted (outside the rows, or on the dragged row).
    int DropRowAt(const QPoint& point) const;

signals:
    void rowDropped(int from, int to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EndDrag();

    QAbstractItemView* view_;
    QCursor dragCursor_;
    bool dragEnabled_ = true;
    int pressRow_ = -1;
    QPoint pressAt_;
    bool dragging_ = false;
};

// A list of rows in their own order that move by dragging (TRowDragger).
class TRowDragList : public TCodeList {
    Q_OBJECT

public:
    explicit TRowDragList(QWidget* parent = nullptr);

    void SetDragCursor(const QCursor& cursor) { dragger_->SetDragCursor(cursor); }
    void SetDragEnabled(bool enabled) { dragger_->SetDragEnabled(enabled); }
    bool Dragging() const { return dragger_->Dragging(); }

signals:
    void rowDropped(int from, int to);

private:
    TRowDragger* dragger_;
};
