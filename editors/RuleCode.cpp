#include "RuleCode.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>
#include <optional>

#include "CodeRows.h"
#include "EditorCommon.h"
#include "EditorHost.h"
#include "ExSystem.h"
#include "Help.h"
#include "Ruleedit.h"
#include "DialogStacking.h"

namespace gui = quorvel::gui;

namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kRed(0xC0, 0x00, 0x00);

// "SE" and "ENTÃO" in red, the lines in navy; a line that starts with a
// connective has it in red at the left and the rest from three widths of
// "M" on, so the premises line up after "E" and "OU".
class TRuleLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        const QString text = index.data(Qt::DisplayRole).toString();
        const QRect area = option.rect.adjusted(4, 0, -2, 0);
        const QColor white = option.palette.highlightedText().color();
        painter->setFont(option.font);
        const bool keyword = index.row() == 0 || text == QStringLiteral("ENTÃO");
        const QString head = text.left(3);
        const bool connective = head == QStringLiteral("E  ") || head == QStringLiteral("OU ");
        if (connective) {
            painter->setPen(selected ? white : kRed);
            painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, head.trimmed());
            const int column = 3 * option.fontMetrics.horizontalAdvance(QLatin1Char('M'));
            painter->setPen(selected ? white : kNavy);
            painter->drawText(area.adjusted(column, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(3));
        } else {
            painter->setPen(selected ? white : keyword ? kRed : kNavy);
            QString shown = text;
            // The first premise's three blanks stand for the column of the connectives.
            if (shown.startsWith(QLatin1String("   "))) {
                const int column = 3 * option.fontMetrics.horizontalAdvance(QLatin1Char('M'));
                painter->drawText(area.adjusted(column, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, shown.mid(3));
            } else {
                painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shown);
            }
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                      3 * option.fontMetrics.horizontalAdvance(QLatin1Char('M')) + 8);
        size.setHeight(std::max(TfrmRule::kItemHeight, option.fontMetrics.height() + 3));
        return size;
    }
};

}  // namespace

TfrmRule::TfrmRule(TEditorHost& host) : QMdiSubWindow(nullptr), host_(host), draft_(host.Engine()) {
    setObjectName(QStringLiteral("frmRule"));
    setAttribute(Qt::WA_DeleteOnClose);
    gui::SetHelpContext(this, gui::help::kRuleWindow);
    setWindowIcon(QIcon(QStringLiteral(":/icons/openrule.svg")));

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* panelName = new QFrame(content);
    panelName->setObjectName(QStringLiteral("panelName"));
    auto* nameRow = new QHBoxLayout(panelName);
    nameRow->setContentsMargins(0, 0, 0, 0);
    editName = new QLineEdit(panelName);
    editName->setObjectName(QStringLiteral("editName"));
    editName->setMaxLength(static_cast<int>(quorvel::kShortStringMax));
    editOrder = new QLineEdit(panelName);
    editOrder->setObjectName(QStringLiteral("editOrder"));
    editOrder->setMaximumWidth(70);
    auto* labelName = new QLabel(QStringLiteral("Nome da regra:"), panelName);
    labelName->setBuddy(editName);
    auto* labelOrder = new QLabel(QStringLiteral("Ordem:"), panelName);
    labelOrder->setBuddy(editOrder);
    nameRow->addWidget(labelName);
    nameRow->addWidget(editName, 1);
    nameRow->addSpacing(8);
    nameRow->addWidget(labelOrder);
    nameRow->addWidget(editOrder);
    layout->addWidget(panelName);

    auto* body = new QHBoxLayout;
    auto* panelRules = new QVBoxLayout;
    listRules = new TCodeList(false, content);
    listRules->setObjectName(QStringLiteral("listRules"));
    listRules->setItemDelegate(new TRuleLineDelegate(listRules));
    // The lines are as wide as their texts: the list scrolls to the widest.
    listRules->setUniformItemSizes(false);
    listRules->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont lines = listRules->font();
    lines.setBold(true);
    listRules->setFont(lines);
    listRules->hide();  // until loaded
    panelRules->addWidget(listRules, 1);
    auto* lineButtons = new QHBoxLayout;
    btnNew = gui::MakeButton(content, "btnNew", QStringLiteral("&Incluir"));
    btnChange = gui::MakeButton(content, "btnChange", QStringLiteral("Altera&r"));
    btnDel = gui::MakeButton(content, "btnDel", QStringLiteral("E&xcluir"));
    for (QPushButton* button : {btnNew, btnChange, btnDel}) lineButtons->addWidget(button);
    lineButtons->addStretch(1);
    panelRules->addLayout(lineButtons);
    body->addLayout(panelRules, 1);

    auto* side = new QVBoxLayout;
    btnNextRule = gui::MakeButton(content, "btnNextRule", QStringLiteral("&Nova..."));
    gui::SetHint(btnNextRule, QStringLiteral("Fecha essa regra e cria uma nova."));
    btnOk = gui::MakeButton(content, "btnOk", QStringLiteral("&OK"));
    btnCancel = gui::MakeButton(content, "btnCancel", QStringLiteral("Cance&lar"));
    btnHelp = gui::MakeButton(content, "btnHelp", QStringLiteral("Ajuda"));
    for (QPushButton* button : {btnNextRule, btnOk, btnCancel, btnHelp}) side->addWidget(button);
    side->addStretch(1);
    body->addLayout(side);
    layout->addLayout(body, 1);
    setWidget(content);

    btnChange->setEnabled(false);
    btnDel->setEnabled(false);
    connect(btnNew, &QPushButton::clicked, this, &TfrmRule::btnNewClick);
    connect(btnChange, &QPushButton::clicked, this, &TfrmRule::btnChangeClick);
    connect(btnDel, &QPushButton::clicked, this, &TfrmRule::btnDelClick);
    connect(btnNextRule, &QPushButton::clicked, this, &TfrmRule::btnNextRuleClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmRule::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmRule::btnCancelClick);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { gui::ShowHelpContext(this, gui::ProgramHelpFile(), gui::help::kRuleWindow); });
    connect(listRules, &TRowListView::currentRowChanged, this, [this] { listRulesClick(); });
    connect(listRules, &QAbstractItemView::doubleClicked, this, [this] {
        if (btnChange->isEnabled()) btnChangeClick();
    });
    // The Del key deletes the selected line wherever the focus is in the window.
    for (QWidget* widget :
         std::initializer_list<QWidget*>{listRules, btnNew, btnChange, btnDel, btnNextRule, btnOk, btnCancel, btnHelp})
        widget->installEventFilter(this);

    host_.EditorArea()->addSubWindow(this);
    gui::KeepMinimumSize(this, QSize(kMinimumWidth, kMinimumHeight));
    resize(kMinimumWidth + 40, kMinimumHeight + 60);
}

TfrmRule::~TfrmRule() = default;

bool TfrmRule::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        btnDel->isEnabled()) {
        btnDelClick();
        return true;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TfrmRule::Load(int32_t code, int32_t order, bool copy, const std::string& name) {
    ruleCode_ = code < 1 || copy ? 0 : code;
    draft_.Load(code, copy);
    shownOrder_ = order;
    setWindowTitle(QStringLiteral("Regra %1").arg(order));
    editName->setText(gui::Screen(name));
    editOrder->setText(QString::number(order));
    listRules->show();
    RefreshRows(0);
    btnNew->setFocus();
}

void TfrmRule::RefreshRows(int select) {
    const QSignalBlocker quiet(listRules);
    std::vector<TCodeRows::TRow> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, draft_.RowCount())));
    for (int row = 0; row < draft_.RowCount(); ++row) rows.push_back({gui::Screen(draft_.RowText(row)), row});
    listRules->Rows().Assign(std::move(rows));
    listRules->setCurrentRow(std::clamp(select, 0, draft_.RowCount() - 1));
    SetLineButtons();
}

int TfrmRule::SelectedRow() const { return listRules->currentRow(); }

void TfrmRule::SelectRow(int row) {
    listRules->setCurrentRow(row);
    SetLineButtons();
}

void TfrmRule::SetLineButtons() {
    const int row = listRules->currentRow();
    btnNew->setEnabled(row >= 0);
    const bool line = draft_.IsPremise(row) || draft_.IsConclusion(row);
    btnChange->setEnabled(line);
    btnDel->setEnabled(line);
}

void TfrmRule::listRulesClick() { SetLineButtons(); }

bool TfrmRule::Uses(const quorvel::TLineUse& use) const { return draft_.Uses(use); }

bool TfrmRule::InsertPremise(int row, const quorvel::TLineInput& line) {
    const int inserted = draft_.InsertPremise(row, line);
    if (inserted < 0) {
        gui::Error(this, draft_.Problem());
        return false;
    }
    RefreshRows(inserted);
    return true;
}

bool TfrmRule::InsertConclusion(int row, const quorvel::TLineInput& line) {
    const int inserted = draft_.InsertConclusion(row, line);
    if (inserted < 0) {
        gui::Error(this, draft_.Problem());
        return false;
    }
    RefreshRows(inserted);
    return true;
}

void TfrmRule::btnNewClick() {
    const int row = std::max(0, SelectedRow());
    TdialogEditRule& editor = TdialogEditRule::Instance(this);
    editor.FillVariables(host_.Engine());
    editor.SetUp(this, row < draft_.ThenRow(), true, row == 0);
    quorvel::gui::ExecModal(editor);
}

void TfrmRule::btnChangeClick() {
    const int row = SelectedRow();
    if (!draft_.IsPremise(row) && !draft_.IsConclusion(row)) return;
    const quorvel::TRuleLine line = draft_.Line(row);
    TdialogEditRule& editor = TdialogEditRule::Instance(this);
    editor.FillVariables(host_.Engine());
    editor.SetUp(this, line.Premise, false, row == 1);
    if (line.Premise) {
        std::optional<int32_t> above;
        if (row > 1) above = draft_.Line(row - 1).Connective;
        editor.FillPremise(line.VarCode, line.Operator, line.Negated, above, line.ValueCode, draft_.ValueText(line));
    } else {
        editor.FillConclusion(line.VarCode, line.ValueCode, line.Cnf, draft_.ValueText(line));
    }
    if (quorvel::gui::ExecModal(editor) != QDialog::Accepted) return;
    const bool changed = line.Premise ? draft_.ChangePremise(row, editor.Result(), editor.ConnectiveEnabled())
                                      : draft_.ChangeConclusion(row, editor.Result());
    if (!changed) gui::Error(this, draft_.Problem());
    RefreshRows(row);
}

void TfrmRule::btnDelClick() {
    const int row = SelectedRow();
    if (!draft_.IsPremise(row) && !draft_.IsConclusion(row)) return;
    RefreshRows(draft_.DeleteRow(row));
}

bool TfrmRule::Validate() {
    const std::string problem = draft_.StructureProblem();
    if (!problem.empty()) {
        gui::Error(this, problem);
        return false;
    }
    const QString order = editOrder->text().trimmed();
    if (order.isEmpty()) {
        gui::Warn(this, quorvel::msg::RuleNeedsOrder);
        editOrder->setFocus();
        return false;
    }
    bool isNumber = false;
    order.toLongLong(&isNumber);
    if (!isNumber) {
        gui::Warn(this, quorvel::msg::InvalidRuleOrder);
        editOrder->setFocus();
        return false;
    }
    if (!gui::TypedBaseText(this, editName->text(), "O nome da regra")) {
        editName->setFocus();
        return false;
    }
    return true;
}

void TfrmRule::btnOkClick() {
    saveFlag_ = true;
    close();
}

void TfrmRule::btnCancelClick() {
    saveFlag_ = false;
    close();
}

void TfrmRule::btnNextRuleClick() {
    if (!Validate()) return;
    nextRule_ = true;
    saveFlag_ = true;
    close();
}

void TfrmRule::RuleRenumbered(int32_t order) {
    if (order == shownOrder_) return;
    if (editOrder->text().trimmed() == QString::number(shownOrder_)) editOrder->setText(QString::number(order));
    shownOrder_ = order;
    setWindowTitle(QStringLiteral("Regra %1").arg(order));
}

void TfrmRule::CloseUnsaved() {
    saveFlag_ = false;
    nextRule_ = false;
    close();
}

void TfrmRule::closeEvent(QCloseEvent* event) {
    if (closed_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    quorvel::TExpertSystem& engine = host_.Engine();
    bool refused = false;
    std::optional<quorvel::TRuleDraft::TSaved> saved;
    if (saveFlag_) {
        if (!Validate()) {
            nextRule_ = false;
            event->ignore();
            return;
        }
        if (engine.MayBeAltered()) {
            const std::string name = gui::TypedBaseText(this, editName->text(), "O nome da regra").value_or("");
            const long long typed = editOrder->text().trimmed().toLongLong();
            const auto order = static_cast<int32_t>(
                std::clamp<long long>(typed, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
            saved = draft_.Save(ruleCode_, name, order);
            if (!saved) {
                gui::Error(this, draft_.Problem());
                if (draft_.Problem() != quorvel::msg::RuleNoLongerExists) {
                    // The base is full: the window stays open, so nothing typed is lost.
                    nextRule_ = false;
                    event->ignore();
                    return;
                }
                draft_.Discard();
            }
        } else {
            draft_.Discard();
            refused = true;
        }
    } else {
        draft_.Discard();
    }
    closed_ = true;
    if (saved) host_.RuleSaved(this, *saved);
    host_.RuleWindowClosed(this);
    event->accept();
    QMdiSubWindow::closeEvent(event);
    if (refused) gui::Inform(host_.HostWidget(), quorvel::msg::NoAlterPermission);
    if (nextRule_) {
        TEditorHost* host = &host_;
        QTimer::singleShot(0, host_.HostWidget(), [host] { host->NewRuleCommand(); });
    }
}
