#include "Depend.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "Help.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

// The images live in a static library: they are registered on first use.
static void InitDependResources() { Q_INIT_RESOURCE(depend); }

using quorvel::TDependKind;
using quorvel::gui::ScreenText;

namespace {

constexpr int kNodeRole = Qt::UserRole;       // an item's node index
constexpr int kImageRole = Qt::UserRole + 1;  // the image of its kind
constexpr int kTreeHeight = 260;
constexpr int kListMinimum = 20;
constexpr int kListMaximum = 280;

// Shows the hourglass for as long as it lives, also when building fails.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Keeps a widget from repainting while many items change.
class TUpdatesSuspended {
public:
    explicit TUpdatesSuspended(QWidget* widget) : widget_(widget) { widget_->setUpdatesEnabled(false); }
    ~TUpdatesSuspended() { widget_->setUpdatesEnabled(true); }
    TUpdatesSuspended(const TUpdatesSuspended&) = delete;
    TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

private:
    QWidget* widget_;
};

// An item whose image follows its state (ShownImage): opening and closing
// thousands of nodes then changes no item at all.
class TDependItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    QVariant data(int column, int role) const override {
        if (column == 0 && role == Qt::DecorationRole) return TdialogDepend::Image(TdialogDepend::ShownImage(this));
        return QTreeWidgetItem::data(column, role);
    }
};

void SetHint(QWidget* widget, const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(hint.left(bar));
    widget->setStatusTip(hint.mid(bar + 1));
}

}  // namespace

// Keeps the tree's one column at least as wide as the view, so that a
// selected row is marked across the whole view, while names deeper than the
// view widen it and bring the horizontal scroll bar. The widest row is
// measured once, when the tree is built: asking the view would lay out the
// text of every row at each change, far too slow for large trees.
class TFullWidthColumn : public QObject {
public:
    explicit TFullWidthColumn(QTreeWidget* tree) : QObject(tree), tree_(tree) {
        tree->header()->setSectionResizeMode(QHeaderView::Interactive);
        tree->header()->setStretchLastSection(false);
        tree->viewport()->installEventFilter(this);
    }

    void SetContentWidth(int width) {
        contentWidth_ = width;
        Fit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == tree_->viewport()) Fit();
        return false;
    }

private:
    void Fit() { tree_->header()->resizeSection(0, std::max(tree_->viewport()->width(), contentWidth_)); }

    QTreeWidget* tree_;
    int contentWidth_ = 0;
};

QIcon TdialogDepend::Image(int index) {
    static const std::array<QIcon, 4> images = [] {
        InitDependResources();
        std::array<QIcon, 4> loaded;
        const char* const names[] = {"variable", "expanded", "user", "conflict"};
        for (std::size_t i = 0; i < loaded.size(); ++i)
            loaded[i] = QIcon(QStringLiteral(":/depend/%1.png").arg(QLatin1String(names[i])));
        return loaded;
    }();
    if (index < 0 || index > 3) index = quorvel::kDependImageVariable;
    return images[static_cast<std::size_t>(index)];
}

int TdialogDepend::ShownImage(const QTreeWidgetItem* item) {
    const int image = item->data(0, kImageRole).toInt();
    if (image == quorvel::kDependImageVariable && item->isExpanded() && item->childCount() > 0)
        return quorvel::kDependImageExpanded;
    return image;
}

TdialogDepend::TdialogDepend(quorvel::TExpertSystem& expertSystem, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogDepend"));
    setWindowTitle(QStringLiteral("Dependências"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    quorvel::gui::InstallHelpKey(this, quorvel::gui::help::kDependencies);

    pages = new QTabWidget(this);
    pageVariables = new QWidget(pages);
    pages->addTab(pageVariables, QStringLiteral("Variáveis"));

    WinSplit = new QSplitter(Qt::Vertical, pageVariables);
    WinSplit->setObjectName(QStringLiteral("WinSplit"));
    WinSplit->setChildrenCollapsible(false);
    TreeView = new QTreeWidget(WinSplit);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setUniformRowHeights(true);
    TreeView->setMinimumHeight(60);
    fitColumn_ = new TFullWidthColumn(TreeView);
    listErrors = new QListWidget(WinSplit);
    listErrors->setObjectName(QStringLiteral("listErrors"));
    listErrors->setMinimumHeight(kListMinimum);
    listErrors->setMaximumHeight(kListMaximum);
    WinSplit->addWidget(TreeView);
    WinSplit->addWidget(listErrors);
    WinSplit->setStretchFactor(0, 1);
    WinSplit->setStretchFactor(1, 0);
    WinSplit->setSizes({kTreeHeight, 90});
    auto* pageLayout = new QVBoxLayout(pageVariables);
    pageLayout->addWidget(WinSplit);

    btnExpand = new QPushButton(QStringLiteral("&Expandir tudo"), this);
    btnExpand->setObjectName(QStringLiteral("btnExpand"));
    SetHint(btnExpand, QStringLiteral("Expandir tudo|Expande todos os nós da árvore de dependências."));
    btnExpand->setIcon(Image(quorvel::kDependImageExpanded));
    btnCollapse = new QPushButton(QStringLiteral("&Fechar tudo"), this);
    btnCollapse->setObjectName(QStringLiteral("btnCollapse"));
    SetHint(btnCollapse, QStringLiteral("Fechar tudo|Fecha todos os nós da árvore de dependências."));
    btnCollapse->setIcon(Image(quorvel::kDependImageVariable));
    btnClose = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    HelpBtn = new QPushButton(QStringLiteral("Ajuda"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    for (QPushButton* button : {btnExpand, btnCollapse, HelpBtn}) button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnExpand);
    buttons->addWidget(btnCollapse);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    buttons->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    resize(460, 460);

    connect(btnExpand, &QPushButton::clicked, this, &TdialogDepend::btnExpandClick);
    connect(btnCollapse, &QPushButton::clicked, this, &TdialogDepend::btnCollapseClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        quorvel::gui::ShowHelpContext(this, quorvel::gui::ProgramHelpFile(), quorvel::gui::help::kDependencies);
    });
    connect(listErrors, &QListWidget::itemDoubleClicked, this, &TdialogDepend::listErrorsDblClick);

    {
        TWaitCursor hourglass;
        try {
            analysis_ = std::make_unique<quorvel::TDependencyAnalysis>(expertSystem);
            BuildTree();
        } catch (const std::bad_alloc&) {
            // What was built is shown.
        }
    }
    Finish();
}

TdialogDepend::~TdialogDepend() = default;

void TdialogDepend::BuildTree() {
    TUpdatesSuspended suspended(TreeView);
    const std::vector<quorvel::TDependNode>& nodes = analysis_->Nodes();
    items_.reserve(nodes.size());
    // The widest row: its indentation, the branch mark, the image and the name.
    const QFontMetrics metrics(TreeView->font());
    const int icon = TreeView->iconSize().isValid() ? TreeView->iconSize().width()
                                                    : TreeView->style()->pixelMetric(QStyle::PM_SmallIconSize);
    const int fixedPart = TreeView->indentation() + icon + 4 * metrics.averageCharWidth();
    QHash<QString, int> textWidths;
    int contentWidth = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const quorvel::TDependNode& node = nodes[i];
        auto* item = node.Parent < 0 ? new TDependItem(TreeView)
                                     : new TDependItem(items_[static_cast<std::size_t>(node.Parent)]);
        const QString text = ScreenText(node.Text);
        item->setText(0, text);
        auto width = textWidths.find(text);
        if (width == textWidths.end()) width = textWidths.insert(text, metrics.horizontalAdvance(text));
        contentWidth = std::max(contentWidth, node.Level * TreeView->indentation() + fixedPart + *width);
        item->setData(0, kImageRole, node.Image());
        item->setData(0, kNodeRole, static_cast<int>(i));
        items_.push_back(item);
    }
    TreeView->expandAll();
    fitColumn_->SetContentWidth(contentWidth);
}

void TdialogDepend::Finish() {
    const bool conflict = analysis_ && analysis_->HasConflict();
    if (!conflict) {
        // The tree fills the page.
        listErrors->hide();
        WinSplit->handle(1)->hide();
        return;
    }
    const auto& conflicts = analysis_->Conflicts();
    for (std::size_t i = 0; i < conflicts.size(); ++i) {
        auto* line = new QListWidgetItem(ScreenText(analysis_->ConflictLine(conflicts[i])), listErrors);
        line->setData(kNodeRole, static_cast<int>(i));
    }
    // A circle can lie beyond a tree cut short: it is still told.
    if (conflicts.empty()) {
        auto* line =
            new QListWidgetItem(QStringLiteral("Dependência circular em um ramo não mostrado da árvore."), listErrors);
        line->setData(kNodeRole, -1);
    }
    listErrors->setCurrentRow(0);
}

// What the analysis found is told over the dialog, once it is on the screen.
void TdialogDepend::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (reported_) return;
    reported_ = true;
    QTimer::singleShot(0, this, &TdialogDepend::ReportFindings);
}

void TdialogDepend::ReportFindings() {
    if (!analysis_) return;
    if (analysis_->Truncated())
        quorvel::gui::ShowMessage(this, quorvel::TMsgKind::Warning, quorvel::TMsgButtons::Ok,
                                  QStringLiteral("A árvore de dependências passou de %1 nós e é mostrada só em "
                                                 "parte: variáveis alcançadas por muitos caminhos não foram todas "
                                                 "expandidas.")
                                      .arg(analysis_->Nodes().size()));
    if (analysis_->Incomplete())
        quorvel::gui::ShowMessage(this, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok,
                                  QStringLiteral("Memória insuficiente: a análise de dependências ficou incompleta."));
    if (analysis_->HasConflict())
        quorvel::gui::ShowMessage(this, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok,
                                  QString::fromUtf8(quorvel::msg::DependencyConflict));
}

QTreeWidgetItem* TdialogDepend::NodeItem(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return nullptr;
    return items_[static_cast<std::size_t>(index)];
}

void TdialogDepend::btnExpandClick() {
    TUpdatesSuspended suspended(TreeView);
    TreeView->expandAll();
}

void TdialogDepend::btnCollapseClick() {
    TUpdatesSuspended suspended(TreeView);
    TreeView->collapseAll();
}

void TdialogDepend::listErrorsDblClick() {
    QListWidgetItem* line = listErrors->currentItem();
    if (line == nullptr || !analysis_) return;
    const int which = line->data(kNodeRole).toInt();
    if (which < 0 || static_cast<std::size_t>(which) >= analysis_->Conflicts().size()) return;
    QTreeWidgetItem* target = NodeItem(analysis_->Conflicts()[static_cast<std::size_t>(which)].NodeIndex);
    if (target == nullptr) return;
    {
        TUpdatesSuspended suspended(TreeView);
        TreeView->collapseAll();
        std::vector<QTreeWidgetItem*> path;
        for (QTreeWidgetItem* item = target; item != nullptr; item = item->parent()) path.push_back(item);
        // From the root down, the conflict's node included.
        for (auto it = path.rbegin(); it != path.rend(); ++it) (*it)->setExpanded(true);
    }
    TreeView->setCurrentItem(target);
    TreeView->scrollToItem(target);
}

void ShowDependencies(QWidget* parent, quorvel::TExpertSystem& expertSystem) {
    if (!expertSystem.RulesMayBeShown()) return;
    TdialogDepend dialog(expertSystem, parent);
    quorvel::gui::ExecModal(dialog);
}
