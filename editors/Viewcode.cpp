#include "Viewcode.h"

#include <QHBoxLayout>
#include <QMdiArea>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <utility>

#include "EditorCommon.h"
#include "ExSystem.h"
#include "Help.h"
#include "RuleView.h"

namespace gui = quorvel::gui;

TfrmView::TfrmView(QMdiArea* area, std::function<void()> print) : QMdiSubWindow(nullptr), print_(std::move(print)) {
    setObjectName(QStringLiteral("frmView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Regras"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/view.svg")));
    gui::SetHelpContext(this, gui::help::kRuleViewer);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    RuleView = new TRuleView(content);
    RuleView->setObjectName(QStringLiteral("RuleView"));
    layout->addWidget(RuleView, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnPrint = new QPushButton(QStringLiteral("&Imprimir"), content);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    gui::SetHint(btnPrint, QStringLiteral("Imprime somente as regras mostradas."));
    btnClose = new QPushButton(QStringLiteral("Fechar"), content);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    gui::SetHint(btnClose, QStringLiteral("Fecha a janela de exibição."));
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    setWidget(content);

    connect(btnPrint, &QPushButton::clicked, this, &TfrmView::btnPrintClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmView::btnCloseClick);
    // Fechar is also the window's cancel button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &TfrmView::btnCloseClick);
    area->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(420, 360);
}

TfrmView::~TfrmView() = default;

void TfrmView::Show(quorvel::TExpertSystem& engine, bool onlyChosen, const std::set<int32_t>& chosen) {
    // A base written in the editors and never saved still counts as new, and
    // the rule view shows nothing of a new base.
    if (engine.Rules().Count() > 0) engine.SetNew(false);
    RuleView->SetUseFilter(onlyChosen);
    RuleView->ClearFilter();
    if (onlyChosen)
        for (int32_t code : chosen) RuleView->AddToFilter(code);
    RuleView->SetExpertSystem(&engine);
}

void TfrmView::btnPrintClick() {
    if (print_) print_();
}

void TfrmView::btnCloseClick() { close(); }
