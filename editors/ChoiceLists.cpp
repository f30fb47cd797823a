#include "ChoiceLists.h"

#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "CodeRows.h"
#include "EditorCommon.h"

namespace quorvel::gui {

QGridLayout* ChoiceListsLayout(QWidget* parent, const QString& availableCaption, QWidget* available,
                               const QString& chosenCaption, QWidget* chosen,
                               std::initializer_list<QToolButton*> moves) {
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(availableCaption, parent), 0, 0);
    lists->addWidget(new QLabel(chosenCaption, parent), 0, 2);
    lists->addWidget(available, 1, 0);
    lists->addWidget(chosen, 1, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    for (QToolButton* button : moves) buttons->addWidget(button);
    buttons->addStretch(1);
    lists->addLayout(buttons, 1, 1);
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(2, 1);
    return lists;
}

int MoveRow(TCodeList* from, int row, TCodeList* to) {
    const TCodeRows::TRow moved = from->Rows().Take(row);
    return to->Rows().Add(moved.Text, moved.Code);
}

}  // namespace quorvel::gui
