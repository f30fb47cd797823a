// The rule view: the whole rule base as formatted lines (a header per rule,
// its premises, its conclusions), drawn with the connectors and keywords in
// navy and the rest in black. TRuleView is the form used by the results
// window and the rule viewer; TDebugPanel, the engine's debug observer, keeps
// the line the engine is working on selected and holds the engine at a step.
#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ExConsultTree.h"
#include "ExEvents.h"
#include "RowListView.h"

namespace quorvel {
class TExpertSystem;
}

// Draws one rule-view line as its parts say: each piece at its offset in
// widths of the letter M, navy or black, white on a selected line.
class TRuleLineDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The lines of a rule view as list rows. Lines to come are read from the
// base only when someone looks at them (the view drawing its rows, a count,
// a line's text), so a view that stays hidden while a base at the format's
// limits is opened costs nothing, and a row's screen text is made only when
// it is drawn.
class TRuleLines : public QAbstractListModel {
    Q_OBJECT

public:
    using TReader = std::function<std::vector<quorvel::TRuleViewLine>()>;

    using QAbstractListModel::QAbstractListModel;

    // From now on the rows are what `read` gives, read when first asked for.
    void SetReader(TReader read);
    void Clear() { SetReader({}); }
    const std::vector<quorvel::TRuleViewLine>& Lines() const;
    // Goes up every time the lines are read again.
    int Generation() const { return generation_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Reading on demand changes what the rows hold, never what they are
    // known to be: the reset was announced when the reader was set.
    mutable TReader pending_;
    mutable std::vector<quorvel::TRuleViewLine> lines_;
    mutable int generation_ = 0;
};

class TCustomRuleView : public TRowListView {
    Q_OBJECT

public:
    static constexpr int kItemHeight = 13;
    // The width the lines can be scrolled over.
    static constexpr int kScrollExtent = 1000;
    // Item data: the line's base text (Windows-1252) as a QByteArray.
    static constexpr int kBaseTextRole = Qt::UserRole + 1;

    explicit TCustomRuleView(QWidget* parent = nullptr);
    ~TCustomRuleView() override;

    // Unregisters from the old engine, registers with the new one and fills
    // the list when its rules may be shown; otherwise (or with none) empties it.
    virtual void SetExpertSystem(quorvel::TExpertSystem* engine);
    quorvel::TExpertSystem* ExpertSystem() const { return engine_; }
    // Refills the list from the base: every rule in order of its number, or
    // with UseFilter only those concluding a variable of the filter set.
    virtual void Fill();

    void AddToFilter(int32_t varCode) { filter_.insert(varCode); }
    void RemoveFromFilter(int32_t varCode) { filter_.erase(varCode); }
    void ClearFilter() { filter_.clear(); }
    const std::set<int32_t>& Filter() const { return filter_; }
    bool UseFilter() const { return useFilter_; }
    void SetUseFilter(bool useFilter) { useFilter_ = useFilter; }

    // The lines as the engine formats them, one per list row.
    const std::vector<quorvel::TRuleViewLine>& Lines() const { return lines_->Lines(); }
    int LinesGeneration() const { return lines_->Generation(); }
    // The base text of a line ("" outside the list).
    std::string LineText(int row) const;
    // The height every item is drawn with: 13 pixels, or the font's line when taller.
    int ItemHeight() const;

    // The engine's link to this view: clear, refresh and detach.
    quorvel::TExCtrlInterface* Notifier();

protected:
    virtual std::unique_ptr<quorvel::TExCtrlInterface> CreateNotifier();
    // The engine goes away: forget it without calling it again.
    virtual void DropEngine();
    void EmptyList();

    quorvel::TExpertSystem* engine_ = nullptr;

private:
    friend class TRuleViewInterface;
    std::unique_ptr<quorvel::TExCtrlInterface> notifier_;
    std::set<int32_t> filter_;
    bool useFilter_ = false;
    TRuleLines* lines_;
};

class TRuleView : public TCustomRuleView {
    Q_OBJECT

public:
    using TCustomRuleView::TCustomRuleView;
};

// The trace panel: the rule view of every rule, the maps from a rule's
// premises and conclusions to their lines, the locked line of the reported
// position, and the hold that waits in a nested event loop for a step.
class TDebugPanel : public TCustomRuleView {
    Q_OBJECT

public:
    explicit TDebugPanel(QWidget* parent = nullptr);
    ~TDebugPanel() override;

    // Also installs the panel as the engine's one debug observer; another
    // observer of the old or the new engine is told to detach first.
    void SetExpertSystem(quorvel::TExpertSystem* engine) override;
    // All rules (no filter), then the position maps.
    void Fill() override;

    // The debug observer's operations.
    bool Waiting() const { return waiting_; }
    void SetWaiting(bool waiting) { waiting_ = waiting; }
    // Waits for a step: unless the engine awaits an answer or rolls back, sets
    // its StepWait and processes events until the engine clears it.
    void Hold();
    // Selects and locks the line of a rule's premise or conclusion (n from 1).
    void ShowPosition(int32_t ruleCode, int32_t n, bool premise);

    int LockedLine() const { return lockedLine_; }
    // The line of a premise or conclusion, -1 when the maps have none.
    int LineOf(int32_t ruleCode, int32_t n, bool premise);

signals:
    // The engine is held at the locked line, waiting for a step.
    void holdStarted();
    void holdEnded();

protected:
    std::unique_ptr<quorvel::TExCtrlInterface> CreateNotifier() override;
    void DropEngine() override;
    // While a consultation runs, clicks, drags and keys select nothing: the
    // marker is the engine's.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    friend class TDebugPanelInterface;
    bool MarkerLocked() const;
    // The base is new or its rules may not be shown: no lines, no positions.
    void Empty();
    void UpdateMaps();
    void KeepLockedLine();

    // The maps follow the lines: built again when the lines were read again.
    std::multimap<int32_t, int> premiseMap_;
    std::multimap<int32_t, int> conclusionMap_;
    int mapsGeneration_ = -1;
    int lockedLine_ = -1;
    bool waiting_ = false;
    bool moving_ = false;
};
