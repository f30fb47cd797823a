#include "Depend.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "CodeRows.h"
#include "DialogStacking.h"
#include "Help.h"
#include "MessageBoxSink.h"
#include "OpenImages.h"

// The images live in a static library: they are registered on first use.
static void InitDependResources() { Q_INIT_RESOURCE(depend); }

using quorvel::TDependKind;
using quorvel::gui::ScreenText;

namespace {

constexpr int kImageRole = Qt::UserRole;  // the image of a node's kind
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

void SetHint(QWidget* widget, const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(hint.left(bar));
    widget->setStatusTip(hint.mid(bar + 1));
}

}  // namespace

// The rows of the tree: the analysis's nodes, each row standing for the node
// whose index it carries, the children of a node in the order they were
// found. A variable with children gives its open image beside its closed one
// (the view picks as it draws). The texts are made once, as the tree is
// filled.
class TDependRows : public QAbstractItemModel {
public:
    explicit TDependRows(QObject* parent) : QAbstractItemModel(parent) {}

    // Shows these nodes (kept by the caller for as long as they are shown)
    // with their screen texts.
    void Assign(const std::vector<quorvel::TDependNode>* nodes, std::vector<QString> texts) {
        beginResetModel();
        nodes_ = nodes;
        texts_ = std::move(texts);
        roots_.clear();
        rowInParent_.assign(nodes_->size(), 0);
        for (std::size_t i = 0; i < nodes_->size(); ++i) {
            const quorvel::TDependNode& node = (*nodes_)[i];
            if (node.Parent < 0) {
                rowInParent_[i] = static_cast<int>(roots_.size());
                roots_.push_back(static_cast<int>(i));
            }
            for (std::size_t row = 0; row < node.Children.size(); ++row)
                rowInParent_[static_cast<std::size_t>(node.Children[row])] = static_cast<int>(row);
        }
        endResetModel();
    }

    QModelIndex IndexOfNode(int node) const {
        if (!nodes_ || node < 0 || static_cast<std::size_t>(node) >= nodes_->size()) return {};
        return createIndex(rowInParent_[static_cast<std::size_t>(node)], 0, static_cast<quintptr>(node));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override {
        if (!hasIndex(row, column, parent)) return {};
        const int node = parent.isValid() ? Node(parent).Children[static_cast<std::size_t>(row)]
                                          : roots_[static_cast<std::size_t>(row)];
        return createIndex(row, column, static_cast<quintptr>(node));
    }

    QModelIndex parent(const QModelIndex& child) const override {
        return child.isValid() ? IndexOfNode(Node(child).Parent) : QModelIndex();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        if (!parent.isValid()) return static_cast<int>(roots_.size());
        return parent.column() == 0 ? static_cast<int>(Node(parent).Children.size()) : 0;
    }

    int columnCount(const QModelIndex& = QModelIndex()) const override { return 1; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid()) return {};
        const quorvel::TDependNode& node = Node(index);
        switch (role) {
            case Qt::DisplayRole:
                return texts_[index.internalId()];
            case Qt::DecorationRole:
                return TdialogDepend::Image(node.Image());
            case quorvel::gui::kOpenDecorationRole:
                if (node.Image() == quorvel::kDependImageVariable && !node.Children.empty())
                    return TdialogDepend::Image(quorvel::kDependImageExpanded);
                return {};
            case kImageRole:
                return node.Image();
            default:
                return {};
        }
    }

private:
    const quorvel::TDependNode& Node(const QModelIndex& index) const { return (*nodes_)[index.internalId()]; }

    const std::vector<quorvel::TDependNode>* nodes_ = nullptr;
    std::vector<QString> texts_;    // by node index
    std::vector<int> roots_;        // the targets' nodes
    std::vector<int> rowInParent_;  // by node index
};

// Keeps the tree's one column at least as wide as the view, so that a
// selected row is marked across the whole view, while names deeper than the
// view widen it and bring the horizontal scroll bar. The widest row is
// measured once, when the tree is built: asking the view would lay out the
// text of every row at each change, far too slow for large trees.
class TFullWidthColumn : public QObject {
public:
    explicit TFullWidthColumn(QTreeView* tree) : QObject(tree), tree_(tree) {
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

    QTreeView* tree_;
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

int TdialogDepend::ShownImage(const QModelIndex& index) const {
    // The rows say which of them have an open image; the view shows it while open.
    if (TreeView->isExpanded(index) && index.data(quorvel::gui::kOpenDecorationRole).isValid())
        return quorvel::kDependImageExpanded;
    return index.data(kImageRole).toInt();
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
    TreeView = new QTreeView(WinSplit);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setHeaderHidden(true);
    TreeView->setUniformRowHeights(true);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rows_ = new TDependRows(TreeView);
    TreeView->setModel(rows_);
    new quorvel::gui::TOpenImageDelegate(TreeView);
    TreeView->setMinimumHeight(60);
    fitColumn_ = new TFullWidthColumn(TreeView);
    listErrors = new TCodeList(false, WinSplit);
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
    connect(listErrors, &QAbstractItemView::doubleClicked, this, &TdialogDepend::listErrorsDblClick);

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
    std::vector<QString> texts;
    texts.reserve(nodes.size());
    // The widest row: its indentation, the branch mark, the image and the name.
    const QFontMetrics metrics(TreeView->font());
    const int icon = TreeView->iconSize().isValid() ? TreeView->iconSize().width()
                                                    : TreeView->style()->pixelMetric(QStyle::PM_SmallIconSize);
    const int fixedPart = TreeView->indentation() + icon + 4 * metrics.averageCharWidth();
    QHash<QString, int> textWidths;
    int contentWidth = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const quorvel::TDependNode& node = nodes[i];
        const QString text = ScreenText(node.Text);
        auto width = textWidths.find(text);
        if (width == textWidths.end()) width = textWidths.insert(text, metrics.horizontalAdvance(text));
        contentWidth = std::max(contentWidth, node.Level * TreeView->indentation() + fixedPart + *width);
        texts.push_back(text);
    }
    rows_->Assign(&nodes, std::move(texts));
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
    // Each line carries the number of its conflict.
    const auto& conflicts = analysis_->Conflicts();
    std::vector<TCodeRows::TRow> lines;
    lines.reserve(conflicts.size());
    for (std::size_t i = 0; i < conflicts.size(); ++i)
        lines.push_back({ScreenText(analysis_->ConflictLine(conflicts[i])), static_cast<int32_t>(i)});
    // A circle can lie beyond a tree cut short: it is still told.
    if (conflicts.empty())
        lines.push_back({QStringLiteral("Dependência circular em um ramo não mostrado da árvore."), -1});
    listErrors->Rows().Assign(std::move(lines));
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

QModelIndex TdialogDepend::NodeItem(int index) const { return rows_->IndexOfNode(index); }

void TdialogDepend::btnExpandClick() {
    TUpdatesSuspended suspended(TreeView);
    TreeView->expandAll();
}

void TdialogDepend::btnCollapseClick() {
    TUpdatesSuspended suspended(TreeView);
    TreeView->collapseAll();
}

void TdialogDepend::listErrorsDblClick() {
    const int row = listErrors->currentRow();
    if (row < 0 || !analysis_) return;
    const int which = listErrors->Rows().Code(row);
    if (which < 0 || static_cast<std::size_t>(which) >= analysis_->Conflicts().size()) return;
    const QModelIndex target = NodeItem(analysis_->Conflicts()[static_cast<std::size_t>(which)].NodeIndex);
    if (!target.isValid()) return;
    {
        TUpdatesSuspended suspended(TreeView);
        TreeView->collapseAll();
        std::vector<QModelIndex> path;
        for (QModelIndex at = target; at.isValid(); at = at.parent()) path.push_back(at);
        // From the root down, the conflict's node included.
        for (auto it = path.rbegin(); it != path.rend(); ++it) TreeView->expand(*it);
    }
    TreeView->setCurrentIndex(target);
    TreeView->scrollTo(target);
}

void ShowDependencies(QWidget* parent, quorvel::TExpertSystem& expertSystem) {
    if (!expertSystem.RulesMayBeShown()) return;
    TdialogDepend dialog(expertSystem, parent);
    quorvel::gui::ExecModal(dialog);
}
