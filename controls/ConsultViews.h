// The views of the results window: the consultation tree (how the values
// were reached, from the engine's tape), the all-values tree (every
// instantiated variable with its values) and the values grid (one variable's
// values with their confidences).
#pragma once

#include <QTableView>
#include <QTreeView>
#include <cstdint>
#include <memory>

#include "ExConsultTree.h"
#include "ExEvents.h"

namespace quorvel {
class TExpertSystem;
}

class TConsultTreeRows;

// A read-only tree of the consultation. Each Fill takes what the engine
// recorded since the last one off its tape and appends it; Clear empties the
// tree for the next consultation. The view reads the engine's tree in place:
// a consultation of thousands of rules shows at once.
class TConsultTree : public QTreeView {
    Q_OBJECT

public:
    explicit TConsultTree(QWidget* parent = nullptr);
    ~TConsultTree() override;

    // Nothing happens for a base that may only be executed.
    void Fill(quorvel::TExpertSystem& engine);
    void Clear();
    const quorvel::TConsultTreeModel& Model() const { return model_; }
    // Every row in pre-order, indented by two blanks per level, as the view shows it.
    QStringList Texts() const;

private:
    quorvel::TConsultTreeModel model_;
    TConsultTreeRows* rows_ = nullptr;
};

class TAllVarsRows;
class TValuesRows;

// A read-only tree of every instantiated variable of a running consultation,
// in name order, with its values and their confidences. A variable's image
// shows whether it is open.
class TAllVars : public QTreeView {
    Q_OBJECT

public:
    explicit TAllVars(QWidget* parent = nullptr);

    // Empties the tree unless a consultation of a base that may be viewed is
    // running; then fills it, every variable collapsed and the first selected.
    void Fill(quorvel::TExpertSystem& engine);
    void ExpandEverything();
    void CollapseEverything();
    QStringList Texts() const;

private:
    TAllVarsRows* rows_;
};

// A variable's values with their confidences: row 0 is the header ("Valor",
// "CNF (%)"), then one row per value, the most certain first. Rows are
// counted here as on the grid, header included.
class TValuesGrid : public QTableView {
    Q_OBJECT

public:
    explicit TValuesGrid(QWidget* parent = nullptr);
    ~TValuesGrid() override;

    void SetExpertSystem(quorvel::TExpertSystem* engine);
    quorvel::TExpertSystem* ExpertSystem() const { return engine_; }
    // 0 resets the grid; any other code is stored, to be checked again.
    void SetVarCode(int32_t varCode);
    int32_t VarCode() const { return varCode_; }
    // On: follows the engine's instantiations.
    void SetAutomaticUpdate(bool on);
    bool AutomaticUpdate() const { return automaticUpdate_; }

    // Two columns, header and one data row, every cell empty.
    void Reset();
    // Whether the variable exists in a base that is not new.
    bool Check();
    // Shows the variable's values while a consultation runs.
    void Refresh();

    // The grid's cells, row 0 being the header; "" outside.
    QString Cell(int column, int row) const;
    int RowCount() const;
    // The current cell as on the grid (row 0 when there is none).
    int Row() const;
    int Col() const;
    // Makes a cell current, counted without the header row.
    void setCurrentCell(int row, int column);

signals:
    // F2 or a double-click: help on the value under the cursor.
    void helpRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TValuesGridInterface;
    quorvel::TExCtrlInterface* Notifier();

    quorvel::TExpertSystem* engine_ = nullptr;
    int32_t varCode_ = 0;
    bool automaticUpdate_ = false;
    bool valid_ = false;
    std::unique_ptr<quorvel::TExCtrlInterface> notifier_;
    TValuesRows* rows_;
};
