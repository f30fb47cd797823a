// What the editor windows need of the window that owns them: the rule-base
// window of the open base. The rule windows tell it when a rule was saved or
// a window closed; the variables, targets, interface and information editors
// find out which of them are open and tell it what they changed.
#pragma once

#include <QString>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ExEditing.h"

class QMdiArea;
class QWidget;
class TfrmRule;

namespace quorvel {
class TExpertSystem;
}

// The four editors that exist at most once each.
enum class TEditorKind { Variables, Targets, Questions, Infos };

class TEditorHost {
public:
    virtual ~TEditorHost() = default;

    virtual quorvel::TExpertSystem& Engine() = 0;
    // Where the editor windows open, and the widget their deferred work hangs on.
    virtual QMdiArea* EditorArea() = 0;
    virtual QWidget* HostWidget() = 0;
    // The base was changed through an editor.
    virtual void SetModified() = 0;

    // ---- rule windows
    // A rule window wrote its rule into the base.
    virtual void RuleSaved(TfrmRule* window, const quorvel::TRuleDraft::TSaved& saved) = 0;
    // A rule window is going away, saved or not.
    virtual void RuleWindowClosed(TfrmRule* window) = 0;
    // The "Nova Regra" command, run after a rule window closed with Nova...
    virtual void NewRuleCommand() = 0;

    // ---- the single-instance editors
    virtual bool EditorOpen(TEditorKind kind) const = 0;
    virtual void EditorClosed(TEditorKind kind) = 0;
    // Before rules are deleted by the variables editor: the rule windows on
    // them, or whose lines match `use`, close without saving.
    virtual void CloseRuleWindowsUsing(const quorvel::TLineUse& use, const std::set<int32_t>& rules) = 0;
    // A variable left the base (`name` is its base text).
    virtual void VariableDeleted(int32_t varCode, const std::string& name) = 0;
    // The variables editor applied its changes.
    virtual void VariablesApplied(const quorvel::TVarsDraft::TApplied& applied) = 0;
};
