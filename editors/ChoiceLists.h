// The "available / chosen" layout shared by the targets editor, the
// questions editor and the rule viewer's choice of variables: two lists side
// by side under their captions, with a column of move buttons (">", ">>",
// "<", "<<") between them. Each window decides what moving a row means;
// here are the layout and the move of one row into a sorted list.
#pragma once

#include <QString>
#include <initializer_list>

class QGridLayout;
class QToolButton;
class QWidget;
class TCodeList;

namespace quorvel::gui {

// Lays `available` and `chosen` out under their captions with `moves`
// stacked between them; the two lists share the spare width.
QGridLayout* ChoiceListsLayout(QWidget* parent, const QString& availableCaption, QWidget* available,
                               const QString& chosenCaption, QWidget* chosen,
                               std::initializer_list<QToolButton*> moves);

// Takes row `row` out of `from` and adds it to `to` (in its place when `to`
// is sorted), with its code; returns the row it lands on.
int MoveRow(TCodeList* from, int row, TCodeList* to);

}  // namespace quorvel::gui
