#include "ConsultViews.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <functional>

#include "ConsultImages.h"
#include "ExConsultTree.h"
#include "ExSystem.h"
#include "ExText.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

namespace {

void CollectTexts(const QTreeWidgetItem* item, int depth, QStringList& texts) {
    texts << QString(depth * 2, QLatin1Char(' ')) + item->text(0);
    for (int i = 0; i < item->childCount(); ++i) CollectTexts(item->child(i), depth + 1, texts);
}

QStringList TreeTexts(const QTreeWidget& tree) {
    QStringList texts;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) CollectTexts(tree.topLevelItem(i), 0, texts);
    return texts;
}

QString CnfPercent(float cnf) { return QString::fromStdString(quorvel::CnfText(static_cast<double>(cnf) * 100.0)); }

}  // namespace

// ------------------------------------------------------ consultation tree

TConsultTree::TConsultTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
}

void TConsultTree::Fill(quorvel::TExpertSystem& engine) {
    if (!engine.RulesMayBeShown()) return;
    model_.Fill(engine);
    Show();
}

void TConsultTree::Clear() {
    model_.Clear();
    clear();
}

void TConsultTree::Show() {
    // The model appends to what it holds; the widget mirrors all of it.
    setUpdatesEnabled(false);
    clear();
    const std::function<void(const quorvel::TConsultNode&, QTreeWidgetItem*)> add =
        [&](const quorvel::TConsultNode& node, QTreeWidgetItem* parent) {
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
            item->setText(0, ScreenText(node.Text));
            item->setIcon(0, quorvel::gui::TreeImage(node.Image));
            for (const auto& child : node.Children) add(*child, item);
        };
    for (const auto& root : model_.Roots()) add(*root, nullptr);
    expandAll();
    if (topLevelItemCount() > 0) setCurrentItem(topLevelItem(0));
    setUpdatesEnabled(true);
}

QStringList TConsultTree::Texts() const { return TreeTexts(*this); }

// ------------------------------------------------------- all-values tree

TAllVars::TAllVars(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    // Only the variables change their image; a value keeps its own.
    connect(this, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) {
        if (!item->parent()) item->setIcon(0, quorvel::gui::AllVarsImage(quorvel::gui::kVarExpanded));
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) {
        if (!item->parent()) item->setIcon(0, quorvel::gui::AllVarsImage(quorvel::gui::kVarCollapsed));
    });
}

void TAllVars::Fill(quorvel::TExpertSystem& engine) {
    clear();
    if (engine.IsNew() || !engine.Running || !engine.RulesMayBeShown()) return;
    setUpdatesEnabled(false);
    {
        quorvel::TSavedCursors keep(engine);
        quorvel::TVarListTree& symbolic = engine.VarList();
        quorvel::TVarListExtraTree& numeric = engine.VarListExtra();
        for (const quorvel::TNode* node : engine.Vars().Records(quorvel::kKeyName)) {
            const auto* var = static_cast<const quorvel::TVarNode*>(node);
            QTreeWidgetItem* root = nullptr;
            const auto rootItem = [&] {
                if (!root) {
                    root = new QTreeWidgetItem(this);
                    root->setText(0, ScreenText(var->Name));
                    root->setIcon(0, quorvel::gui::AllVarsImage(quorvel::gui::kVarCollapsed));
                }
                return root;
            };
            std::vector<std::pair<int32_t, float>> values;
            for (symbolic.Find(var->Code); !symbolic.Eof() && symbolic.GetCode() == var->Code; symbolic.Next())
                values.emplace_back(symbolic.GetValueCode(), symbolic.GetCnf());
            for (const auto& [valueCode, cnf] : values) {
                auto* item = new QTreeWidgetItem(rootItem());
                item->setText(0, ScreenText(engine.ValueTextOf(var->Code, valueCode)) + QStringLiteral(" (") +
                                     CnfPercent(cnf) + QStringLiteral("%)"));
                item->setIcon(0, quorvel::gui::AllVarsImage(quorvel::gui::kVarValue));
            }
            for (numeric.Find(var->Code); !numeric.Eof() && numeric.GetCode() == var->Code; numeric.Next()) {
                auto* item = new QTreeWidgetItem(rootItem());
                item->setText(0, ScreenText(numeric.GetValueText()) + QStringLiteral(" (") +
                                     CnfPercent(numeric.GetCnf()) + QStringLiteral("%)"));
                item->setIcon(0, quorvel::gui::AllVarsImage(quorvel::gui::kVarValue));
            }
        }
    }
    collapseAll();
    if (topLevelItemCount() > 0) setCurrentItem(topLevelItem(0));
    setUpdatesEnabled(true);
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

QStringList TAllVars::Texts() const { return TreeTexts(*this); }

// ------------------------------------------------------------ values grid

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

TValuesGrid::TValuesGrid(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
    connect(this, &QTableWidget::cellDoubleClicked, this, [this] { emit helpRequested(); });
    Reset();
}

TValuesGrid::~TValuesGrid() {
    if (engine_ && notifier_) engine_->RemoveControl(notifier_.get());
}

quorvel::TExCtrlInterface* TValuesGrid::Notifier() {
    if (!notifier_) notifier_ = std::make_unique<TValuesGridInterface>(*this);
    return notifier_.get();
}

void TValuesGrid::Reset() {
    setColumnCount(2);
    setRowCount(1);
    setHorizontalHeaderLabels({QString(), QString()});
    for (int column = 0; column < 2; ++column) setItem(0, column, new QTableWidgetItem());
}

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
    Reset();
    setRowCount(static_cast<int>(std::max<std::size_t>(names.size(), 1)));
    setHorizontalHeaderLabels({QStringLiteral("Valor"), QStringLiteral("CNF (%)")});
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int row = static_cast<int>(i);
        setItem(row, 0, new QTableWidgetItem(ScreenText(names[i])));
        setItem(row, 1, new QTableWidgetItem(i < cnfs.size() ? QString::fromStdString(cnfs[i]) : QString()));
    }
}

QString TValuesGrid::Cell(int column, int row) const {
    if (column < 0 || column >= columnCount()) return {};
    if (row == 0) {
        const QTableWidgetItem* header = horizontalHeaderItem(column);
        return header ? header->text() : QString();
    }
    const QTableWidgetItem* cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

int TValuesGrid::Row() const { return currentRow() < 0 ? 0 : currentRow() + 1; }

int TValuesGrid::Col() const { return currentColumn() < 0 ? 0 : currentColumn(); }

void TValuesGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2) {
        event->accept();
        emit helpRequested();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
