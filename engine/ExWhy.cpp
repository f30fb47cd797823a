#include "ExWhy.h"

#include "ExConsultTree.h"
#include "ExPasswd.h"

namespace quorvel {

const std::vector<std::string>& TWhyText::Fill(int32_t varCode) {
    lines_.clear();
    TSavedCursors keep(engine_);
    TQuestions& questions = engine_.Questions();
    if (questions.Find(varCode) && !questions.CurrentQuestion()->Reasons.empty()) {
        lines_ = questions.CurrentQuestion()->Reasons;
        return lines_;
    }
    if (engine_.AccessLevel == kAccessConsultOnly) return lines_;
    if (!engine_.CurrentPremise) {
        lines_.push_back("Este \xE9 um dos objetivos do sistema.");
        return lines_;
    }
    const int32_t ruleCode = engine_.CurrentPremise->RuleCode;
    lines_.push_back("Para concluir");
    for (const THeadNode& conclusion : RuleConclusions(engine_, ruleCode))
        lines_.push_back(" -  " + engine_.VarName(conclusion.VarCode) + " = " +
                         engine_.ValueTextOf(conclusion.VarCode, conclusion.ValueCode));
    lines_.push_back("eu preciso saber se");
    for (const TTailNode& premise : RulePremises(engine_, ruleCode))
        lines_.push_back(std::string(premise.VarCode == varCode ? "==> " : " -  ") + engine_.VarName(premise.VarCode) +
                         " " + premise.Operator + " " + engine_.ValueTextOf(premise.VarCode, premise.ValueCode));
    return lines_;
}

}  // namespace quorvel
