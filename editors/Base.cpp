#include "Base.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "AskCode.h"
#include "BaseFrame.h"
#include "Dlgview.h"
#include "ExConsts.h"
#include "ExEditing.h"
#include "ExSystem.h"
#include "ExText.h"
#include "FullTextTips.h"
#include "GradientCaption.h"
#include "Help.h"
#include "Infocode.h"
#include "Newrule.h"
#include "RuleCode.h"
#include "Targcode.h"
#include "VarsCode.h"
#include "Viewcode.h"
#include "WatchPanel.h"

namespace {

// Draws a rule row in two columns: "REGRA  12" in navy at the left edge and
// the name from seven widths of "M" on, so that the names line up.
class TRuleRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        const QString text = index.data(Qt::DisplayRole).toString();
        // The number ends at the first blank after "REGRA  "; two blanks follow it.
        const qsizetype numberEnd = text.indexOf(QLatin1Char(' '), 7);
        const qsizetype split = numberEnd < 0 ? text.size() : std::min(text.size(), numberEnd + 2);
        const QRect area = option.rect.adjusted(3, 0, -3, 0);
        painter->setFont(option.font);
        // A disabled list (during a consultation) greys its rows, the numbers too.
        const bool enabled = option.state & QStyle::State_Enabled;
        const QColor number =
            !enabled ? option.palette.color(QPalette::Disabled, QPalette::Text) : QColor(0x00, 0x00, 0x80);
        painter->setPen(selected ? option.palette.highlightedText().color() : number);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text.left(split));
        const int column = 7 * option.fontMetrics.horizontalAdvance(QLatin1Char('M'));
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->drawText(area.adjusted(column, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(split).trimmed());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(TfrmBase::kItemHeight, option.fontMetrics.height() + 4));
        return size;
    }
};

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const char* icon,
                        const QString& hint) {
    auto* button = new QPushButton(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))), caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setStatusTip(hint);
    button->setToolTip(hint);
    button->setIconSize(QSize(18, 18));
    button->setStyleSheet(QStringLiteral("text-align: left; padding: 3px 8px;"));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmBase::TfrmBase(TBaseFrame& frame)
    : QMdiSubWindow(nullptr), frame_(frame), engine_(frame.ExpertSystem()), area_(frame.MdiArea()) {
    setObjectName(QStringLiteral("frmBase"));
    setAttribute(Qt::WA_DeleteOnClose);
    quorvel::gui::SetHelpContext(this, quorvel::gui::help::kRuleBase);
    setWindowIcon(QIcon(QStringLiteral(":/icons/base.svg")));
    setWindowTitle(QString::fromUtf8(quorvel::msg::NewBaseName));

    auto* content = new QWidget;
    auto* columns = new QHBoxLayout(content);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(6);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(3);
    btnNewRule = MakeButton(content, "btnNewRule", QStringLiteral("&Nova Regra"), "newrule",
                            QStringLiteral("Gera um modelo para criação de uma nova regra."));
    btnOpenRule = MakeButton(content, "btnOpenRule", QStringLiteral("Abrir &Regra"), "openrule",
                             QStringLiteral("Abre uma regra selecionada para edição."));
    btnDelete = MakeButton(content, "btnDelete", QStringLiteral("Exc&luir Regra"), "deleterule",
                           QStringLiteral("Exclui a regra selecionada ao lado."));
    btnView = MakeButton(content, "btnView", QStringLiteral("Visuali&zar"), "view",
                         QStringLiteral("Visualiza todas as regra contruídas."));
    btnVars = MakeButton(content, "btnVars", QStringLiteral("&Variáveis"), "vars",
                         QStringLiteral("Edita as variáveis da base."));
    btnTargets = MakeButton(content, "btnTargets", QStringLiteral("&Objetivos"), "targets",
                            QStringLiteral("Define os objetivos do Sistema Especialista."));
    btnQuestions = MakeButton(content, "btnQuestions", QStringLiteral("&Interface"), "questions",
                              QStringLiteral("Define a interface com o usuário final da base."));
    btnInfo = MakeButton(content, "btnInfo", QStringLiteral("Infor&mações"), "info",
                         QStringLiteral("Define as informações gerais e contextos de ajuda."));
    btnClose = MakeButton(content, "btnClose", QStringLiteral("&Fechar"), "close",
                          QStringLiteral("Fecha a base de conhecimentos."));
    for (QPushButton* button : {btnNewRule, btnOpenRule, btnDelete, btnView}) buttons->addWidget(button);
    buttons->addSpacing(8);
    for (QPushButton* button : {btnVars, btnTargets, btnQuestions, btnInfo}) buttons->addWidget(button);
    buttons->addSpacing(8);
    buttons->addWidget(btnClose);
    buttons->addStretch(1);
    auto* product = new TGradientCaption(QStringLiteral("Quorvel"), content);
    product->setObjectName(QStringLiteral("labelProduct"));
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setItalic(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.3);
    product->setFont(productFont);
    product->setMinimumHeight(34);
    buttons->addWidget(product);
    columns->addLayout(buttons);

    listRules = new TRowListView(content);
    listRules->setObjectName(QStringLiteral("listRules"));
    rules_ = new TRuleRows(engine_, listRules);
    listRules->setModel(rules_);
    // Rules are reordered by dragging, with a cursor of their own.
    ruleDragger_ = new TRowDragger(listRules);
    ruleDragger_->SetDragCursor(quorvel::gui::DragRuleCursor());
    listRules->setItemDelegate(new TRuleRowDelegate(listRules));
    quorvel::gui::ShowFullTextTips(listRules);
    listRules->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    columns->addWidget(listRules, 1);
    setWidget(content);

    MakeCommand(TBaseCommand::NewRule, btnNewRule, &TfrmBase::btnNewRuleClick);
    MakeCommand(TBaseCommand::OpenRule, btnOpenRule, &TfrmBase::btnOpenRuleClick);
    MakeCommand(TBaseCommand::Delete, btnDelete, &TfrmBase::btnDeleteClick);
    MakeCommand(TBaseCommand::View, btnView, &TfrmBase::btnViewClick);
    MakeCommand(TBaseCommand::Vars, btnVars, &TfrmBase::btnVarsClick);
    MakeCommand(TBaseCommand::Targets, btnTargets, &TfrmBase::btnTargetsClick);
    MakeCommand(TBaseCommand::Questions, btnQuestions, &TfrmBase::btnQuestionsClick);
    MakeCommand(TBaseCommand::Info, btnInfo, &TfrmBase::btnInfoClick);
    for (TBaseCommand command : {TBaseCommand::OpenRule, TBaseCommand::Delete, TBaseCommand::View})
        SetCommandEnabled(command, false);
    connect(btnClose, &QPushButton::clicked, this, &TfrmBase::btnCloseClick);
    connect(listRules, &TRowListView::currentRowChanged, this, [this] { listRulesClick(); });
    connect(listRules, &QAbstractItemView::doubleClicked, this, [this] {
        if (Command(TBaseCommand::OpenRule)->isEnabled()) btnOpenRuleClick();
    });
    connect(ruleDragger_, &TRowDragger::rowDropped, this, &TfrmBase::listRulesDragDrop);
    // The Del key deletes the selected rule wherever the focus is in the window.
    listRules->installEventFilter(this);
    for (QPushButton* button : findChildren<QPushButton*>()) button->installEventFilter(this);

    engine_.ClearBase();
    modified_ = false;
    area_->addSubWindow(this);
    resize(336, 331);
    move(0, 0);
    frame_.BaseWindowCreated(this);
}

TfrmBase::~TfrmBase() { DropOwnWindows(); }

void TfrmBase::SetModified(bool modified) {
    modified_ = modified;
    static const QString mark = QStringLiteral(" *");
    QString title = windowTitle();
    if (title.endsWith(mark)) title.chop(mark.size());
    setWindowTitle(modified ? title + mark : title);
}

void TfrmBase::MakeCommand(TBaseCommand which, QPushButton* button, void (TfrmBase::*run)()) {
    auto* command = new QAction(button->text(), this);
    command->setStatusTip(button->statusTip());
    commands_[static_cast<std::size_t>(which)] = command;
    connect(command, &QAction::triggered, this, run);
    connect(button, &QPushButton::clicked, command, &QAction::trigger);
    connect(command, &QAction::changed, button, [button, command] { button->setEnabled(command->isEnabled()); });
}

void TfrmBase::SetCommandEnabled(TBaseCommand which, bool enabled) { Command(which)->setEnabled(enabled); }

bool TfrmBase::CommandAvailable(TBaseCommand which) const { return isEnabled() && Command(which)->isEnabled(); }

void TfrmBase::RefillRules() {
    const QSignalBlocker quiet(listRules);
    rules_->Refill();
}

void TfrmBase::RebuildRows(int first, int last) { rules_->Reread(first, last); }

int TfrmBase::RuleCount() const { return rules_->rowCount(); }

int TfrmBase::RuleRow(int32_t ruleCode) const { return rules_->RowOf(ruleCode); }

void TfrmBase::SelectFirstRule() { EnableRuleCommands(); }

void TfrmBase::EnableRuleCommands() {
    for (TBaseCommand command : {TBaseCommand::OpenRule, TBaseCommand::View, TBaseCommand::Delete})
        SetCommandEnabled(command, true);
    emit ruleCommandsChanged(true);
    listRules->setCurrentRow(0);
    emit ruleSelected(1);
}

void TfrmBase::DisableRuleCommands() {
    for (TBaseCommand command : {TBaseCommand::OpenRule, TBaseCommand::View, TBaseCommand::Delete})
        SetCommandEnabled(command, false);
    emit ruleCommandsChanged(false);
    emit ruleSelected(0);
}

void TfrmBase::listRulesClick() {
    const int row = listRules->currentRow();
    if (row >= 0) emit ruleSelected(row + 1);
}

// ------------------------------------------------------------------ closing

bool TfrmBase::CloseQuery() {
    saveCancelled_ = false;
    if (!modified_ || dropped_) return true;
    switch (frame_.Sink().ShowMessage(quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNoCancel,
                                      "Salvar as modificações feitas?")) {
        case quorvel::TMsgResult::Yes:
            frame_.SaveBase();
            return !saveCancelled_;
        case quorvel::TMsgResult::No:
            return true;
        default:
            return false;
    }
}

void TfrmBase::DropWithoutQuery() { dropped_ = true; }

void TfrmBase::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    closed_ = true;
    // What is pending in the rule windows and editors is dropped with them.
    DropOwnWindows();
    frame_.BaseWindowClosed(this, !dropped_);
    QMdiSubWindow::closeEvent(event);
}

void TfrmBase::DropOwnWindows() {
    std::vector<QPointer<QMdiSubWindow>> owned;
    for (auto& [key, window] : ruleWindows_) owned.emplace_back(window.data());
    for (auto& [kind, editor] : editors_) owned.push_back(editor);
    ruleWindows_.clear();
    editors_.clear();
    for (const QPointer<QMdiSubWindow>& window : owned)
        if (window) delete window.data();
}

bool TfrmBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        Command(TBaseCommand::Delete)->isEnabled() && listRules->currentRow() >= 0) {
        btnDeleteClick();
        return true;
    }
    // Ctrl+Up and Ctrl+Down move the selected rule one place, as dragging
    // it onto its neighbour would.
    if (watched == listRules && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int row = listRules->currentRow();
        const int step = key->key() == Qt::Key_Up ? -1 : key->key() == Qt::Key_Down ? 1 : 0;
        if (step != 0 && key->modifiers() == Qt::ControlModifier) {
            if (row >= 0 && row + step >= 0 && row + step < listRules->count()) listRulesDragDrop(row, row + step);
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

// ------------------------------------------------------------------ rules

bool TfrmBase::MayAlter() {
    if (engine_.MayBeAltered()) return true;
    frame_.Sink().ShowMessage(quorvel::TMsgKind::Information, quorvel::TMsgButtons::Ok,
                              quorvel::msg::NoAlterPermission);
    return false;
}

// A new rule: the order it gets and, optionally, an existing rule whose lines
// it starts with. Whether the base may be altered is checked when it is saved.
void TfrmBase::btnNewRuleClick() {
    TdialogNewRule& dialog = TdialogNewRule::Instance(window());
    const int count = RuleCount();
    if (!dialog.Ask(count)) return;
    int32_t model = 0;
    if (dialog.ModelIndex() > 0) {
        quorvel::TRules& rules = engine_.Rules();
        const auto cursors = rules.SaveCursors();
        if (rules.FindByOrder(count + 1 - dialog.ModelIndex())) model = rules.CurrentVal()->Code;
        rules.RestoreCursors(cursors);
    }
    auto* window = new TfrmRule(*this);
    window->Load(model, dialog.Order(), model != 0, "sem nome");
    ruleWindows_[QStringLiteral("N%1").arg(++newRuleSerial_)] = window;
    window->show();
    window->setFocus();
}

void TfrmBase::btnOpenRuleClick() {
    const int row = listRules->currentRow();
    if (row < 0) return;
    const int32_t code = rules_->CodeAt(row);
    const QString key = QStringLiteral("R%1").arg(code);
    const auto open = ruleWindows_.find(key);
    if (open != ruleWindows_.end() && open->second) {
        open->second->showNormal();
        area_->setActiveSubWindow(open->second);
        open->second->raise();
        return;
    }
    quorvel::TRules& rules = engine_.Rules();
    const auto cursors = rules.SaveCursors();
    if (!rules.Find(code)) {
        rules.RestoreCursors(cursors);
        return;
    }
    const int32_t order = rules.CurrentVal()->VarCode;
    const std::string name = rules.CurrentVal()->Name;
    rules.RestoreCursors(cursors);
    auto* window = new TfrmRule(*this);
    window->Load(code, order, false, name);
    ruleWindows_[key] = window;
    window->show();
    window->setFocus();
}

void TfrmBase::btnDeleteClick() {
    const int row = listRules->currentRow();
    if (row < 0 || !MayAlter()) return;
    if (frame_.Sink().ShowMessage(quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNo,
                                  quorvel::msg::DeleteRuleQuestion) != quorvel::TMsgResult::Yes)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int32_t code = rules_->CodeAt(row);
    // A window still open on the rule could only write back a rule that is gone.
    const auto open = ruleWindows_.find(QStringLiteral("R%1").arg(code));
    if (open != ruleWindows_.end() && open->second) open->second->CloseUnsaved();
    quorvel::RemoveRule(engine_, code);
    {
        const QSignalBlocker quiet(listRules);
        rules_->Remove(row);
    }
    RebuildRows(row, listRules->count() - 1);
    if (listRules->count() > 0) {
        listRules->setCurrentRow(std::max(0, row - 1));
        listRulesClick();
    } else {
        DisableRuleCommands();
        emit commandsChanged();
    }
    RenumberRuleWindows();
    SetModified(true);
    engine_.BaseEdited();
    QApplication::restoreOverrideCursor();
}

void TfrmBase::listRulesDragDrop(int from, int to) {
    if (from == to || from < 0 || to < 0 || !MayAlter()) return;
    quorvel::MoveRule(engine_, from + 1, to + 1);
    RebuildRows(std::min(from, to), std::max(from, to));
    listRules->setCurrentRow(to);
    listRulesClick();
    RenumberRuleWindows();
    SetModified(true);
    engine_.BaseEdited();
}

void TfrmBase::RenumberRuleWindows() {
    quorvel::TRules& rules = engine_.Rules();
    const auto cursors = rules.SaveCursors();
    for (auto& [key, window] : ruleWindows_) {
        if (!window || window->RuleCode() == 0 || !rules.Find(window->RuleCode())) continue;
        window->RuleRenumbered(rules.CurrentVal()->VarCode);
    }
    rules.RestoreCursors(cursors);
}

void TfrmBase::btnViewClick() {
    TdialogView& dialog = TdialogView::Instance(window());
    if (!dialog.Ask(engine_)) return;
    // The viewer belongs to the frame: it may outlive this window.
    TBaseFrame* frame = &frame_;
    auto* view = new TfrmView(area_, [frame] { frame->PrintBase(); });
    view->Show(engine_, dialog.OnlyChosen(), dialog.Chosen());
    view->show();
}

// ----------------------------------------------------------------- editors

QMdiSubWindow* TfrmBase::Editor(TEditorKind kind) const {
    const auto found = editors_.find(kind);
    return found == editors_.end() ? nullptr : found->second.data();
}

bool TfrmBase::EditorOpen(TEditorKind kind) const { return Editor(kind) != nullptr; }

void TfrmBase::EditorClosed(TEditorKind kind) { editors_.erase(kind); }

void TfrmBase::OpenEditor(TEditorKind kind) {
    if (EditorOpen(kind)) return;
    QMdiSubWindow* editor = nullptr;
    switch (kind) {
        case TEditorKind::Variables:
            editor = new TfrmVars(*this);
            break;
        case TEditorKind::Targets:
            editor = new TfrmTargets(*this);
            break;
        case TEditorKind::Questions:
            editor = new TfrmQuestions(*this);
            break;
        case TEditorKind::Infos:
            editor = new TfrmInfos(*this);
            break;
    }
    editors_[kind] = editor;
    editor->show();
    editor->setFocus();
}

void TfrmBase::btnVarsClick() { OpenEditor(TEditorKind::Variables); }
void TfrmBase::btnTargetsClick() { OpenEditor(TEditorKind::Targets); }
void TfrmBase::btnQuestionsClick() { OpenEditor(TEditorKind::Questions); }
void TfrmBase::btnInfoClick() { OpenEditor(TEditorKind::Infos); }

void TfrmBase::btnCloseClick() { close(); }

// ------------------------------------------------------------ TEditorHost

void TfrmBase::RuleSaved(TfrmRule* /*window*/, const quorvel::TRuleDraft::TSaved& saved) {
    if (saved.NewRule) rules_->Append(saved.RuleCode);
    if (!Command(TBaseCommand::OpenRule)->isEnabled()) {
        EnableRuleCommands();
        emit commandsChanged();
    }
    RebuildRows(std::min(saved.NewOrder, saved.OldOrder) - 1, std::max(saved.NewOrder, saved.OldOrder) - 1);
    listRules->setCurrentRow(saved.NewOrder - 1);
    listRulesClick();
    RenumberRuleWindows();
    SetModified(true);
    engine_.BaseEdited();
}

void TfrmBase::RuleWindowClosed(TfrmRule* window) {
    for (auto it = ruleWindows_.begin(); it != ruleWindows_.end();) {
        if (!it->second || it->second == window)
            it = ruleWindows_.erase(it);
        else
            ++it;
    }
}

void TfrmBase::NewRuleCommand() {
    if (Command(TBaseCommand::NewRule)->isEnabled()) btnNewRuleClick();
}

void TfrmBase::CloseRuleWindowsUsing(const quorvel::TLineUse& use, const std::set<int32_t>& rules) {
    std::vector<QPointer<TfrmRule>> doomed;
    for (auto& [key, window] : ruleWindows_)
        if (window && (rules.count(window->RuleCode()) || window->Uses(use))) doomed.push_back(window);
    for (const QPointer<TfrmRule>& window : doomed)
        if (window) window->CloseUnsaved();
}

void TfrmBase::VariableDeleted(int32_t varCode, const std::string& name) {
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* panel = qobject_cast<TWatchPanel*>(widget)) panel->RemoveVariable(varCode, name);
}

void TfrmBase::VariablesApplied(const quorvel::TVarsDraft::TApplied& applied) {
    if (!applied.DeletedRules.empty()) {
        // The rules that went leave no rows behind, and the numbers were closed up.
        const int selected = listRules->currentRow();
        RefillRules();
        if (listRules->count() > 0) listRules->setCurrentRow(std::clamp(selected, 0, listRules->count() - 1));
        RenumberRuleWindows();
    }
    const bool variables = engine_.Vars().Count() > 0;
    SetCommandEnabled(TBaseCommand::NewRule, variables);
    if (variables && listRules->count() > 0) {
        const int selected = std::max(0, listRules->currentRow());
        EnableRuleCommands();
        listRules->setCurrentRow(selected);
        listRulesClick();
    } else {
        DisableRuleCommands();
    }
    emit commandsChanged();
    SetModified(true);
    engine_.BaseEdited();
}
