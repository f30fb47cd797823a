#include "ConsultViews.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ConsultImages.h"
#include "ExConsultTree.h"
#include "ExExplain.h"
#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"
#include "OpenImages.h"

using quorvel::gui::ScreenText;

namespace {

QString CnfPercent(float cnf) { return QString::fromStdString(quorvel::CnfText(static_cast<double>(cnf) * 100.0)); }

}  // namespace

// ------------------------------------------------------ consultation tree

// The rows of the consultation tree: the engine's nodes, each row's index
// naming its node (id + 1; 0 is the invisible root). The children of every
// node are listed in one array, made again in one pass after each Fill, so
// that a row's node, parent and children are found without a walk.
class TConsultTreeRows : public QAbstractItemModel {
public:
    using TNodeId = quorvel::TConsultTreeModel::TNodeId;

    TConsultTreeRows(const quorvel::TConsultTreeModel& tree, QObject* parent)
        : QAbstractItemModel(parent), tree_(tree) {}

    // The tree changed: every row is read again.
    void Reload() {
        beginResetModel();
        const std::size_t count = tree_.NodeCount();
        firstChild_.assign(count + 2, 0);
        children_.clear();
        children_.reserve(count);
        rowOf_.assign(count, 0);
        // The root's children first, then each node's, in id order: a node's
        // children sit at children_[firstChild_[slot], firstChild_[slot + 1]).
        const auto list = [&](std::size_t slot, TNodeId first) {
            firstChild_[slot] = static_cast<int>(children_.size());
            int row = 0;
            for (TNodeId child = first; child != kNone; child = tree_.NextSibling(child)) {
                children_.push_back(child);
                rowOf_[static_cast<std::size_t>(child)] = row++;
            }
        };
        list(0, tree_.FirstNode());
        for (std::size_t node = 0; node < count; ++node) list(node + 1, tree_.FirstChild(static_cast<TNodeId>(node)));
        firstChild_[count + 1] = static_cast<int>(children_.size());
        endResetModel();
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        const std::size_t slot = parent.isValid() ? parent.internalId() : 0;
        if (column != 0 || row < 0 || row >= Count(slot)) return {};
        const TNodeId node = children_[static_cast<std::size_t>(firstChild_[slot] + row)];
        return createIndex(row, 0, static_cast<quintptr>(node) + 1);
    }
    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid()) return {};
        const TNodeId parent = tree_.Parent(NodeOf(child));
        if (parent == kNone) return {};
        return createIndex(rowOf_[static_cast<std::size_t>(parent)], 0, static_cast<quintptr>(parent) + 1);
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        if (parent.isValid() && parent.column() != 0) return 0;
        return Count(parent.isValid() ? parent.internalId() : 0);
    }
    int columnCount(const QModelIndex& = {}) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const TNodeId node = NodeOf(index);
        if (role == Qt::DisplayRole) return ScreenText(tree_.Text(node));
        if (role == Qt::DecorationRole) return quorvel::gui::TreeImage(tree_.Image(node));
        return {};
    }

private:
    static constexpr TNodeId kNone = quorvel::TConsultTreeModel::kNoNode;

    static TNodeId NodeOf(const QModelIndex& index) { return static_cast<TNodeId>(index.internalId() - 1); }
    int Count(std::size_t slot) const {
        return slot + 1 < firstChild_.size() ? firstChild_[slot + 1] - firstChild_[slot] : 0;
    }

    const quorvel::TConsultTreeModel& tree_;
    std::vector<int> firstChild_;  // by slot: 0 the root, id + 1 a node
    std::vector<TNodeId> children_;
    std::vector<int> rowOf_;  // by node id: its row under its parent
};

TConsultTree::TConsultTree(QWidget* parent) : QTreeView(parent), rows_(new TConsultTreeRows(model_, this)) {
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setModel(rows_);
}

TConsultTree::~TConsultTree() = default;

void TConsultTree::Fill(quorvel::TExpertSystem& engine) {
    if (!engine.RulesMayBeShown()) return;
    model_.Fill(engine);
    rows_->Reload();
    expandAll();
    if (rows_->rowCount() > 0) setCurrentIndex(rows_->index(0, 0));
}

void TConsultTree::Clear() {
    model_.Clear();
    rows_->Reload();
}

QStringList TConsultTree::Texts() const {
    // Pre-order by a stack of pending rows, however deep the tree.
    QStringList texts;
    std::vector<std::pair<QModelIndex, int>> pending;
    for (int row = rows_->rowCount() - 1; row >= 0; --row) pending.emplace_back(rows_->index(row, 0), 0);
    while (!pending.empty()) {
        const auto [index, depth] = pending.back();
        pending.pop_back();
        texts << QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
        for (int row = rows_->rowCount(index) - 1; row >= 0; --row)
            pending.emplace_back(rows_->index(row, 0, index), depth + 1);
    }
    return texts;
}

// ------------------------------------------------------- all-values tree

// The variables with their values' texts, two levels deep: a variable's row
// has no parent, a value's row carries its variable's row plus one.
class TAllVarsRows : public QAbstractItemModel {
public:
    struct TVariable {
        QString Name;
        std::vector<QString> Values;
    };

    explicit TAllVarsRows(QObject* parent) : QAbstractItemModel(parent) {}

    void Assign(std::vector<TVariable> vars) {
        beginResetModel();
        vars_ = std::move(vars);
        endResetModel();
    }

    QStringList Texts() const {
        QStringList texts;
        for (const TVariable& var : vars_) {
            texts << var.Name;
            for (const QString& value : var.Values) texts << QStringLiteral("  ") + value;
        }
        return texts;
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override {
        if (!hasIndex(row, column, parent)) return {};
        return createIndex(row, column, parent.isValid() ? static_cast<quintptr>(parent.row()) + 1 : 0);
    }

    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid() || child.internalId() == 0) return {};
        return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        if (!parent.isValid()) return static_cast<int>(vars_.size());
        if (parent.internalId() != 0 || parent.column() != 0) return 0;
        return static_cast<int>(vars_[static_cast<std::size_t>(parent.row())].Values.size());
    }

    int columnCount(const QModelIndex& = QModelIndex()) const override { return 1; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (!index.isValid()) return {};
        const bool variable = index.internalId() == 0;
        switch (role) {
            case Qt::DisplayRole: {
                if (variable) return vars_[static_cast<std::size_t>(index.row())].Name;
                const TVariable& var = vars_[static_cast<std::size_t>(index.internalId() - 1)];
                return var.Values[static_cast<std::size_t>(index.row())];
            }
            // Only the variables change their image; a value keeps its own.
            case Qt::DecorationRole:
                return quorvel::gui::AllVarsImage(variable ? quorvel::gui::kVarCollapsed : quorvel::gui::kVarValue);
            case quorvel::gui::kOpenDecorationRole:
                return variable ? QVariant(quorvel::gui::AllVarsImage(quorvel::gui::kVarExpanded)) : QVariant();
            default: return {};
        }
    }

private:
    std::vector<TVariable> vars_;
};

TAllVars::TAllVars(QWidget* parent) : QTreeView(parent), rows_(new TAllVarsRows(this)) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setModel(rows_);
    new quorvel::gui::TOpenImageDelegate(this);
}

void TAllVars::Fill(quorvel::TExpertSystem& engine) {
    std::vector<TAllVarsRows::TVariable> vars;
    if (!engine.IsNew() && engine.Running && engine.RulesMayBeShown()) {
        quorvel::TSavedCursors keep(engine);
        for (const quorvel::TNode* node : engine.Vars().Records(quorvel::kKeyName)) {
            const auto* var = static_cast<const quorvel::TVarNode*>(node);
            std::vector<QString> values;
            for (const quorvel::THeldValue& value : quorvel::HeldValuesOf(engine, var->Code))
                values.push_back(ScreenText(quorvel::HeldValueText(engine, var->Code, value)) + QStringLiteral(" (") +
                                 CnfPercent(value.Cnf) + QStringLiteral("%)"));
            // A variable without values is not instantiated: it is left out.
            if (!values.empty()) vars.push_back({ScreenText(var->Name), std::move(values)});
        }
    }
    rows_->Assign(std::move(vars));
    if (rows_->rowCount() > 0) setCurrentIndex(rows_->index(0, 0));
}

void TAllVars::ExpandEverything() {
    setUpdatesEnabled(false);
    expandAll();
    setUpdatesEnabled(true);
}

void TAllVars::CollapseEverything() {
    setUpdatesEnabled(false);
    collapseAll();
    setUpdatesEnabled(true);
}

QStringList TAllVars::Texts() const { return rows_->Texts(); }

// ------------------------------------------------------------ values grid

// The grid's rows below its header: each value's text and confidence. Reset
// leaves one empty row under an empty header.
class TValuesRows : public QAbstractTableModel {
public:
    using TRow = std::array<QString, 2>;

    explicit TValuesRows(QObject* parent) : QAbstractTableModel(parent) { Reset(); }

    void Reset() { Assign({}, {TRow{}}); }

    void Assign(TRow headers, std::vector<TRow> rows) {
        beginResetModel();
        headers_ = std::move(headers);
        rows_ = std::move(rows);
        endResetModel();
    }

    QString Text(int row, int column) const {
        if (row < 0 || row >= rowCount() || column < 0 || column >= 2) return {};
        return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return Text(index.row(), index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= 2) return {};
        return role == Qt::DisplayRole ? QVariant(headers_[static_cast<std::size_t>(section)]) : QVariant();
    }

private:
    TRow headers_;
    std::vector<TRow> rows_;
};

class TValuesGridInterface : public quorvel::TExCtrlInterface {
public:
    explicit TValuesGridInterface(TValuesGrid& grid) : TExCtrlInterface(quorvel::kValueViews), grid_(grid) {}
    void Clear() override { grid_.Refresh(); }
    void Refresh() override { grid_.Refresh(); }
    void Detach() override {
        grid_.engine_ = nullptr;
        grid_.valid_ = false;
        grid_.Reset();
    }

private:
    TValuesGrid& grid_;
};

TValuesGrid::TValuesGrid(QWidget* parent) : QTableView(parent), rows_(new TValuesRows(this)) {
    setModel(rows_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit helpRequested(); });
    Reset();
}

TValuesGrid::~TValuesGrid() {
    if (engine_ && notifier_) engine_->RemoveControl(notifier_.get());
}

quorvel::TExCtrlInterface* TValuesGrid::Notifier() {
    if (!notifier_) notifier_ = std::make_unique<TValuesGridInterface>(*this);
    return notifier_.get();
}

void TValuesGrid::Reset() { rows_->Reset(); }

void TValuesGrid::SetExpertSystem(quorvel::TExpertSystem* engine) {
    Reset();
    if (engine_) engine_->RemoveControl(Notifier());
    engine_ = engine;
    valid_ = false;
    if (engine_ && automaticUpdate_) {
        engine_->AddControl(Notifier());
        Refresh();
    }
}

void TValuesGrid::SetVarCode(int32_t varCode) {
    // Another variable must be found valid again before it is shown.
    if (varCode != varCode_) valid_ = false;
    varCode_ = varCode;
    if (varCode == 0) {
        valid_ = false;
        Reset();
    }
}

void TValuesGrid::SetAutomaticUpdate(bool on) {
    if (on == automaticUpdate_) return;
    automaticUpdate_ = on;
    if (!engine_) return;
    if (on) {
        engine_->AddControl(Notifier());
        Check();
        Refresh();
    } else {
        engine_->RemoveControl(Notifier());
        Reset();
    }
}

bool TValuesGrid::Check() {
    valid_ = false;
    if (engine_ && varCode_ != 0 && !engine_->IsNew()) {
        quorvel::TSavedCursors keep(*engine_);
        valid_ = engine_->Vars().Find(varCode_);
    }
    if (!valid_) Reset();
    return valid_;
}

void TValuesGrid::Refresh() {
    if (!valid_ && !Check()) return;
    if (!engine_ || !engine_->Running) return;
    std::vector<std::string> names;
    std::vector<std::string> cnfs;
    {
        quorvel::TSavedCursors keep(*engine_);
        engine_->ResultsOf(varCode_, names, cnfs);
    }
    // At least one row, empty when the variable has no values.
    std::vector<TValuesRows::TRow> rows(std::max<std::size_t>(names.size(), 1));
    for (std::size_t i = 0; i < names.size(); ++i)
        rows[i] = {ScreenText(names[i]), i < cnfs.size() ? QString::fromStdString(cnfs[i]) : QString()};
    rows_->Assign({QStringLiteral("Valor"), QStringLiteral("CNF (%)")}, std::move(rows));
}

QString TValuesGrid::Cell(int column, int row) const {
    if (row == 0) return rows_->headerData(column, Qt::Horizontal).toString();
    return rows_->Text(row - 1, column);
}

int TValuesGrid::RowCount() const { return rows_->rowCount() + 1; }

int TValuesGrid::Row() const { return currentIndex().isValid() ? currentIndex().row() + 1 : 0; }

int TValuesGrid::Col() const { return currentIndex().isValid() ? currentIndex().column() : 0; }

void TValuesGrid::setCurrentCell(int row, int column) { setCurrentIndex(rows_->index(row, column)); }

void TValuesGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2) {
        event->accept();
        emit helpRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}
