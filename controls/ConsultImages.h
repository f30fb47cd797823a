// The image lists of the consultation views, icons of our own kept in the
// "consult" resource: the consultation tree's ("TREEBITMAPS") and the
// all-values tree's ("ALLVARSBITMAPS").
#pragma once

#include <QIcon>

namespace quorvel::gui {

// The consultation tree: 0 a step, 1 a rule or a node with a sub-tree.
enum TTreeImage : int { kTreeStep = 0, kTreeRule = 1 };
// The all-values tree: 0 a variable (collapsed), 1 a variable (expanded), 2 a value.
enum TAllVarsImage : int { kVarCollapsed = 0, kVarExpanded = 1, kVarValue = 2 };

QIcon TreeImage(int index);
QIcon AllVarsImage(int index);

}  // namespace quorvel::gui
