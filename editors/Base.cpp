#include "Base.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "ExConsts.h"
#include "ExSystem.h"
#include "ExText.h"
#include "GradientCaption.h"
#include "Help.h"
#include "Main.h"

void SetButtonHint(QAction* button, const QString& hint);

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
        painter->setPen(selected ? option.palette.highlightedText().color() : QColor(0x00, 0x00, 0x80));
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text.left(split));
        const int column = 7 * option.fontMetrics.horizontalAdvance(QLatin1Char('M'));
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->drawText(area.adjusted(column, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(split).trimmed());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(13, option.fontMetrics.height() + 4));
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

TfrmBase::TfrmBase(TfrmMain& main, QMdiArea* area) : QMdiSubWindow(nullptr), main_(main), engine_(main.ExpertSystem()) {
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

    listRules = new QListWidget(content);
    listRules->setObjectName(QStringLiteral("listRules"));
    listRules->setItemDelegate(new TRuleRowDelegate(listRules));
    listRules->setUniformItemSizes(true);
    listRules->setSelectionMode(QAbstractItemView::SingleSelection);
    listRules->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    columns->addWidget(listRules, 1);
    setWidget(content);

    for (QPushButton* button : {btnOpenRule, btnDelete, btnView}) button->setEnabled(false);
    connect(btnNewRule, &QPushButton::clicked, this, [this] { btnNewRuleClick(btnNewRule); });
    connect(btnOpenRule, &QPushButton::clicked, this, [this] { btnOpenRuleClick(btnOpenRule); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(btnDelete); });
    connect(btnView, &QPushButton::clicked, this, [this] { btnViewClick(btnView); });
    connect(btnVars, &QPushButton::clicked, this, [this] { btnVarsClick(btnVars); });
    connect(btnTargets, &QPushButton::clicked, this, [this] { btnTargetsClick(btnTargets); });
    connect(btnQuestions, &QPushButton::clicked, this, [this] { btnQuestionsClick(btnQuestions); });
    connect(btnInfo, &QPushButton::clicked, this, [this] { btnInfoClick(btnInfo); });
    connect(btnClose, &QPushButton::clicked, this, &TfrmBase::btnCloseClick);
    connect(listRules, &QListWidget::currentRowChanged, this, [this] { listRulesClick(); });
    connect(listRules, &QListWidget::itemDoubleClicked, this, [this] {
        if (btnOpenRule->isEnabled()) btnOpenRuleClick(btnOpenRule);
    });

    engine_.ClearBase();
    modified_ = false;
    area->addSubWindow(this);
    resize(336, 331);
    move(0, 0);
    main_.BaseWindowCreated(this);
}

TfrmBase::~TfrmBase() = default;

QString TfrmBase::RuleRowText(int32_t order, const std::string& name) {
    return QStringLiteral("REGRA  %1     %2").arg(order).arg(QString::fromStdString(quorvel::Cp1252ToUtf8(name)));
}

void TfrmBase::RefillRules() {
    listRules->clear();
    for (const quorvel::TNode* node : engine_.Rules().Records(quorvel::kKeyThird)) {
        const auto* rule = static_cast<const quorvel::TValNode*>(node);
        auto* row = new QListWidgetItem(RuleRowText(rule->VarCode, rule->Name), listRules);
        row->setData(kRuleCodeRole, rule->Code);
        row->setData(kRuleOrderRole, rule->VarCode);
    }
}

int TfrmBase::RuleCount() const { return listRules->count(); }

void TfrmBase::SelectFirstRule() { EnableRuleCommands(); }

void TfrmBase::EnableRuleCommands() {
    for (QPushButton* button : {btnOpenRule, btnView, btnDelete}) button->setEnabled(true);
    for (QAction* command : {main_.btnWatch, main_.btnOpenRule, main_.btnView, main_.btnDelete, main_.btnPrint,
                             main_.btnGo, main_.btnStep})
        command->setEnabled(true);
    main_.mnuExecute->menuAction()->setEnabled(true);
    main_.mnuDebug->menuAction()->setEnabled(true);
    listRules->setCurrentRow(0);
    SetButtonHint(main_.btnOpenRule, QStringLiteral("Abrir Regra 1|Abre uma regra selecionada para edição."));
    SetButtonHint(main_.btnDelete, QStringLiteral("Excluir Regra 1|Exclui a regra selecionada na lista."));
}

void TfrmBase::DisableRuleCommands() {
    for (QPushButton* button : {btnOpenRule, btnView, btnDelete}) button->setEnabled(false);
    for (QAction* command :
         {main_.btnWatch, main_.btnOpenRule, main_.btnView, main_.btnDelete, main_.btnGo, main_.btnStep})
        command->setEnabled(false);
    main_.mnuExecute->menuAction()->setEnabled(false);
    main_.mnuDebug->menuAction()->setEnabled(false);
    SetButtonHint(main_.btnOpenRule, QStringLiteral("Abrir Regra|Abre uma regra selecionada para edição."));
    SetButtonHint(main_.btnDelete, QStringLiteral("Excluir Regra|Exclui a regra selecionada na lista."));
}

void TfrmBase::listRulesClick() {
    const int row = listRules->currentRow();
    if (row < 0) return;
    SetButtonHint(main_.btnOpenRule,
                  QStringLiteral("Abrir Regra %1|Abre uma regra selecionada para edição.").arg(row + 1));
    SetButtonHint(main_.btnDelete,
                  QStringLiteral("Excluir Regra %1|Exclui a regra selecionada na lista.").arg(row + 1));
}

// ------------------------------------------------------------------ closing

bool TfrmBase::CloseQuery() {
    saveCancelled_ = false;
    if (!modified_ || dropped_) return true;
    switch (main_.Sink().ShowMessage(quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNoCancel,
                                     "Salvar as modificações feitas?")) {
        case quorvel::TMsgResult::Yes:
            main_.btnSaveClick();
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
    main_.BaseWindowClosed(this, !dropped_);
    QMdiSubWindow::closeEvent(event);
}

// ------------------------------------------------------------------ buttons

bool TfrmBase::ButtonEnabled(const QString& name) const {
    const auto* button = findChild<QPushButton*>(name);
    return button && button->isEnabled();
}

void TfrmBase::ButtonClick(const QString& name) {
    QPushButton* button = findChild<QPushButton*>(name);
    if (!button || !button->isEnabled()) return;
    button->click();
}

// The rule window (new and existing rules), the deletion and reordering of
// rules, the rule viewer and the four editors come with the editors; the
// handlers are their points of attachment.
void TfrmBase::btnNewRuleClick(QPushButton* /*sender*/) {}
void TfrmBase::btnOpenRuleClick(QPushButton* /*sender*/) {}
void TfrmBase::btnDeleteClick(QPushButton* /*sender*/) {}
void TfrmBase::btnViewClick(QPushButton* /*sender*/) {}
void TfrmBase::btnVarsClick(QPushButton* /*sender*/) {}
void TfrmBase::btnTargetsClick(QPushButton* /*sender*/) {}
void TfrmBase::btnQuestionsClick(QPushButton* /*sender*/) {}
void TfrmBase::btnInfoClick(QPushButton* /*sender*/) {}

void TfrmBase::btnCloseClick() { close(); }
