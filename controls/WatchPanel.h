// The watch panel: the variables chosen for watching and, for the one
// selected, its current values and confidences, followed as the engine
// instantiates values.
#pragma once

#include <QFrame>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "ExEvents.h"

namespace quorvel {
class TExpertSystem;
}

class QLabel;
class TCodeList;

class TWatchPanel : public QFrame {
    Q_OBJECT

public:
    explicit TWatchPanel(QWidget* parent = nullptr);
    ~TWatchPanel() override;

    // Unregisters from the old engine, registers with the new one and, when
    // AddAll is set and its rules may be shown, lists every variable.
    void SetExpertSystem(quorvel::TExpertSystem* engine);
    quorvel::TExpertSystem* ExpertSystem() const { return engine_; }
    // Attaching to an engine lists every variable of the base.
    void SetAddAll(bool addAll);
    bool AddAll() const { return addAll_; }
    // The height of the values list; the variables list gets the rest.
    void SetValuesListHeight(int height);
    int ValuesListHeight() const { return valuesListHeight_; }

    // Watches a variable (only with an engine and a base that is not new).
    void AddVariable(int32_t varCode);
    // Stops watching a variable; `name` (a base text) may be empty, the name
    // is then looked up. A variable that is not watched is left alone.
    void RemoveVariable(int32_t varCode, const std::string& name = {});
    void ClearAll();
    // Every variable of the base in the variables list; the watched set stays empty.
    void ListAll();
    // The values of the selected variable, or why there are none.
    void UpdateValues();

    const std::set<int32_t>& Watched() const { return watched_; }
    // The lowest the panel may be: both labels and 150 pixels.
    int MinimumPanelHeight() const;

    QLabel* labelVars = nullptr;
    TCodeList* listVars = nullptr;
    QLabel* labelValues = nullptr;
    TCodeList* listValues = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TWatchPanelInterface;
    quorvel::TExCtrlInterface* Notifier();
    void ArrangeLists();
    bool Usable() const;

    quorvel::TExpertSystem* engine_ = nullptr;
    bool addAll_ = true;
    int valuesListHeight_ = 50;
    std::set<int32_t> watched_;
    std::unique_ptr<quorvel::TExCtrlInterface> notifier_;
};
