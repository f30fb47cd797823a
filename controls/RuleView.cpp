#include "RuleView.h"

#include <QPainter>
#include <algorithm>

#include "ExSystem.h"
#include "FullTextTips.h"
#include "MessageBoxSink.h"

using quorvel::gui::ScreenText;

namespace {

int LineHeight(const QFontMetrics& metrics) { return std::max(TCustomRuleView::kItemHeight, metrics.height() + 2); }

QColor ColorOf(quorvel::TRuleLineColor color) {
    switch (color) {
        case quorvel::TRuleLineColor::Navy:
            return QColor(0, 0, 128);
        case quorvel::TRuleLineColor::White:
            return QColor(Qt::white);
        default:
            return QColor(Qt::black);
    }
}

}  // namespace

// ------------------------------------------------------------ the drawing

void TRuleLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
    painter->setFont(option.font);
    const QByteArray base = index.data(TCustomRuleView::kBaseTextRole).toByteArray();
    const int m = option.fontMetrics.horizontalAdvance(QLatin1Char('M'));
    for (const quorvel::TRuleLinePart& part :
         quorvel::RuleLineParts(std::string_view(base.constData(), static_cast<std::size_t>(base.size())), selected)) {
        painter->setPen(ColorOf(part.Color));
        const QRect place(option.rect.left() + part.OffsetM * m, option.rect.top(), TCustomRuleView::kScrollExtent,
                          option.rect.height());
        painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ScreenText(part.Text));
    }
    painter->restore();
}

QSize TRuleLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const {
    return QSize(TCustomRuleView::kScrollExtent, LineHeight(option.fontMetrics));
}

// ---------------------------------------------------------------- the rows

void TRuleLines::SetReader(TReader read) {
    beginResetModel();
    pending_ = std::move(read);
    lines_.clear();
    if (!pending_) ++generation_;
    endResetModel();
}

const std::vector<quorvel::TRuleViewLine>& TRuleLines::Lines() const {
    if (pending_) {
        const TReader read = std::move(pending_);
        pending_ = nullptr;
        lines_ = read();
        ++generation_;
    }
    return lines_;
}

int TRuleLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Lines().size());
}

QVariant TRuleLines::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::string& text = lines_[static_cast<std::size_t>(index.row())].Text;
    if (role == Qt::DisplayRole) return ScreenText(text);
    if (role == TCustomRuleView::kBaseTextRole) return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    return {};
}

// ------------------------------------------------------- the engine's link

class TRuleViewInterface : public quorvel::TExCtrlInterface {
public:
    explicit TRuleViewInterface(TCustomRuleView& view) : TExCtrlInterface(quorvel::kRuleViews), view_(view) {}
    void Clear() override { view_.EmptyList(); }
    void Refresh() override { view_.Fill(); }
    void Detach() override { view_.DropEngine(); }

private:
    TCustomRuleView& view_;
};

// -------------------------------------------------------------- rule view

TCustomRuleView::TCustomRuleView(QWidget* parent) : TRowListView(parent), lines_(new TRuleLines(this)) {
    setModel(lines_);
    setItemDelegate(new TRuleLineDelegate(this));
    quorvel::gui::ShowFullTextTips(this);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

TCustomRuleView::~TCustomRuleView() {
    if (engine_ && notifier_) engine_->RemoveControl(notifier_.get());
}

quorvel::TExCtrlInterface* TCustomRuleView::Notifier() {
    if (!notifier_) notifier_ = CreateNotifier();
    return notifier_.get();
}

std::unique_ptr<quorvel::TExCtrlInterface> TCustomRuleView::CreateNotifier() {
    return std::make_unique<TRuleViewInterface>(*this);
}

void TCustomRuleView::SetExpertSystem(quorvel::TExpertSystem* engine) {
    if (engine_) engine_->RemoveControl(Notifier());
    engine_ = engine;
    if (!engine_) {
        EmptyList();
        return;
    }
    engine_->AddControl(Notifier());
    if (engine_->RulesMayBeShown())
        Fill();
    else
        EmptyList();
}

void TCustomRuleView::DropEngine() {
    engine_ = nullptr;
    EmptyList();
}

void TCustomRuleView::Fill() {
    if (!engine_) {
        EmptyList();
        return;
    }
    quorvel::TExpertSystem* engine = engine_;
    lines_->SetReader([engine, useFilter = useFilter_, filter = filter_] {
        return quorvel::RuleViewLines(*engine, useFilter, filter);
    });
}

void TCustomRuleView::EmptyList() { lines_->Clear(); }

std::string TCustomRuleView::LineText(int row) const {
    if (row < 0 || row >= static_cast<int>(Lines().size())) return {};
    return Lines()[static_cast<std::size_t>(row)].Text;
}

int TCustomRuleView::ItemHeight() const { return LineHeight(fontMetrics()); }

// ------------------------------------------------------------ trace panel

class TDebugPanelInterface : public quorvel::TExDebugInterface {
public:
    explicit TDebugPanelInterface(TDebugPanel& panel) : TExDebugInterface(quorvel::kRuleViews), panel_(panel) {}
    void Clear() override { panel_.Empty(); }
    void Refresh() override { panel_.Fill(); }
    void Detach() override { panel_.DropEngine(); }
    bool Holding() override { return panel_.Waiting(); }
    void SetHolding(bool holding) override { panel_.SetWaiting(holding); }
    void Hold() override { panel_.Hold(); }
    void ShowPosition(int32_t ruleCode, int32_t index, bool premise) override {
        panel_.ShowPosition(ruleCode, index, premise);
    }

private:
    TDebugPanel& panel_;
};

TDebugPanel::TDebugPanel(QWidget* parent) : TCustomRuleView(parent) {
    connect(this, &TRowListView::currentRowChanged, this, [this] { KeepLockedLine(); });
}

TDebugPanel::~TDebugPanel() {
    if (engine_ && engine_->DebugObserver() == Notifier()) engine_->SetDebugObserver(nullptr);
}

std::unique_ptr<quorvel::TExCtrlInterface> TDebugPanel::CreateNotifier() {
    return std::make_unique<TDebugPanelInterface>(*this);
}

void TDebugPanel::SetExpertSystem(quorvel::TExpertSystem* engine) {
    auto* mine = static_cast<quorvel::TExDebugInterface*>(Notifier());
    // One debug observer per engine: another one is unhooked before it is told.
    for (quorvel::TExpertSystem* e : {engine_, engine}) {
        quorvel::TExDebugInterface* other = e ? e->DebugObserver() : nullptr;
        if (other && other != mine) {
            e->RemoveControl(other);
            e->SetDebugObserver(nullptr);
            other->Detach();
        }
    }
    if (engine_) engine_->RemoveControl(mine);
    engine_ = engine;
    if (!engine_) {
        Empty();
        return;
    }
    if (!engine_->IsNew() && engine_->RulesMayBeShown())
        Fill();
    else
        Empty();
    engine_->AddControl(mine);
    engine_->SetDebugObserver(mine);
}

void TDebugPanel::DropEngine() {
    engine_ = nullptr;
    Empty();
}

void TDebugPanel::Empty() {
    lockedLine_ = -1;
    EmptyList();
}

void TDebugPanel::Fill() {
    lockedLine_ = -1;
    TCustomRuleView::Fill();
}

void TDebugPanel::UpdateMaps() {
    const std::vector<quorvel::TRuleViewLine>& lines = Lines();  // lines to come are read first
    if (mapsGeneration_ == LinesGeneration()) return;
    mapsGeneration_ = LinesGeneration();
    premiseMap_.clear();
    conclusionMap_.clear();
    int line = 0;
    for (const quorvel::TRuleViewLine& entry : lines) {
        if (entry.Kind == quorvel::TRuleLineKind::Premise)
            premiseMap_.emplace(entry.RuleCode, line);
        else if (entry.Kind == quorvel::TRuleLineKind::Conclusion)
            conclusionMap_.emplace(entry.RuleCode, line);
        ++line;
    }
}

int TDebugPanel::LineOf(int32_t ruleCode, int32_t n, bool premise) {
    UpdateMaps();
    const auto& map = premise ? premiseMap_ : conclusionMap_;
    if (n < 1) return -1;
    auto [it, end] = map.equal_range(ruleCode);
    for (int32_t i = 1; it != end; ++it, ++i)
        if (i == n) return it->second;
    return -1;
}

void TDebugPanel::ShowPosition(int32_t ruleCode, int32_t n, bool premise) {
    // A position the maps do not know (a base changed under a pause) marks no line.
    lockedLine_ = LineOf(ruleCode, n, premise);
    moving_ = true;
    setCurrentRow(lockedLine_);
    if (lockedLine_ < 0)
        clearSelection();
    else
        scrollTo(model()->index(lockedLine_, 0));
    moving_ = false;
}

bool TDebugPanel::MarkerLocked() const { return engine_ && engine_->Running; }

QItemSelectionModel::SelectionFlags TDebugPanel::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    if (MarkerLocked() && !moving_) return QItemSelectionModel::NoUpdate;
    return TCustomRuleView::selectionCommand(index, event);
}

void TDebugPanel::KeepLockedLine() {
    if (moving_ || !MarkerLocked() || currentRow() == lockedLine_) return;
    // The user may scroll, but the marker stays where the engine is.
    moving_ = true;
    setCurrentRow(lockedLine_);
    if (lockedLine_ < 0) clearSelection();
    moving_ = false;
}

void TDebugPanel::Hold() {
    if (!engine_) return;
    quorvel::TExpertSystem& engine = *engine_;
    waiting_ = !engine.Waiting && !engine.RollingBack;
    if (waiting_ && !engine.StepWait) {
        engine.StepWait = true;
        struct TEnd {
            TDebugPanel& panel;
            ~TEnd() {
                panel.waiting_ = false;
                emit panel.holdEnded();
            }
        } end{*this};
        emit holdStarted();
        engine.WaitWhile(engine.StepWait);
    }
    waiting_ = false;
}
