// Rows that a list cuts at its edge show their whole text as a tooltip.
#pragma once

class QAbstractItemView;

namespace quorvel::gui {

// From now on, resting the pointer on a row of `view` whose text does not
// fit shows the whole text; rows that fit show their own tooltip, if any.
void ShowFullTextTips(QAbstractItemView* view);

}  // namespace quorvel::gui
