#include "ChoiceLists.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "EditorCommon.h"

namespace quorvel::gui {

QGridLayout* ChoiceListsLayout(QWidget* parent, const QString& availableCaption, QListWidget* available,
                               const QString& chosenCaption, QListWidget* chosen,
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

QListWidgetItem* MoveRowSorted(QListWidget* from, int row, QListWidget* to) {
    QListWidgetItem* item = from->takeItem(row);
    auto* moved = new TSortedItem(item->text());
    moved->setData(kCodeRole, CodeOf(item));
    delete item;
    to->addItem(moved);
    return moved;
}

}  // namespace quorvel::gui
