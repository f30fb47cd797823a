#include "ExPlan.h"

#include <algorithm>
#include <string_view>

#include "ExText.h"

namespace quorvel {

TPlanOperator TConsultPlan::OperatorOf(const TTailNode& premise) {
    return OperatorOf(premise.Operator, premise.Negated);
}

TPlanOperator TConsultPlan::OperatorOf(std::string_view text, bool negated) {
    // A negated premise compares with the opposite operator.
    struct TPair {
        const char* text;
        TPlanOperator plain;
        TPlanOperator negated;
    };
    static constexpr TPair kOperators[] = {
        {"=", TPlanOperator::Equal, TPlanOperator::NotEqual},
        {"<>", TPlanOperator::NotEqual, TPlanOperator::Equal},
        {">", TPlanOperator::Greater, TPlanOperator::LessEqual},
        {"<=", TPlanOperator::LessEqual, TPlanOperator::Greater},
        {"<", TPlanOperator::Less, TPlanOperator::GreaterEqual},
        {">=", TPlanOperator::GreaterEqual, TPlanOperator::Less},
    };
    for (const TPair& pair : kOperators)
        if (text == pair.text) return negated ? pair.negated : pair.plain;
    return TPlanOperator::Other;
}

namespace {

// Runs of records with equal keys in a container's chain, in chain order:
// visit(key, first, last) with [first, last) positions in `records`.
template <class KeyOf, class Visit>
void ForEachRun(const std::vector<TNode*>& records, KeyOf keyOf, Visit visit) {
    std::size_t begin = 0;
    while (begin < records.size()) {
        const int32_t key = keyOf(records[begin]);
        std::size_t end = begin + 1;
        while (end < records.size() && keyOf(records[end]) == key) ++end;
        visit(key, begin, end);
        begin = end;
    }
}

// Runs of equal codes in a container's code chain.
template <class Visit>
void ForEachCodeRun(const std::vector<TNode*>& records, Visit visit) {
    ForEachRun(records, [](const TNode* node) { return node->Code; }, visit);
}

}  // namespace

// ---------------------------------------------------------------- TCodeSlots

std::pair<int32_t, bool> TCodeSlots::AssignOther(int32_t code, int32_t next) {
    if (code >= 0 && code <= kHigh) {
        table_.resize(std::max(static_cast<std::size_t>(code) + 1, 2 * table_.size()), kAbsent);
        return Assign(code, next);
    }
    const auto [it, added] = others_.emplace(code, next);
    return {it->second, added};
}

int32_t TCodeSlots::OtherSlotOf(int32_t code) const {
    if (others_.empty()) return kAbsent;
    const auto it = others_.find(code);
    return it == others_.end() ? kAbsent : it->second;
}

// -------------------------------------------------------------- TConsultPlan

TConsultPlan::TConsultPlan(const TVars& vars, const TValues& values, const TRules& rules, const TTails& tails,
                           const THeads& heads, const TFormulas& formulas, const TTargets& targets,
                           const TQuestions& questions) {
    const auto varSlot = [&](int32_t code) {
        const auto [slot, added] = varSlots_.Assign(code, static_cast<int32_t>(vars_.size()));
        if (added) vars_.emplace_back().Code = code;
        return slot;
    };
    const auto ruleSlot = [&](int32_t code) {
        const auto [slot, added] = ruleSlots_.Assign(code, static_cast<int32_t>(rules_.size()));
        if (added) rules_.emplace_back().Code = code;
        return slot;
    };

    // A record found by its code is the first of its code in the chain.
    vars_.reserve(static_cast<std::size_t>(vars.Count()));
    for (const TNode* node : vars.Records(kKeyCode)) {
        TPlanVar& var = vars_[static_cast<std::size_t>(varSlot(node->Code))];
        if (var.Exists) continue;
        const auto* record = static_cast<const TVarNode*>(node);
        var.Exists = true;
        var.Numeric = record->Numeric;
        var.Multivalued = record->Multivalued;
        var.Name = record->Name;
    }
    rules_.reserve(static_cast<std::size_t>(rules.Count()));
    for (const TNode* node : rules.Records(kKeyCode)) {
        TPlanRule& rule = rules_[static_cast<std::size_t>(ruleSlot(node->Code))];
        if (rule.Exists) continue;
        rule.Exists = true;
        rule.Order = static_cast<const TValNode*>(node)->VarCode;
    }

    // A base writes a handful of distinct operators: each premise keeps the
    // index of its own text, found among those seen so far, and takes the
    // comparison worked out once for that text.
    std::vector<std::pair<TPlanOperator, TPlanOperator>> comparisons;  // plain and negated, by text
    uint32_t lastText = 0;  // premises in a row mostly share their operator
    const auto operatorText = [&](const std::string& text) {
        if (lastText < operatorTexts_.size() && operatorTexts_[lastText] == text) return lastText;
        for (std::size_t i = 0; i < operatorTexts_.size(); ++i)
            if (operatorTexts_[i] == text) return lastText = static_cast<uint32_t>(i);
        operatorTexts_.push_back(text);
        comparisons.emplace_back(OperatorOf(text, false), OperatorOf(text, true));
        return lastText = static_cast<uint32_t>(operatorTexts_.size() - 1);
    };
    const std::vector<TNode*> premiseRecords = tails.Records(kKeyCode);
    premises_.reserve(premiseRecords.size());
    connectives_.reserve(premiseRecords.size());
    ForEachCodeRun(premiseRecords, [&](int32_t code, std::size_t first, std::size_t last) {
        TPlanRule& rule = rules_[static_cast<std::size_t>(ruleSlot(code))];
        rule.PremisesBegin = static_cast<uint32_t>(premises_.size());
        rule.PremisesEnd = static_cast<uint32_t>(premises_.size() + (last - first));
        for (std::size_t i = first; i < last; ++i) {
            const auto* premise = static_cast<const TTailNode*>(premiseRecords[i]);
            const uint32_t text = operatorText(premise->Operator);
            const auto [plain, negated] = comparisons[text];
            premises_.push_back({premise->Code, premise->VarCode, premise->ValueCode, varSlot(premise->VarCode),
                                 premise->Negated ? negated : plain, premise->Negated, text});
            connectives_.push_back(premise->Connective);
        }
    });
    const std::vector<TNode*> conclusionRecords = heads.Records(kKeyCode);
    conclusions_.reserve(conclusionRecords.size());
    ForEachCodeRun(conclusionRecords, [&](int32_t code, std::size_t first, std::size_t last) {
        TPlanRule& rule = rules_[static_cast<std::size_t>(ruleSlot(code))];
        rule.ConclusionsBegin = static_cast<uint32_t>(conclusions_.size());
        rule.ConclusionsEnd = static_cast<uint32_t>(conclusions_.size() + (last - first));
        for (std::size_t i = first; i < last; ++i) {
            const auto* head = static_cast<const THeadNode*>(conclusionRecords[i]);
            varSlot(head->VarCode);
            conclusions_.push_back({head->VarCode, head->ValueCode, head->Cnf});
        }
    });
    for (const TTargetNode& target : targets.Items()) varSlot(target.VarCode);

    // The rules of a variable come from its conclusions visited in balanced
    // order (a rule with two conclusions about it is listed twice), sorted
    // by order number with ties kept in that visiting order. A conclusion
    // whose rule does not exist (a damaged file) names no rule to try.
    struct TCandidate {
        int32_t var;
        int32_t order;
        int32_t rule;
    };
    std::vector<TCandidate> found;
    found.reserve(conclusionRecords.size());
    for (const int32_t position : TSingleIndexTree::BalancedPositions(static_cast<int32_t>(conclusionRecords.size()))) {
        const auto* head = static_cast<const THeadNode*>(conclusionRecords[static_cast<std::size_t>(position)]);
        const int32_t rule = ruleSlot(head->Code);
        if (!rules_[static_cast<std::size_t>(rule)].Exists) continue;
        found.push_back({varSlot(head->VarCode), rules_[static_cast<std::size_t>(rule)].Order, rule});
    }
    // Grouped by variable in one counting pass, which keeps the visiting
    // order; each variable's few rules are then sorted by order number.
    std::vector<uint32_t> groupEnd(vars_.size() + 1, 0);
    for (const TCandidate& candidate : found) ++groupEnd[static_cast<std::size_t>(candidate.var) + 1];
    for (std::size_t v = 0; v < vars_.size(); ++v) {
        groupEnd[v + 1] += groupEnd[v];
        vars_[v].CandidatesBegin = groupEnd[v];
        vars_[v].CandidatesEnd = groupEnd[v + 1];
    }
    std::vector<TCandidate> grouped(found.size());
    for (const TCandidate& candidate : found) grouped[groupEnd[static_cast<std::size_t>(candidate.var)]++] = candidate;
    candidates_.resize(grouped.size());
    for (TPlanVar& var : vars_) {
        const auto begin = grouped.begin() + var.CandidatesBegin;
        const auto end = grouped.begin() + var.CandidatesEnd;
        std::stable_sort(begin, end, [](const TCandidate& a, const TCandidate& b) { return a.order < b.order; });
        std::transform(begin, end, candidates_.begin() + var.CandidatesBegin,
                       [](const TCandidate& candidate) { return candidate.rule; });
    }

    for (const TNode* node : values.Records(kKeyCode))
        if (valueSlots_.Assign(node->Code, static_cast<int32_t>(valueNames_.size())).second)
            valueNames_.push_back(static_cast<const TNamedNode*>(node)->Name);
    for (const TNode* node : formulas.Records(kKeyCode))
        if (formulaSlots_.Assign(node->Code, static_cast<int32_t>(formulaTexts_.size())).second)
            formulaTexts_.push_back(static_cast<const TNamedNode*>(node)->Name);

    // A variable's values in the order of its chain, then by position: a
    // value goes after every value whose position is not greater than its own.
    const std::vector<TNode*> valueRecords = values.Records(kKeyThird);
    options_.reserve(valueRecords.size());
    std::vector<const TValNode*> run;
    ForEachRun(
        valueRecords, [](const TNode* node) { return static_cast<const TValNode*>(node)->VarCode; },
        [&](int32_t varCode, std::size_t first, std::size_t last) {
            const int32_t slot = varSlots_.SlotOf(varCode);
            if (slot == TCodeSlots::kAbsent) return;
            TPlanVar& var = vars_[static_cast<std::size_t>(slot)];
            if (var.OptionsEnd != var.OptionsBegin) return;
            run.clear();
            for (std::size_t i = first; i < last; ++i) run.push_back(static_cast<const TValNode*>(valueRecords[i]));
            std::stable_sort(run.begin(), run.end(),
                             [](const TValNode* a, const TValNode* b) { return a->Position < b->Position; });
            var.OptionsBegin = static_cast<uint32_t>(options_.size());
            for (const TValNode* value : run) {
                const std::string* name = ValueName(value->Code);
                if (!name || *name != value->Name) var.OptionsPlanned = false;
                options_.push_back(value->Code);
            }
            var.OptionsEnd = static_cast<uint32_t>(options_.size());
        });

    // A variable's question is the first record of its code.
    questions_.reserve(static_cast<std::size_t>(questions.Count()));
    for (const TNode* node : questions.Records(kKeyCode)) {
        const int32_t slot = varSlots_.SlotOf(node->Code);
        if (slot == TCodeSlots::kAbsent || vars_[static_cast<std::size_t>(slot)].Question >= 0) continue;
        const auto* question = static_cast<const TQuestionNode*>(node);
        vars_[static_cast<std::size_t>(slot)].Question = static_cast<int32_t>(questions_.size());
        questions_.push_back({question->Text, question->Reasons, question->UseCnf});
    }
}

TTailNode TConsultPlan::PremiseNode(const TPlanPremise& premise, int32_t connective) const {
    TTailNode node;
    node.Code = premise.RuleCode;
    node.VarCode = premise.VarCode;
    node.Operator = OperatorText(premise);
    node.ValueCode = premise.ValueCode;
    node.Connective = connective;
    node.Negated = premise.Negated;
    return node;
}

const TPlanPremise* TConsultPlan::PremiseOf(const TPlanRule& rule, int32_t index) const {
    const std::span<const TPlanPremise> premises = Premises(rule);
    if (index < 1 || static_cast<std::size_t>(index) > premises.size()) return nullptr;
    return &premises[static_cast<std::size_t>(index) - 1];
}

std::optional<TTailNode> TConsultPlan::PremiseAt(const TPlanRule& rule, int32_t index) const {
    const TPlanPremise* premise = PremiseOf(rule, index);
    if (!premise) return std::nullopt;
    return PremiseNode(*premise, Connectives(rule)[static_cast<std::size_t>(index) - 1]);
}

const std::string* TConsultPlan::ValueName(int32_t valueCode) const {
    const int32_t slot = valueSlots_.SlotOf(valueCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &valueNames_[static_cast<std::size_t>(slot)];
}

const std::string* TConsultPlan::FormulaText(int32_t formulaCode) const {
    const int32_t slot = formulaSlots_.SlotOf(formulaCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &formulaTexts_[static_cast<std::size_t>(slot)];
}

const TPlanVar* TConsultPlan::ExistingVar(int32_t varCode) const {
    const int32_t slot = VarSlot(varCode);
    if (slot == TCodeSlots::kAbsent || !Var(slot).Exists) return nullptr;
    return &Var(slot);
}

const TPlanRule* TConsultPlan::RuleOf(int32_t ruleCode) const {
    const int32_t slot = RuleSlot(ruleCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &Rule(slot);
}

std::optional<std::string_view> TConsultPlan::ValueText(int32_t varCode, int32_t valueCode) const {
    const TPlanVar* var = ExistingVar(varCode);
    if (!var) return std::nullopt;
    const std::string* text = nullptr;
    if (var->Numeric) {
        if (valueCode == kCodeUnknown) return kTextUnknown;
        text = FormulaText(valueCode);
    } else {
        switch (valueCode) {
            case kCodeNo: return kTextNo;
            case kCodeYes: return kTextYes;
            case kCodeUnknown: return kTextUnknown;
            default: text = ValueName(valueCode); break;
        }
    }
    if (!text) return std::nullopt;
    return *text;
}

std::string TConsultPlan::OrderText(const TPlanRule& rule) {
    return rule.Exists ? std::to_string(rule.Order) : std::string("???");
}

}  // namespace quorvel
