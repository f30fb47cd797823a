#include "ExPlan.h"

#include <algorithm>
#include <limits>

namespace quorvel {

namespace {

// Codes spread wider than this are looked up in a hash map instead of a table.
constexpr int64_t kDenseRange = int64_t{1} << 17;

}  // namespace

TPlanOperator TConsultPlan::OperatorOf(const TTailNode& premise) {
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
        if (premise.Operator == pair.text) return premise.Negated ? pair.negated : pair.plain;
    return TPlanOperator::Other;
}

namespace {

// Runs of equal codes in a container's code chain, in chain order.
template <class Record, class Visit>
void ForEachCodeRun(const TSingleIndexTree& tree, Visit visit) {
    const std::vector<TNode*> records = tree.Records(kKeyCode);
    std::size_t begin = 0;
    while (begin < records.size()) {
        std::size_t end = begin + 1;
        while (end < records.size() && records[end]->Code == records[begin]->Code) ++end;
        std::vector<const Record*> run;
        run.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) run.push_back(static_cast<const Record*>(records[i]));
        visit(records[begin]->Code, run);
        begin = end;
    }
}

// Slots for codes while the plan is built; the first slot of a code wins.
class TSlotBuilder {
public:
    // The code's slot, and whether it was given just now.
    std::pair<int32_t, bool> Slot(int32_t code) {
        const auto [it, added] = slots_.emplace(code, static_cast<int32_t>(slots_.size()));
        return {it->second, added};
    }
    void Finish(TCodeSlots& into) const {
        into.Build(std::vector<std::pair<int32_t, int32_t>>(slots_.begin(), slots_.end()));
    }

private:
    std::unordered_map<int32_t, int32_t> slots_;
};

}  // namespace

// ---------------------------------------------------------------- TCodeSlots

void TCodeSlots::Build(const std::vector<std::pair<int32_t, int32_t>>& codeSlots) {
    table_.clear();
    sparse_.clear();
    if (codeSlots.empty()) return;
    int64_t low = std::numeric_limits<int64_t>::max();
    int64_t high = std::numeric_limits<int64_t>::min();
    for (const auto& [code, slot] : codeSlots) {
        low = std::min<int64_t>(low, code);
        high = std::max<int64_t>(high, code);
    }
    if (high - low < kDenseRange) {
        low_ = low;
        table_.assign(static_cast<std::size_t>(high - low + 1), kAbsent);
        for (const auto& [code, slot] : codeSlots) {
            int32_t& entry = table_[static_cast<std::size_t>(code - low)];
            if (entry == kAbsent) entry = slot;
        }
        return;
    }
    for (const auto& [code, slot] : codeSlots) sparse_.emplace(code, slot);
}

int32_t TCodeSlots::SparseSlotOf(int32_t code) const {
    const auto it = sparse_.find(code);
    return it == sparse_.end() ? kAbsent : it->second;
}

// -------------------------------------------------------------- TConsultPlan

TConsultPlan::TConsultPlan(const TVars& vars, const TValues& values, const TRules& rules, const TTails& tails,
                           const THeads& heads, const TFormulas& formulas, const TTargets& targets) {
    TSlotBuilder varSlots;
    TSlotBuilder ruleSlots;
    const auto varSlot = [&](int32_t code) {
        const auto [slot, added] = varSlots.Slot(code);
        if (added) vars_.emplace_back().Code = code;
        return slot;
    };
    const auto ruleSlot = [&](int32_t code) {
        const auto [slot, added] = ruleSlots.Slot(code);
        if (added) rules_.emplace_back().Code = code;
        return slot;
    };

    // A record found by its code is the first of its code in the chain.
    for (const TNode* node : vars.Records(kKeyCode)) {
        TPlanVar& var = vars_[static_cast<std::size_t>(varSlot(node->Code))];
        if (var.Exists) continue;
        const auto* record = static_cast<const TVarNode*>(node);
        var.Exists = true;
        var.Numeric = record->Numeric;
        var.Multivalued = record->Multivalued;
        var.Name = record->Name;
    }
    for (const TNode* node : rules.Records(kKeyCode)) {
        TPlanRule& rule = rules_[static_cast<std::size_t>(ruleSlot(node->Code))];
        if (rule.Exists) continue;
        rule.Exists = true;
        rule.Order = static_cast<const TValNode*>(node)->VarCode;
    }

    premises_.reserve(static_cast<std::size_t>(tails.Count()));
    connectives_.reserve(static_cast<std::size_t>(tails.Count()));
    ForEachCodeRun<TTailNode>(tails, [&](int32_t code, const std::vector<const TTailNode*>& run) {
        const int32_t slot = ruleSlot(code);
        rules_[static_cast<std::size_t>(slot)].PremisesBegin = static_cast<uint32_t>(premises_.size());
        for (const TTailNode* premise : run) {
            premises_.push_back({*premise, varSlot(premise->VarCode), TConsultPlan::OperatorOf(*premise)});
            connectives_.push_back(premise->Connective);
        }
        rules_[static_cast<std::size_t>(slot)].PremisesEnd = static_cast<uint32_t>(premises_.size());
    });
    conclusions_.reserve(static_cast<std::size_t>(heads.Count()));
    ForEachCodeRun<THeadNode>(heads, [&](int32_t code, const std::vector<const THeadNode*>& run) {
        const int32_t slot = ruleSlot(code);
        rules_[static_cast<std::size_t>(slot)].ConclusionsBegin = static_cast<uint32_t>(conclusions_.size());
        for (const THeadNode* head : run) {
            varSlot(head->VarCode);
            conclusions_.push_back({head->VarCode, head->ValueCode, head->Cnf, std::to_string(head->ValueCode)});
        }
        rules_[static_cast<std::size_t>(slot)].ConclusionsEnd = static_cast<uint32_t>(conclusions_.size());
    });
    for (const TTargetNode& target : targets.Items()) varSlot(target.VarCode);

    // The rules of a variable come from its conclusions visited in balanced
    // order (a rule with two conclusions about it is listed twice), sorted
    // by order number with ties kept in that visiting order. A conclusion
    // whose rule does not exist (a damaged file) names no rule to try.
    std::vector<std::vector<int32_t>> byVar(vars_.size());
    for (const TNode* node : heads.BalancedOrder(kKeyCode)) {
        const int32_t rule = ruleSlot(node->Code);
        if (!rules_[static_cast<std::size_t>(rule)].Exists) continue;
        byVar[static_cast<std::size_t>(varSlot(static_cast<const THeadNode*>(node)->VarCode))].push_back(rule);
    }
    candidates_.reserve(static_cast<std::size_t>(heads.Count()));
    for (std::size_t v = 0; v < vars_.size(); ++v) {
        std::vector<int32_t>& list = byVar[v];
        std::stable_sort(list.begin(), list.end(), [this](int32_t a, int32_t b) {
            return rules_[static_cast<std::size_t>(a)].Order < rules_[static_cast<std::size_t>(b)].Order;
        });
        vars_[v].CandidatesBegin = static_cast<uint32_t>(candidates_.size());
        candidates_.insert(candidates_.end(), list.begin(), list.end());
        vars_[v].CandidatesEnd = static_cast<uint32_t>(candidates_.size());
    }
    varSlots.Finish(varSlots_);
    ruleSlots.Finish(ruleSlots_);

    TSlotBuilder valueSlots;
    for (const TNode* node : values.Records(kKeyCode))
        if (valueSlots.Slot(node->Code).second) valueNames_.push_back(static_cast<const TNamedNode*>(node)->Name);
    valueSlots.Finish(valueSlots_);
    TSlotBuilder formulaSlots;
    for (const TNode* node : formulas.Records(kKeyCode))
        if (formulaSlots.Slot(node->Code).second) formulaTexts_.push_back(static_cast<const TNamedNode*>(node)->Name);
    formulaSlots.Finish(formulaSlots_);
}

const std::string* TConsultPlan::ValueName(int32_t valueCode) const {
    const int32_t slot = valueSlots_.SlotOf(valueCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &valueNames_[static_cast<std::size_t>(slot)];
}

const std::string* TConsultPlan::FormulaText(int32_t formulaCode) const {
    const int32_t slot = formulaSlots_.SlotOf(formulaCode);
    return slot == TCodeSlots::kAbsent ? nullptr : &formulaTexts_[static_cast<std::size_t>(slot)];
}

}  // namespace quorvel
