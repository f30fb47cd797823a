// Why a question is asked: the lines the why dialog shows, either the
// author's own reasons attached to the question or an explanation built
// from the rule whose premise caused the question. The lines are base texts
// (Windows-1252); the dialog only shows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

class TWhyText {
public:
    explicit TWhyText(TExpertSystem& engine) : engine_(engine) {}

    // Rebuilds the lines for a question about the variable. The engine's
    // cursors and current premise are left as they were.
    const std::vector<std::string>& Fill(int32_t varCode);
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    // The reasons the author attached to the variable's question, if any.
    std::vector<std::string> AuthorReasons(int32_t varCode) const;
    // The lines of the rule whose premise asks, from the running
    // consultation's plan; false (lines untouched) when the plan cannot name
    // them all.
    bool FillRuleFromPlan(int32_t varCode, int32_t ruleCode);
    // The same lines, looked up in the containers.
    void FillRuleFromBase(int32_t varCode, int32_t ruleCode);

    TExpertSystem& engine_;
    std::vector<std::string> lines_;
};

}  // namespace quorvel
