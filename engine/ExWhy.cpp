#include "ExWhy.h"

#include "ExConsultTree.h"
#include "ExPasswd.h"
#include "ExText.h"

namespace quorvel {

namespace {

constexpr const char* kObjective = "Este \xE9 um dos objetivos do sistema.";

// One line of the explanation: lead, the variable, the operator and the value.
std::string WhyLine(std::string_view lead, std::string_view var, std::string_view op, std::string_view value) {
    return JoinText({lead, var, " ", op, " ", value});
}

}  // namespace

std::vector<std::string> TWhyText::AuthorReasons(int32_t varCode) const {
    // While a consultation runs the plan holds the question; a variable it
    // does not know is looked up, its question cursor kept.
    if (const TPlanVar* var = engine_.PlannedVar(varCode)) {
        const TPlanQuestion* question = engine_.Plan()->QuestionOf(*var);
        return question ? question->Reasons : std::vector<std::string>();
    }
    TQuestions& questions = engine_.Questions();
    const auto mark = questions.MarkCursors();
    std::vector<std::string> reasons;
    if (questions.Find(varCode)) reasons = questions.CurrentQuestion()->Reasons;
    questions.ReturnToMark(mark);
    return reasons;
}

bool TWhyText::FillRuleFromPlan(int32_t varCode, int32_t ruleCode) {
    const TPlanRule* rule = engine_.PlannedRule(ruleCode);
    if (!rule) return false;
    const TConsultPlan* plan = engine_.Plan();
    const auto text = [&](int32_t var, int32_t value) -> std::optional<std::pair<std::string_view, std::string_view>> {
        const TPlanVar* planned = engine_.PlannedVar(var);
        const auto valueText = engine_.PlannedValueText(var, value);
        if (!planned || !valueText) return std::nullopt;
        return std::make_pair(std::string_view(planned->Name), *valueText);
    };
    std::vector<std::string> lines;
    lines.reserve(2 + (rule->ConclusionsEnd - rule->ConclusionsBegin) + (rule->PremisesEnd - rule->PremisesBegin));
    lines.push_back("Para concluir");
    for (const TPlanConclusion& conclusion : plan->Conclusions(*rule)) {
        const auto names = text(conclusion.VarCode, conclusion.ValueCode);
        if (!names) return false;
        lines.push_back(WhyLine(" -  ", names->first, "=", names->second));
    }
    lines.push_back("eu preciso saber se");
    const auto premises = plan->Premises(*rule);
    for (std::size_t i = 0; i < premises.size(); ++i) {
        const auto names = text(premises[i].VarCode, premises[i].ValueCode);
        if (!names) return false;
        lines.push_back(WhyLine(premises[i].VarCode == varCode ? "==> " : " -  ", names->first,
                                plan->OperatorText(premises[i]), names->second));
    }
    lines_ = std::move(lines);
    return true;
}

void TWhyText::FillRuleFromBase(int32_t varCode, int32_t ruleCode) {
    TSavedCursors keep(engine_);
    lines_.push_back("Para concluir");
    for (const THeadNode& conclusion : RuleConclusions(engine_, ruleCode))
        lines_.push_back(WhyLine(" -  ", engine_.VarName(conclusion.VarCode), "=",
                                 engine_.ValueTextOf(conclusion.VarCode, conclusion.ValueCode)));
    lines_.push_back("eu preciso saber se");
    for (const TTailNode& premise : RulePremises(engine_, ruleCode))
        lines_.push_back(WhyLine(premise.VarCode == varCode ? "==> " : " -  ", engine_.VarName(premise.VarCode),
                                 premise.Operator, engine_.ValueTextOf(premise.VarCode, premise.ValueCode)));
}

const std::vector<std::string>& TWhyText::Fill(int32_t varCode) {
    lines_ = AuthorReasons(varCode);
    if (!lines_.empty() || engine_.AccessLevel == kAccessConsultOnly) return lines_;
    if (!engine_.CurrentPremise) {
        lines_.push_back(kObjective);
        return lines_;
    }
    // The plan names the rule's lines while a consultation runs; what it
    // cannot name (a damaged base) takes the lookups of the containers.
    const int32_t ruleCode = engine_.CurrentPremise->RuleCode;
    if (!FillRuleFromPlan(varCode, ruleCode)) FillRuleFromBase(varCode, ruleCode);
    return lines_;
}

}  // namespace quorvel
