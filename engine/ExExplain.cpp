#include "ExExplain.h"

#include <algorithm>

#include "ExConsts.h"
#include "ExConsultTree.h"
#include "ExText.h"

namespace quorvel {

namespace {

constexpr const char* kTimes = " \xD7 ";  // ×

bool SameValue(const THeldValue& a, const THeldValue& b) {
    if (a.IsCode != b.IsCode) return false;
    return a.IsCode ? a.Code == b.Code : AnsiSameText(a.Text, b.Text);
}

const THeldValue* Find(const std::vector<THeldValue>& held, const THeldValue& value) {
    for (const THeldValue& candidate : held)
        if (SameValue(candidate, value)) return &candidate;
    return nullptr;
}

THeldValue CodeValue(int32_t code, float cnf = 0.0f) {
    THeldValue value;
    value.Code = code;
    value.Cnf = cnf;
    return value;
}

}  // namespace

bool THeldValue::operator==(const THeldValue& other) const { return SameValue(*this, other); }

std::vector<THeldValue> HeldValuesOf(TExpertSystem& engine, int32_t varCode) {
    std::vector<THeldValue> held;
    if (!engine.Running) return held;
    if (const THeldSet* set = engine.HeldSet(varCode)) {
        held.reserve(set->Codes.size() + set->Numbers.size());
        for (const THeldSet::TCode& code : set->Codes) held.push_back(CodeValue(code.ValueCode, code.Cnf));
        for (const THeldSet::TNumber& number : set->Numbers) {
            THeldValue& value = held.emplace_back();
            value.IsCode = false;
            value.Text = number.Text;
            value.Cnf = number.Cnf;
        }
        return held;
    }
    TSavedCursors saved(engine);
    TVarListTree& symbolic = engine.VarList();
    for (bool found = symbolic.Find(varCode); found && !symbolic.Eof() && symbolic.GetCode() == varCode;
         symbolic.Next())
        held.push_back(CodeValue(symbolic.GetValueCode(), symbolic.GetCnf()));
    TVarListExtraTree& numeric = engine.VarListExtra();
    for (bool found = numeric.Find(varCode); found && !numeric.Eof() && numeric.GetCode() == varCode;
         numeric.Next()) {
        THeldValue value;
        value.IsCode = false;
        value.Text = numeric.GetValueText();
        value.Cnf = numeric.GetCnf();
        held.push_back(value);
    }
    return held;
}

std::string HeldValueText(TExpertSystem& engine, int32_t varCode, const THeldValue& value) {
    if (!value.IsCode) return value.Text;
    // While a consultation runs the plan names it without touching a cursor.
    if (const auto planned = engine.PlannedValueText(varCode, value.Code)) return std::string(*planned);
    TSavedCursors saved(engine);
    return engine.ValueTextOf(varCode, value.Code);
}

std::optional<int32_t> FindValueCode(TExpertSystem& engine, int32_t varCode, const std::string& name) {
    TSavedCursors saved(engine);
    std::vector<TValueListEntry> list;
    engine.ValueList(varCode, list);
    for (const TValueListEntry& entry : list) {
        if (!AnsiSameText(entry.Name, name)) continue;
        if (entry.Value) return entry.Value->Code;
        return AnsiSameText(name, kTextYes) ? kCodeYes : kCodeNo;
    }
    return std::nullopt;
}

std::string PercentText(float cnf) {
    std::string text = CnfText(static_cast<double>(cnf) * 100.0);
    std::replace(text.begin(), text.end(), '.', ',');
    return text + "%";
}

const char* WhyNotKindName(TWhyNotKind kind) {
    switch (kind) {
        case TWhyNotKind::Concluded: return "concluded";
        case TWhyNotKind::BelowMinimum: return "belowMinimum";
        case TWhyNotKind::NoRuleConcludes: return "noRuleConcludes";
        case TWhyNotKind::Answered: return "answered";
        case TWhyNotKind::NotSought: return "notSought";
        case TWhyNotKind::AlreadySettled: return "alreadySettled";
        case TWhyNotKind::PremiseFailed: return "premiseFailed";
        case TWhyNotKind::RuleCnfBelowMinimum: return "ruleCnfBelowMinimum";
        case TWhyNotKind::ConclusionBelowMinimum: return "conclusionBelowMinimum";
        case TWhyNotKind::Replaced: return "replaced";
    }
    return "";
}

// ------------------------------------------------------------------ recording

TExplanationRecorder::TExplanationRecorder(TExpertSystem& engine) : engine_(engine) {
    engine_.SetInferenceListener(this);
}

TExplanationRecorder::~TExplanationRecorder() {
    if (engine_.InferenceListener() == this) engine_.SetInferenceListener(nullptr);
}

uint64_t TExplanationRecorder::Mark() const { return engine_.Tape().End(); }

void TExplanationRecorder::ConsultationStarted() {
    rules_.clear();
    open_.clear();
    stores_.clear();
    held_.clear();
    sought_.clear();
    pending_.clear();
    lastConclusionCombination_.reset();
    pendingDefault_ = false;
    // Room for every rule and variable of the base, so the tables never grow while the engine runs.
    if (const TConsultPlan* plan = engine_.Plan()) {
        rules_.reserve(plan->RuleCount());
        stores_.reserve(plan->VarCount());
        held_.reserve(plan->VarCount());
        sought_.reserve(plan->VarCount());
    }
}

void TExplanationRecorder::VariableSought(int32_t varCode) { sought_.emplace(varCode, Mark()); }

void TExplanationRecorder::RuleStarted(int32_t ruleCode) {
    TRuleFigures& figures = rules_[ruleCode];
    figures = TRuleFigures();
    figures.RuleCode = ruleCode;
    figures.Mark = Mark();
    // Room for a figure per premise and per connective, made at once.
    if (const TPlanRule* rule = engine_.PlannedRule(ruleCode)) {
        const std::size_t premises = rule->PremisesEnd - rule->PremisesBegin;
        figures.Premises.reserve(premises);
        figures.Combinations.reserve(premises);
    }
    open_.emplace_back(ruleCode, &figures);
}

void TExplanationRecorder::Combined(const TCombination& combination) {
    if (combination.Kind == TCombination::TKind::Conclusion) {
        lastConclusionCombination_ = combination;
        return;
    }
    if (open_.empty()) return;
    open_.back().second->Combinations.push_back(combination);
}

void TExplanationRecorder::PremiseEvaluated(int32_t ruleCode, int32_t index, int32_t varCode, float cnf) {
    const auto stores = stores_.find(varCode);
    const std::size_t storeCount = stores == stores_.end() ? 0 : stores->second.size();
    TRuleFigures& figures = !open_.empty() && open_.back().first == ruleCode ? *open_.back().second : rules_[ruleCode];
    figures.Premises.push_back({index, cnf, varCode, storeCount});
}

void TExplanationRecorder::RuleDecided(int32_t ruleCode, bool fired, float cnf) {
    TRuleFigures& figures = rules_[ruleCode];
    figures.RuleCode = ruleCode;
    figures.Decided = true;
    figures.Fired = fired;
    figures.Cnf = cnf;
    const auto at =
        std::find_if(open_.rbegin(), open_.rend(), [ruleCode](const auto& open) { return open.first == ruleCode; });
    if (at != open_.rend()) open_.erase(std::next(at).base());
}

void TExplanationRecorder::ConclusionGiven(int32_t ruleCode, int32_t index, float ruleCnf, float givenCnf) {
    const std::optional<THeadNode> conclusion = RuleConclusionAt(engine_, ruleCode, index);
    if (!conclusion) return;
    const THeadNode& head = *conclusion;
    TPendingConclusion pending{ruleCode, index, head.VarCode, head.ValueCode, ruleCnf, head.Cnf, std::nullopt};
    if (lastConclusionCombination_ && lastConclusionCombination_->Result == givenCnf)
        pending.Combination = lastConclusionCombination_;
    lastConclusionCombination_.reset();
    pending_.push_back(pending);
}

void TExplanationRecorder::DefaultUnknown(int32_t) { pendingDefault_ = true; }

void TExplanationRecorder::ValueStored(int32_t varCode, float givenCnf) {
    if (engine_.Replaying) return;
    TStore store;
    store.Mark = Mark();
    std::vector<THeldValue>& held = held_[varCode];
    store.Before = std::move(held);
    store.After = HeldValuesOf(engine_, varCode);
    if (!pending_.empty() && pending_.back().VarCode == varCode) {
        const TPendingConclusion& pending = pending_.back();
        store.Source = TSource::Rule;
        store.RuleCode = pending.RuleCode;
        store.ConclusionIndex = pending.Index;
        store.RuleCnf = pending.RuleCnf;
        store.OwnCnf = pending.OwnCnf;
        store.Conclusion = pending.Combination;
        store.Incoming = CodeValue(pending.ValueCode, givenCnf);
        pending_.pop_back();
    } else if (pendingDefault_) {
        store.Source = TSource::Default;
        store.Incoming = CodeValue(kCodeUnknown, givenCnf);
        pendingDefault_ = false;
    } else {
        store.Source = TSource::Answer;
        // The answer is the value that appeared or changed.
        store.Incoming.Cnf = givenCnf;
        for (const THeldValue& value : store.After) {
            const THeldValue* before = Find(store.Before, value);
            if (!before || before->Cnf != value.Cnf || value.IsCode != before->IsCode) {
                store.Incoming = value;
                store.Incoming.Cnf = givenCnf;
            }
        }
    }
    // A numeric conclusion stores the number its formula computed.
    if (store.Source == TSource::Rule && store.After.size() == 1 && !store.After.front().IsCode) {
        store.Incoming = store.After.front();
        store.Incoming.Cnf = givenCnf;
    }
    held = store.After;
    stores_[varCode].push_back(std::move(store));
}

// Every rule started has its figures; going back to a question drops those
// of the rules started after it.
std::set<int32_t> TExplanationRecorder::EvaluatedRules() const {
    std::set<int32_t> rules;
    for (const auto& [ruleCode, figures] : rules_) rules.insert(ruleCode);
    return rules;
}

std::set<int32_t> TExplanationRecorder::FiredRules() const {
    std::set<int32_t> rules;
    for (const auto& [ruleCode, figures] : rules_)
        if (figures.Fired) rules.insert(ruleCode);
    return rules;
}

void TExplanationRecorder::RolledBack(uint64_t tapeIndex) {
    for (auto it = rules_.begin(); it != rules_.end();)
        it = it->second.Mark >= tapeIndex ? rules_.erase(it) : std::next(it);
    for (auto& [varCode, stores] : stores_) {
        stores.erase(std::remove_if(stores.begin(), stores.end(),
                                    [tapeIndex](const TStore& store) { return store.Mark >= tapeIndex; }),
                     stores.end());
    }
    for (auto it = sought_.begin(); it != sought_.end();)
        it = it->second >= tapeIndex ? sought_.erase(it) : std::next(it);
    open_.clear();
    pending_.clear();
    pendingDefault_ = false;
    // What the variables hold once the rollback is over: the last store left of each.
    held_.clear();
    for (const auto& [varCode, stores] : stores_)
        if (!stores.empty()) held_[varCode] = stores.back().After;
}

// ------------------------------------------------------------------ texts

std::string TExplanationRecorder::RuleTitle(int32_t ruleCode) const {
    TSavedCursors saved(engine_);
    std::string title = "REGRA " + RuleNumberText(engine_, ruleCode);
    TRules& rules = engine_.Rules();
    if (rules.Find(ruleCode) && !rules.GetName().empty()) title += " (" + rules.GetName() + ")";
    return title;
}

std::string TExplanationRecorder::ValueName(int32_t varCode, const THeldValue& value) const {
    return HeldValueText(engine_, varCode, value);
}

std::string TExplanationRecorder::StoreOrigin(const TStore& store) const {
    switch (store.Source) {
        case TSource::Rule:
            return "REGRA " + [&] {
                if (const TPlanRule* rule = engine_.PlannedRule(store.RuleCode)) return TConsultPlan::OrderText(*rule);
                TSavedCursors saved(engine_);
                return RuleNumberText(engine_, store.RuleCode);
            }();
        case TSource::Answer:
            return "resposta do usu\xE1rio";
        case TSource::Default:
            return "nenhuma regra disparou: DESCONHECIDO por omiss\xE3o";
    }
    return {};
}

int TExplanationRecorder::PremiseCount(int32_t ruleCode) const {
    if (const TPlanRule* rule = engine_.PlannedRule(ruleCode))
        return TPremiseExpression(engine_.Plan()->Connectives(*rule), engine_.Precedence).PremiseCount();
    TSavedCursors saved(engine_);
    std::vector<int32_t> connectives;
    for (const TTailNode& premise : RulePremises(engine_, ruleCode)) connectives.push_back(premise.Connective);
    return TPremiseExpression(connectives, engine_.Precedence).PremiseCount();
}

std::string TExplanationRecorder::PremiseFigureText(int32_t ruleCode, const TPremiseFigure& premise) const {
    const std::optional<TTailNode> node = RulePremiseAt(engine_, ruleCode, premise.Index);
    if (!node) return {};
    TSavedCursors saved(engine_);
    return PremiseText(engine_, *node, node->Negated ? "N\xC3O " : "");
}

std::string TExplanationRecorder::PremiseOrigin(const TPremiseFigure& premise) const {
    const std::string name = engine_.VarName(premise.VarCode);  // VarName keeps the cursors
    const auto stores = stores_.find(premise.VarCode);
    // Going back to a question drops the stores made after it.
    const std::size_t count = stores == stores_.end() ? 0 : std::min(premise.StoreCount, stores->second.size());
    static const std::vector<THeldValue> kNothing;
    const std::vector<THeldValue>& held = count == 0 ? kNothing : stores->second[count - 1].After;
    return name + ": " + OriginOf(premise.VarCode, held, count);
}

std::string TExplanationRecorder::OriginOf(int32_t varCode, const std::vector<THeldValue>& held,
                                           std::size_t storeCount) const {
    if (held.empty()) return "sem valor";
    std::string text;
    const auto found = stores_.find(varCode);
    for (const THeldValue& value : held) {
        if (!text.empty()) text += "; ";
        text += ValueName(varCode, value) + " " + PercentText(value.Cnf);
        std::vector<std::string> origins;
        if (found != stores_.end()) {
            const std::size_t count = std::min(storeCount, found->second.size());
            for (std::size_t i = 0; i < count; ++i) {
                const TStore& store = found->second[i];
                const THeldValue* after = Find(store.After, value);
                if (!after) continue;
                const THeldValue* before = Find(store.Before, value);
                if (before && before->Cnf == after->Cnf) continue;  // this store left the value alone
                const std::string origin = StoreOrigin(store);
                if (std::find(origins.begin(), origins.end(), origin) == origins.end()) origins.push_back(origin);
            }
        }
        for (const std::string& origin : origins) text += ", " + origin;
    }
    return text;
}

std::string TExplanationRecorder::CombinationText(const TCombination& combination) const {
    const bool isAnd = combination.Kind == TCombination::TKind::And;
    const std::string left = PercentText(combination.Cnf1);
    const std::string right = PercentText(combination.Cnf2);
    const std::string result = PercentText(combination.Result);
    if (!combination.Custom) return left + (isAnd ? " E " : " OU ") + right + " = " + result;
    const TCnfFormula& formula = isAnd ? engine_.AndFormula : engine_.OrFormula;
    return left + (isAnd ? " E " : " OU ") + right + " pela f\xF3rmula " + formula.Text + " (CNF1 = " + left +
           ", CNF2 = " + right + ") = " + result;
}

std::string TExplanationRecorder::RuleLine(const TRuleFigures& figures, const TStore* store) const {
    std::string line = RuleTitle(figures.RuleCode) + ": ";
    // The final evaluation is the last walk over the expression: one
    // combination per connective.
    const int premiseCount = PremiseCount(figures.RuleCode);
    const std::size_t steps = premiseCount > 0 ? static_cast<std::size_t>(premiseCount - 1) : 0;
    const std::size_t count = std::min(steps, figures.Combinations.size());
    if (count == 0) {
        line += PercentText(figures.Cnf);
    } else {
        const std::size_t first = figures.Combinations.size() - count;
        for (std::size_t i = first; i < figures.Combinations.size(); ++i)
            line += (i > first ? "; " : "") + CombinationText(figures.Combinations[i]);
        if (figures.Combinations.back().Result != figures.Cnf) line += "; regra com " + PercentText(figures.Cnf);
    }
    if (!store) return line;
    if (store->Conclusion && store->Conclusion->Custom) {
        line += "; conclus\xE3o pela f\xF3rmula " + engine_.ConclusionFormula.Text + " (CNF1 = " +
                PercentText(store->RuleCnf) + ", CNF2 = " + PercentText(store->OwnCnf) + ") = " +
                PercentText(store->Incoming.Cnf);
    } else {
        line += ";" + std::string(kTimes) + "CNF " + PercentText(store->OwnCnf) + " = " + PercentText(store->Incoming.Cnf);
    }
    return line;
}

void TExplanationRecorder::AppendStore(std::vector<std::string>& lines, int32_t varCode, const TStore& store) const {
    const std::string indent = "    ";
    if (store.Source == TSource::Rule) {
        const auto figures = rules_.find(store.RuleCode);
        if (figures != rules_.end()) {
            lines.push_back("  " + RuleLine(figures->second, &store));
            for (const TPremiseFigure& premise : figures->second.Premises)
                lines.push_back(indent + PremiseFigureText(store.RuleCode, premise) + ": " + PercentText(premise.Cnf) +
                                " (" + PremiseOrigin(premise) + ")");
            const int evaluated = static_cast<int>(figures->second.Premises.size());
            const int premiseCount = PremiseCount(store.RuleCode);
            if (evaluated < premiseCount)
                lines.push_back(indent + std::to_string(premiseCount - evaluated) +
                                " premissa(s) n\xE3o avaliada(s): a regra foi decidida antes");
        } else {
            lines.push_back("  REGRA " + StoreOrigin(store).substr(6) + ": " + PercentText(store.Incoming.Cnf));
        }
    } else if (store.Source == TSource::Answer) {
        lines.push_back("  resposta do usu\xE1rio: " + ValueName(varCode, store.Incoming) + " " +
                        PercentText(store.Incoming.Cnf));
    } else {
        lines.push_back("  nenhuma regra disparou: DESCONHECIDO com " + PercentText(store.Incoming.Cnf));
    }

    // What the store did to what the variable held.
    if (!store.Incoming.IsCode) {
        if (!store.Before.empty() && !store.Before.front().IsCode && !(store.Before.front() == store.Incoming))
            lines.push_back("  substitui " + store.Before.front().Text + " (" + PercentText(store.Before.front().Cnf) +
                            ")");
        return;
    }
    int32_t code = store.Incoming.Code;
    float cnf = store.Incoming.Cnf;
    const bool multivalued = engine_.IsMultivalued(varCode);
    if (!multivalued) {
        InvertYesNo(code, cnf);
        if (code != store.Incoming.Code)
            lines.push_back("  " + ValueName(varCode, store.Incoming) + " com " + PercentText(store.Incoming.Cnf) +
                            " fica " + ValueName(varCode, CodeValue(code)) + " com " + PercentText(cnf));
    }
    // The engine accumulates when the variable already held the value given (before any inversion).
    const THeldValue* before = Find(store.Before, CodeValue(store.Incoming.Code));
    if (!multivalued && !before && !store.Before.empty()) {
        const THeldValue& old = store.Before.front();
        lines.push_back("  substitui " + ValueName(varCode, old) + " (" + PercentText(old.Cnf) + ")");
        return;
    }
    if (!before) return;
    float accumulated = TCnfCalculus::AccumulateCnf(cnf, before->Cnf);
    lines.push_back("  ac\xFAmulo: " + PercentText(before->Cnf) + " + " + PercentText(cnf) + " - " +
                    PercentText(before->Cnf) + kTimes + PercentText(cnf) + " = " + PercentText(accumulated));
    if (!multivalued) {
        int32_t held = code;
        const float sum = accumulated;
        InvertYesNo(held, accumulated);
        if (held != code)
            lines.push_back("  " + ValueName(varCode, CodeValue(code)) + " com " + PercentText(sum) + " fica " +
                            ValueName(varCode, CodeValue(held)) + " com " + PercentText(accumulated));
    }
}

std::vector<std::string> TExplanationRecorder::How(int32_t varCode, const THeldValue& value) const {
    std::vector<std::string> lines;
    const auto found = stores_.find(varCode);
    if (found == stores_.end()) return lines;
    std::optional<THeldValue> final;
    std::vector<const TStore*> chain;
    for (const TStore& store : found->second) {
        const THeldValue* after = Find(store.After, value);
        int32_t inverted = store.Incoming.Code;
        float ignored = store.Incoming.Cnf;
        InvertYesNo(inverted, ignored);
        const bool touches = store.Incoming == value || (value.IsCode && inverted == value.Code && after);
        if (after) final = *after;
        else if (!after && final) final.reset();  // replaced by another value
        if (!touches) continue;
        if (!after) continue;
        chain.push_back(&store);
    }
    if (!final || chain.empty()) return lines;
    TSavedCursors saved(engine_);
    lines.push_back(engine_.VarName(varCode) + " = " + ValueName(varCode, *final) + ": " + PercentText(final->Cnf));
    for (const TStore* store : chain) AppendStore(lines, varCode, *store);
    return lines;
}

std::string TExplanationRecorder::ResultText(int32_t varCode, const THeldValue& value) const {
    if (value.IsCode && value.Code == kCodeUnknown) return msg::NoValueFoundResult;
    return ValueName(varCode, value);
}

std::vector<THeldValue> TExplanationRecorder::FinalValues(int32_t varCode) const {
    const auto found = held_.find(varCode);
    return found == held_.end() ? std::vector<THeldValue>() : found->second;
}

std::vector<std::string> TExplanationRecorder::HowOfResult(int32_t varCode, const std::string& resultText) const {
    for (const THeldValue& value : FinalValues(varCode))
        if (AnsiSameText(ResultText(varCode, value), resultText)) return How(varCode, value);
    return {};
}

// ------------------------------------------------------------------ why not

std::optional<THeldValue> TExplanationRecorder::LastHeld(int32_t varCode, int32_t valueCode) const {
    const auto found = held_.find(varCode);
    if (found == held_.end()) return std::nullopt;
    const THeldValue* value = Find(found->second, CodeValue(valueCode));
    return value ? std::optional<THeldValue>(*value) : std::nullopt;
}

const TExplanationRecorder::TStore* TExplanationRecorder::LastStoreBy(int32_t varCode, int32_t ruleCode) const {
    const auto found = stores_.find(varCode);
    if (found == stores_.end()) return nullptr;
    for (auto it = found->second.rbegin(); it != found->second.rend(); ++it)
        if (it->Source == TSource::Rule && it->RuleCode == ruleCode) return &*it;
    return nullptr;
}

std::optional<TWhyNotReason> TExplanationRecorder::RuleReason(int32_t varCode, int32_t valueCode,
                                                              int32_t ruleCode) const {
    const std::string title = RuleTitle(ruleCode);
    const std::string minimum = PercentText(engine_.MinimumCnf);
    const std::string variable = [&] {
        TSavedCursors saved(engine_);
        return engine_.VarName(varCode);
    }();
    const auto figures = rules_.find(ruleCode);
    if (figures == rules_.end() || !figures->second.Decided) {
        const auto stores = stores_.find(varCode);
        const TStore* settledBy = nullptr;
        if (stores != stores_.end())
            for (const TStore& store : stores->second)
                if (store.Source != TSource::Default && !settledBy) settledBy = &store;
        if (settledBy && !engine_.IsMultivalued(varCode))
            return TWhyNotReason{TWhyNotKind::AlreadySettled, ruleCode,
                                 title + " n\xE3o foi tentada: " + variable + " j\xE1 estava estabelecida (" +
                                     StoreOrigin(*settledBy) + ")"};
        if (!sought_.count(varCode))
            return TWhyNotReason{TWhyNotKind::NotSought, ruleCode,
                                 title + " n\xE3o foi tentada: " + variable + " nunca foi procurada"};
        return TWhyNotReason{TWhyNotKind::NotSought, ruleCode,
                             title + " n\xE3o foi tentada: a consulta terminou antes de chegar a ela"};
    }
    const TRuleFigures& rule = figures->second;
    if (!rule.Fired) {
        for (const TPremiseFigure& premise : rule.Premises) {
            if (premise.Cnf >= engine_.MinimumCnf) continue;
            return TWhyNotReason{TWhyNotKind::PremiseFailed, ruleCode,
                                 title + " rejeitada: a premissa " + std::to_string(premise.Index) + ", " +
                                     PremiseFigureText(ruleCode, premise) + ", valeu " + PercentText(premise.Cnf) +
                                     " (" + PremiseOrigin(premise) + ")"};
        }
        return TWhyNotReason{TWhyNotKind::RuleCnfBelowMinimum, ruleCode,
                             "Rejeitada: " + RuleLine(rule, nullptr) + ", abaixo do m\xEDnimo de " + minimum};
    }
    const TStore* store = LastStoreBy(varCode, ruleCode);
    if (!store) return std::nullopt;
    const std::string given = RuleLine(rule, store);
    int32_t code = store->Incoming.Code;
    float cnf = store->Incoming.Cnf;
    if (!engine_.IsMultivalued(varCode)) InvertYesNo(code, cnf);
    if (store->Incoming.Cnf < engine_.MinimumCnf || code != valueCode)
        return TWhyNotReason{TWhyNotKind::ConclusionBelowMinimum, ruleCode,
                             "Disparou, mas " + given + ", abaixo do m\xEDnimo de " + minimum};
    if (!LastHeld(varCode, valueCode))
        return TWhyNotReason{TWhyNotKind::Replaced, ruleCode,
                             "Concluiu (" + given + "), mas outro valor de " + variable + " o substituiu depois"};
    return TWhyNotReason{TWhyNotKind::Concluded, ruleCode, "Concluiu: " + given};
}

std::vector<TWhyNotReason> TExplanationRecorder::WhyNot(int32_t varCode, int32_t valueCode) const {
    std::vector<TWhyNotReason> reasons;
    const std::string minimum = PercentText(engine_.MinimumCnf);
    const std::string name = [&] {
        TSavedCursors saved(engine_);
        return engine_.VarName(varCode) + " = " + engine_.ValueTextOf(varCode, valueCode);
    }();
    if (const auto held = LastHeld(varCode, valueCode)) {
        if (held->Cnf >= engine_.MinimumCnf)
            reasons.push_back({TWhyNotKind::Concluded, 0, name + " foi conclu\xED" "do com " + PercentText(held->Cnf)});
        else
            reasons.push_back({TWhyNotKind::BelowMinimum, 0,
                               name + " tem s\xF3 " + PercentText(held->Cnf) + ", abaixo do m\xEDnimo de " + minimum});
    }

    // The rules that conclude this value, in their order.
    struct TCandidate {
        int32_t order;
        int32_t rule;
    };
    std::vector<TCandidate> candidates;
    bool concludedByAnyRule = false;
    {
        TSavedCursors saved(engine_);
        for (const TNode* node : engine_.Heads().BalancedOrder(kKeyCode)) {
            const auto* head = static_cast<const THeadNode*>(node);
            if (head->VarCode != varCode) continue;
            concludedByAnyRule = true;
            if (head->ValueCode != valueCode) continue;
            if (std::any_of(candidates.begin(), candidates.end(),
                            [head](const TCandidate& c) { return c.rule == head->Code; }))
                continue;
            const int32_t order = engine_.Rules().Find(head->Code) ? engine_.Rules().GetOrder() : 0;
            candidates.push_back({order, head->Code});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const TCandidate& a, const TCandidate& b) { return a.order < b.order; });
    if (candidates.empty()) {
        reasons.push_back({TWhyNotKind::NoRuleConcludes, 0, "Nenhuma regra conclui " + name});
        if (!concludedByAnyRule) {
            const auto stores = stores_.find(varCode);
            std::string answer;
            if (stores != stores_.end())
                for (const TStore& store : stores->second)
                    if (store.Source == TSource::Answer)
                        answer = ValueName(varCode, store.Incoming) + " " + PercentText(store.Incoming.Cnf);
            if (!answer.empty())
                reasons.push_back({TWhyNotKind::Answered, 0,
                                   "A vari\xE1vel \xE9 perguntada ao usu\xE1rio, que respondeu " + answer});
        }
        return reasons;
    }
    for (const TCandidate& candidate : candidates)
        if (auto reason = RuleReason(varCode, valueCode, candidate.rule)) reasons.push_back(std::move(*reason));
    return reasons;
}

std::vector<std::string> TExplanationRecorder::WhyNotLines(int32_t varCode, int32_t valueCode) const {
    std::vector<std::string> lines;
    for (const TWhyNotReason& reason : WhyNot(varCode, valueCode)) lines.push_back(reason.Text);
    return lines;
}

// ------------------------------------------------------------------ coverage

void TRuleCoverage::Add(const TExplanationRecorder& recorder) {
    evaluated_.merge(recorder.EvaluatedRules());
    fired_.merge(recorder.FiredRules());
}

TRuleCoverage::TReport TRuleCoverage::Report(TExpertSystem& engine) const {
    std::vector<TRule> rules;
    {
        TSavedCursors saved(engine);
        for (const TNode* node : engine.Rules().BalancedOrder(kKeyCode)) {
            const auto* rule = static_cast<const TValNode*>(node);
            rules.push_back({rule->Code, rule->VarCode, rule->Name});
        }
    }
    std::sort(rules.begin(), rules.end(), [](const TRule& a, const TRule& b) { return a.Number < b.Number; });
    TReport report;
    for (TRule& rule : rules) {
        if (fired_.count(rule.Code))
            report.Fired.push_back(std::move(rule));
        else if (evaluated_.count(rule.Code))
            report.EvaluatedNotFired.push_back(std::move(rule));
        else
            report.NeverEvaluated.push_back(std::move(rule));
    }
    return report;
}

}  // namespace quorvel
