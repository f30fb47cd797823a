#include "ExEditing.h"

#include <algorithm>
#include <utility>

namespace quorvel {

namespace {

std::string Utf8(std::string_view text) { return Cp1252ToUtf8(text); }

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Puts the cursors of the given containers back when it goes out of scope.
class TKeepCursors {
public:
    explicit TKeepCursors(std::initializer_list<TSingleIndexTree*> trees) {
        for (TSingleIndexTree* tree : trees) saved_.emplace_back(tree, tree->SaveCursors());
    }
    ~TKeepCursors() {
        for (auto& [tree, state] : saved_) tree->RestoreCursors(state);
    }
    TKeepCursors(const TKeepCursors&) = delete;
    TKeepCursors& operator=(const TKeepCursors&) = delete;

private:
    std::vector<std::pair<TSingleIndexTree*, TSingleIndexTree::TCursorState>> saved_;
};

// Whether the base's variable is numeric; an absent variable is not.
bool BaseVarNumeric(TExpertSystem& engine, int32_t varCode) {
    TVars& vars = engine.Vars();
    TKeepCursors keep{&vars};
    return vars.Find(varCode) && vars.CurrentVar()->Numeric;
}

// The numeric flag of every variable of the base, for walks over many lines.
std::map<int32_t, bool> NumericFlags(TExpertSystem& engine) {
    std::map<int32_t, bool> flags;
    for (const TNode* node : engine.Vars().Records(kKeyCode))
        flags[node->Code] = static_cast<const TVarNode*>(node)->Numeric;
    return flags;
}

bool IsNumericIn(const std::map<int32_t, bool>& flags, int32_t varCode) {
    const auto it = flags.find(varCode);
    return it != flags.end() && it->second;
}

void DeleteFormula(TExpertSystem& engine, int32_t code) {
    TFormulas& formulas = engine.Formulas();
    if (formulas.Find(code)) formulas.DeleteCurrent();
}

void DeleteLines(TExpertSystem& engine, int32_t ruleCode, bool withFormulas) {
    TKeepCursors keep{&engine.Heads(), &engine.Tails(), &engine.Formulas(), &engine.Vars()};
    THeads& heads = engine.Heads();
    while (heads.Find(ruleCode)) {
        const THeadNode* head = heads.CurrentHead();
        if (withFormulas && head->ValueCode != kCodeUnknown && BaseVarNumeric(engine, head->VarCode))
            DeleteFormula(engine, head->ValueCode);
        heads.DeleteCurrent();
    }
    TTails& tails = engine.Tails();
    while (tails.Find(ruleCode)) {
        const TTailNode* tail = tails.CurrentTail();
        if (withFormulas && tail->ValueCode != kCodeUnknown && BaseVarNumeric(engine, tail->VarCode))
            DeleteFormula(engine, tail->ValueCode);
        tails.DeleteCurrent();
    }
}

std::string RuleInUse(const TRuleRef& rule, const char* tail) {
    return "Atenção! A regra " + std::to_string(rule.Order) + " (" + Utf8(rule.Name) + ")" + tail;
}

}  // namespace

// ------------------------------------------------------------------ checks

std::optional<std::string> BaseTextFromUtf8(std::string_view utf8, std::string_view what, std::string& problem,
                                            std::size_t limit) {
    std::optional<std::string> text = Utf8ToCp1252(utf8);
    if (!text) {
        std::string bad;
        for (std::size_t i = 0; i < utf8.size();) {
            const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
            const std::string_view one = utf8.substr(i, length);
            if (!Utf8ToCp1252(one) && bad.find(one) == std::string::npos) bad += one;
            i += length;
        }
        problem = std::string(what) + " contém caracteres que uma base do Quorvel não pode guardar: " + bad + ".";
        return std::nullopt;
    }
    if (text->size() > limit) {
        problem = std::string(what) + " tem " + std::to_string(text->size()) + " caracteres; o máximo é " +
                  std::to_string(limit) + ".";
        return std::nullopt;
    }
    return text;
}

std::optional<int32_t> NewRecordCode(const TSingleIndexTree& container, std::string_view what, std::string& problem) {
    const int32_t code = container.LowestFreeCode();
    if (code > kMaxRecordCode || container.Count() >= kMaxRecordCode) {
        problem = "A base já tem " + std::to_string(kMaxRecordCode) + " " + std::string(what) +
                  ", o máximo que um arquivo do Quorvel comporta; não é possível criar mais.";
        return std::nullopt;
    }
    return code;
}

bool RoomForRecords(const TSingleIndexTree& container, int64_t extra, std::string_view what, std::string& problem) {
    if (static_cast<int64_t>(container.Count()) + extra <= kMaxRecordCode) return true;
    problem = "A base ficaria com mais de " + std::to_string(kMaxRecordCode) + " " + std::string(what) +
              ", o máximo que um arquivo do Quorvel comporta.";
    return false;
}

bool IsCanonicalNumber(std::string_view text) {
    const std::optional<long double> number = TextToNumber(text);
    return number && FormatGeneral(*number, 15) == text;
}

TIntervalResult CheckInterval(std::string_view text) {
    // A bound must first be a number at all, then be written canonically.
    auto bound = [](std::string_view part, TIntervalResult& result) -> std::optional<long double> {
        const std::optional<long double> number = TextToNumber(part);
        if (!number) {
            result = {TIntervalCheck::NotANumber, std::string(part)};
            return std::nullopt;
        }
        if (!IsCanonicalNumber(part)) {
            result = {TIntervalCheck::Invalid, {}};
            return std::nullopt;
        }
        return number;
    };
    TIntervalResult result;
    const std::size_t split = text.find(';');
    if (split == std::string_view::npos) {
        // A lone word is reported as the number it fails to be.
        if (!text.empty() && !TextToNumber(text)) return {TIntervalCheck::NotANumber, std::string(text)};
        return {TIntervalCheck::Invalid, {}};
    }
    if (text.size() == 1) return {TIntervalCheck::Invalid, {}};
    if (split == 0) {
        bound(text.substr(1), result);
        return result;
    }
    if (split == text.size() - 1) {
        bound(text.substr(0, split), result);
        return result;
    }
    const std::optional<long double> low = bound(text.substr(0, split), result);
    if (!low) return result;
    const std::optional<long double> high = bound(text.substr(split + 1), result);
    if (!high) return result;
    if (!(*high > *low)) return {TIntervalCheck::Invalid, {}};
    return result;
}

std::string NotANumberMessage(std::string_view part) { return "\"" + Utf8(part) + "\" não é um número válido."; }

// ------------------------------------------------------ who uses what

bool TLineUse::Matches(int32_t varCode, int32_t valueCode, bool numeric) const {
    switch (Kind) {
        case TKind::Variable:
            return varCode == Code;
        case TKind::Value:
            return !numeric && valueCode == Code;
        case TKind::VariableKind:
            return varCode == Code && valueCode != kCodeUnknown;
    }
    return false;
}

std::set<int32_t> RulesUsing(TExpertSystem& engine, const TLineUse& use) {
    const std::map<int32_t, bool> numeric = NumericFlags(engine);
    std::set<int32_t> rules;
    for (const TNode* node : engine.Heads().Records(kKeyCode)) {
        const auto* head = static_cast<const THeadNode*>(node);
        if (use.Matches(head->VarCode, head->ValueCode, IsNumericIn(numeric, head->VarCode))) rules.insert(head->Code);
    }
    for (const TNode* node : engine.Tails().Records(kKeyCode)) {
        const auto* tail = static_cast<const TTailNode*>(node);
        if (use.Matches(tail->VarCode, tail->ValueCode, IsNumericIn(numeric, tail->VarCode))) rules.insert(tail->Code);
    }
    return rules;
}

TRuleRef RuleRefOf(TExpertSystem& engine, int32_t ruleCode) {
    TRuleRef ref;
    ref.Code = ruleCode;
    TRules& base = engine.Rules();
    TKeepCursors keep{&base};
    if (base.Find(ruleCode)) {
        ref.Order = base.CurrentVal()->VarCode;
        ref.Name = base.CurrentVal()->Name;
    }
    return ref;
}

std::optional<TRuleRef> FirstRuleUsing(TExpertSystem& engine, const TLineUse& use) {
    const std::set<int32_t> rules = RulesUsing(engine, use);
    if (rules.empty()) return std::nullopt;
    return RuleRefOf(engine, *rules.begin());
}

std::string VariableInUseQuestion(const TRuleRef& rule) {
    return RuleInUse(rule, " utiliza essa variável.") +
           "Apagar essa variável apagará essa regra bem como todas as que estão em mesmas condições. Continuar?";
}

std::string ValueInUseQuestion(const TRuleRef& rule) {
    return RuleInUse(rule, " utiliza esse valor. ") +
           "Apagar esse valor apagará essa regra bem como todas as que estão em mesmas condições. Continuar?";
}

std::string VariableKindInUseQuestion(const TRuleRef& rule) {
    return RuleInUse(rule, " utiliza essa variável com um valor. ") +
           "Trocar o tipo dessa variável entre numérica e não numérica muda o sentido desse valor e apagará essa "
           "regra bem como todas as que estão em mesmas condições. Continuar?";
}

// ------------------------------------------------------ shared operations

void DeleteRule(TExpertSystem& engine, int32_t ruleCode) {
    DeleteLines(engine, ruleCode, true);
    TRules& rules = engine.Rules();
    TKeepCursors keep{&rules};
    if (rules.Find(ruleCode)) rules.DeleteCurrent();
}

void DeleteRuleLines(TExpertSystem& engine, int32_t ruleCode) { DeleteLines(engine, ruleCode, false); }

void ShiftRuleOrders(TExpertSystem& engine, int32_t from, int32_t delta, int32_t to) {
    TRules& rules = engine.Rules();
    TKeepCursors keep{&rules};
    std::vector<int32_t> codes;  // in ascending order
    for (const TNode* node : rules.Records(kKeyThird)) {
        const int32_t order = static_cast<const TValNode*>(node)->VarCode;
        if (order >= from && order <= to) codes.push_back(node->Code);
    }
    // From the highest order down, as the renumbering of the order index expects.
    for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
        if (!rules.Find(*it)) continue;
        rules.SetOrder(rules.CurrentVal()->VarCode + delta);
    }
}

void CloseUpRuleOrders(TExpertSystem& engine) {
    TRules& rules = engine.Rules();
    TKeepCursors keep{&rules};
    std::vector<std::pair<int32_t, int32_t>> walk;  // code, order
    for (const TNode* node : rules.Records(kKeyThird))
        walk.emplace_back(node->Code, static_cast<const TValNode*>(node)->VarCode);
    for (std::size_t i = 0; i < walk.size(); ++i) {
        const auto order = static_cast<int32_t>(i + 1);
        if (walk[i].second != order && rules.Find(walk[i].first)) rules.SetOrder(order);
    }
}

void RemoveRule(TExpertSystem& engine, int32_t ruleCode) {
    TRules& rules = engine.Rules();
    int32_t order = 0;
    {
        TKeepCursors keep{&rules};
        if (!rules.Find(ruleCode)) return;
        order = rules.CurrentVal()->VarCode;
    }
    const int32_t count = rules.Count();
    DeleteRule(engine, ruleCode);
    if (order < count) ShiftRuleOrders(engine, order + 1, -1, count);
}

void MoveRule(TExpertSystem& engine, int32_t from, int32_t to) {
    if (from == to) return;
    TRules& rules = engine.Rules();
    TKeepCursors keep{&rules};
    if (!rules.FindByOrder(from)) return;
    const int32_t code = rules.CurrentVal()->Code;
    if (to > from)
        ShiftRuleOrders(engine, from + 1, -1, to);
    else
        ShiftRuleOrders(engine, to, +1, from - 1);
    if (rules.Find(code)) rules.SetOrder(to);
}

std::vector<int32_t> DeleteVariable(TExpertSystem& engine, int32_t varCode) {
    const std::set<int32_t> rules = RulesUsing(engine, TLineUse::OfVariable(varCode));
    for (int32_t rule : rules) DeleteRule(engine, rule);

    TTargets& targets = engine.Targets();
    for (int32_t i = targets.Count() - 1; i >= 0; --i)
        if (targets.Get(i).VarCode == varCode) targets.Delete(i);

    TKeepCursors keep{&engine.Questions(), &engine.Values(), &engine.HelpContexts(), &engine.Vars()};
    while (engine.Questions().Find(varCode)) engine.Questions().DeleteCurrent();

    std::vector<int32_t> values;
    for (const TNode* node : engine.Values().Records(kKeyThird))
        if (static_cast<const TValNode*>(node)->VarCode == varCode) values.push_back(node->Code);
    for (int32_t value : values) {
        while (engine.HelpContexts().Find(value)) engine.HelpContexts().DeleteCurrent();
        if (engine.Values().Find(value)) engine.Values().DeleteCurrent();
    }
    if (engine.Vars().Find(varCode)) engine.Vars().DeleteCurrent();
    return {rules.begin(), rules.end()};
}

std::vector<int32_t> DeleteValue(TExpertSystem& engine, int32_t valueCode) {
    const std::set<int32_t> rules = RulesUsing(engine, TLineUse::OfValue(valueCode));
    for (int32_t rule : rules) DeleteRule(engine, rule);

    TValues& values = engine.Values();
    TKeepCursors keep{&values, &engine.HelpContexts()};
    while (engine.HelpContexts().Find(valueCode)) engine.HelpContexts().DeleteCurrent();
    if (values.Find(valueCode)) {
        const int32_t varCode = values.CurrentVal()->VarCode;
        const int32_t position = values.CurrentVal()->Position;
        values.DeleteCurrent();
        // The values below it move up, so positions stay 1..n.
        for (TNode* node : values.Records(kKeyThird)) {
            auto* value = static_cast<TValNode*>(node);
            if (value->VarCode == varCode && value->Position > position) --value->Position;
        }
    }
    return {rules.begin(), rules.end()};
}

// ------------------------------------------------------------ rule draft

bool TRuleDraft::IsNumeric(int32_t varCode) const { return BaseVarNumeric(engine_, varCode); }

std::optional<int32_t> TRuleDraft::NewFormula(const std::string& text) {
    // Refused early when the base could not take it on saving either.
    if (!RoomForRecords(engine_.Formulas(), static_cast<int64_t>(created_.size()) + 1, "fórmulas", problem_))
        return std::nullopt;
    const int32_t code = nextProvisional_++;
    created_.insert(code);
    texts_[code] = text;
    return code;
}

void TRuleDraft::Load(int32_t ruleCode, bool copy) {
    premises_.clear();
    conclusions_.clear();
    created_.clear();
    changed_.clear();
    discarded_.clear();
    texts_.clear();
    problem_.clear();
    if (ruleCode < 1) return;
    TKeepCursors keep{&engine_.Tails(), &engine_.Heads(), &engine_.Formulas()};
    TTails& tails = engine_.Tails();
    for (tails.Find(ruleCode); !tails.Eof() && tails.GetCode() == ruleCode; tails.Next()) {
        const TTailNode* tail = tails.CurrentTail();
        premises_.push_back(
            {true, tail->VarCode, tail->Operator, tail->ValueCode, tail->Connective, tail->Negated, 1.0f});
    }
    THeads& heads = engine_.Heads();
    for (heads.Find(ruleCode); !heads.Eof() && heads.GetCode() == ruleCode; heads.Next()) {
        const THeadNode* head = heads.CurrentHead();
        conclusions_.push_back({false, head->VarCode, "=", head->ValueCode, 2, false, head->Cnf});
    }
    if (!copy) return;
    // A copied rule must not share formulas with its model: each rule deletes
    // its own formulas with it.
    for (auto* lines : {&premises_, &conclusions_}) {
        for (TRuleLine& line : *lines) {
            if (line.ValueCode == kCodeUnknown || !IsNumeric(line.VarCode)) continue;
            if (!engine_.Formulas().Find(line.ValueCode)) continue;
            const int32_t code = nextProvisional_++;
            created_.insert(code);
            texts_[code] = engine_.Formulas().GetName();
            line.ValueCode = code;
        }
    }
}

const TRuleLine& TRuleDraft::Line(int row) const {
    if (IsPremise(row)) return premises_[static_cast<std::size_t>(row - 1)];
    return conclusions_.at(static_cast<std::size_t>(row - ThenRow() - 1));
}

TRuleLine& TRuleDraft::LineAt(int row) { return const_cast<TRuleLine&>(Line(row)); }

std::string TRuleDraft::ValueText(const TRuleLine& line) const {
    if (line.ValueCode != kCodeUnknown) {
        const auto text = texts_.find(line.ValueCode);
        if (text != texts_.end() && IsNumeric(line.VarCode)) return text->second;
    }
    return engine_.ValueTextOf(line.VarCode, line.ValueCode);
}

std::string TRuleDraft::LineText(const TRuleLine& line) const {
    const std::string text = engine_.VarName(line.VarCode);
    if (line.Premise) return text + " " + line.Operator + " " + ValueText(line);
    return text + " = " + ValueText(line) + " CNF " + CnfText(static_cast<double>(line.Cnf) * 100.0) + "%";
}

std::string TRuleDraft::RowText(int row) const {
    if (row == 0) return "SE";
    if (row == ThenRow()) return "ENT\xC3O";
    std::string text;
    if (IsPremise(row)) {
        const auto index = static_cast<std::size_t>(row - 1);
        text = index == 0 ? "   " : engine_.ConnectiveText(premises_[index - 1].Connective);
        if (premises_[index].Negated) text += "N\xC3O ";
    } else {
        text = "   ";
    }
    return CutShort(text + LineText(Line(row)));
}

int TRuleDraft::InsertPremise(int afterRow, const TLineInput& input) {
    problem_.clear();
    const int anchor = std::clamp(afterRow, 0, ThenRow() - 1);
    TRuleLine line{true, input.VarCode, input.Operator, input.ValueCode, 0, input.Negated, 1.0f};
    if (input.ValueCode != kCodeUnknown && IsNumeric(input.VarCode)) {
        const std::optional<int32_t> code = NewFormula(input.FormulaText);
        if (!code) return -1;
        line.ValueCode = *code;
    }
    int32_t below = 0;  // the connective the new premise passes on
    if (anchor != 0) {
        TRuleLine& above = premises_[static_cast<std::size_t>(anchor - 1)];
        below = above.Connective;
        above.Connective = input.Connective;
    }
    const auto index = static_cast<std::size_t>(anchor);
    line.Connective = index == premises_.size() ? 2 : below;
    premises_.insert(premises_.begin() + static_cast<std::ptrdiff_t>(index), line);
    return anchor + 1;
}

int TRuleDraft::InsertConclusion(int afterRow, const TLineInput& input) {
    problem_.clear();
    const int anchor = std::clamp(afterRow, ThenRow(), RowCount() - 1);
    TRuleLine line{false, input.VarCode, "=", input.ValueCode, 2, false, input.Cnf};
    if (input.ValueCode != kCodeUnknown && IsNumeric(input.VarCode)) {
        const std::optional<int32_t> code = NewFormula(input.FormulaText);
        if (!code) return -1;
        line.ValueCode = *code;
    }
    conclusions_.insert(conclusions_.begin() + (anchor - ThenRow()), line);
    return anchor + 1;
}

void TRuleDraft::DiscardFormula(int32_t code) {
    texts_.erase(code);
    if (created_.erase(code)) return;  // never reached the base
    changed_.erase(code);
    discarded_.insert(code);
}

bool TRuleDraft::Rewrite(TRuleLine& line, const TLineInput& input) {
    const bool oldNumeric = IsNumeric(line.VarCode);
    const bool newNumeric = IsNumeric(input.VarCode);
    const int32_t oldValue = line.ValueCode;
    int32_t value = input.ValueCode;
    if (newNumeric && oldNumeric && input.ValueCode == kCodeUnknown) {
        if (oldValue != kCodeUnknown) DiscardFormula(oldValue);
    } else if (newNumeric && oldNumeric && oldValue != kCodeUnknown) {
        // The line keeps its formula and only the text changes.
        if (!created_.count(oldValue) && !changed_.count(oldValue)) {
            TKeepCursors keep{&engine_.Formulas()};
            if (engine_.Formulas().Find(oldValue)) changed_[oldValue] = engine_.Formulas().GetName();
        }
        if (created_.count(oldValue) || changed_.count(oldValue)) {
            texts_[oldValue] = input.FormulaText;
            value = oldValue;
        } else {
            // The line named a formula that is not there: it gets one of its own.
            const std::optional<int32_t> code = NewFormula(input.FormulaText);
            if (!code) return false;
            value = *code;
        }
    } else if (newNumeric && input.ValueCode != kCodeUnknown) {
        const std::optional<int32_t> code = NewFormula(input.FormulaText);
        if (!code) return false;
        value = *code;
    }
    if (!newNumeric && oldNumeric && oldValue != kCodeUnknown) DiscardFormula(oldValue);
    line.VarCode = input.VarCode;
    line.ValueCode = value;
    return true;
}

bool TRuleDraft::ChangePremise(int row, const TLineInput& input, bool connectiveChosen) {
    problem_.clear();
    if (!IsPremise(row)) return false;
    TRuleLine& line = LineAt(row);
    if (!Rewrite(line, input)) return false;
    line.Operator = input.Operator;
    line.Negated = input.Negated;
    if (row > 1 && connectiveChosen) LineAt(row - 1).Connective = input.Connective;
    return true;
}

bool TRuleDraft::ChangeConclusion(int row, const TLineInput& input) {
    problem_.clear();
    if (!IsConclusion(row)) return false;
    TRuleLine& line = LineAt(row);
    if (!Rewrite(line, input)) return false;
    line.Cnf = input.Cnf;
    return true;
}

int TRuleDraft::DeleteRow(int row) {
    if (!IsPremise(row) && !IsConclusion(row)) return row;
    const TRuleLine line = Line(row);
    if (line.ValueCode != kCodeUnknown && IsNumeric(line.VarCode)) DiscardFormula(line.ValueCode);
    if (line.Premise) {
        const auto index = static_cast<std::size_t>(row - 1);
        if (index > 0) premises_[index - 1].Connective = line.Connective;
        premises_.erase(premises_.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
        conclusions_.erase(conclusions_.begin() + (row - ThenRow() - 1));
    }
    return row - 1;
}

std::string TRuleDraft::StructureProblem() const {
    if (premises_.empty() || conclusions_.empty()) return msg::RuleBadlyStructured;
    for (const TRuleLine& conclusion : conclusions_)
        for (const TRuleLine& premise : premises_)
            if (premise.VarCode == conclusion.VarCode) return msg::SameVariableBothSides;
    return {};
}

bool TRuleDraft::Uses(const TLineUse& use) const {
    for (const auto* lines : {&premises_, &conclusions_})
        for (const TRuleLine& line : *lines)
            if (use.Matches(line.VarCode, line.ValueCode, IsNumeric(line.VarCode))) return true;
    return false;
}

std::optional<TRuleDraft::TSaved> TRuleDraft::Save(int32_t ruleCode, std::string_view name, int32_t order) {
    problem_.clear();
    TRules& rules = engine_.Rules();
    TFormulas& formulas = engine_.Formulas();
    TKeepCursors keep{&rules, &engine_.Tails(), &engine_.Heads(), &formulas};
    const int32_t count = rules.Count();

    // Everything that could refuse is checked before the base is touched.
    int64_t oldPremises = 0;
    int64_t oldConclusions = 0;
    if (ruleCode != 0) {
        if (!rules.Find(ruleCode)) {
            problem_ = msg::RuleNoLongerExists;
            return std::nullopt;
        }
        for (engine_.Tails().Find(ruleCode); !engine_.Tails().Eof() && engine_.Tails().GetCode() == ruleCode;
             engine_.Tails().Next())
            ++oldPremises;
        for (engine_.Heads().Find(ruleCode); !engine_.Heads().Eof() && engine_.Heads().GetCode() == ruleCode;
             engine_.Heads().Next())
            ++oldConclusions;
    } else if (!NewRecordCode(rules, "regras", problem_)) {
        return std::nullopt;
    }
    int64_t leaving = 0;
    for (int32_t code : discarded_) leaving += formulas.Find(code) ? 1 : 0;
    if (!RoomForRecords(engine_.Tails(), static_cast<int64_t>(premises_.size()) - oldPremises, "premissas", problem_) ||
        !RoomForRecords(engine_.Heads(), static_cast<int64_t>(conclusions_.size()) - oldConclusions, "conclusões",
                        problem_) ||
        !RoomForRecords(formulas, static_cast<int64_t>(created_.size()) - leaving, "fórmulas", problem_))
        return std::nullopt;

    TSaved saved;
    if (ruleCode == 0) {
        saved.RuleCode = rules.LowestFreeCode();
        saved.NewRule = true;
        saved.NewOrder = std::clamp(order, 1, count + 1);
        saved.OldOrder = count + 1;
        ShiftRuleOrders(engine_, saved.NewOrder, +1, count);
        rules.AddRule(saved.RuleCode, name, saved.NewOrder);
    } else {
        saved.RuleCode = ruleCode;
        saved.NewOrder = std::clamp(order, 1, std::max(count, 1));
        DeleteRuleLines(engine_, ruleCode);
        rules.Find(ruleCode);
        saved.OldOrder = rules.CurrentVal()->VarCode;
        if (saved.OldOrder != saved.NewOrder) {
            if (saved.NewOrder < saved.OldOrder)
                ShiftRuleOrders(engine_, saved.NewOrder, +1, saved.OldOrder - 1);
            else
                ShiftRuleOrders(engine_, saved.OldOrder + 1, -1, saved.NewOrder);
            rules.Find(ruleCode);
            rules.SetOrder(saved.NewOrder);
        }
        if (rules.CurrentVal()->Name != name) rules.Rename(name);
    }

    // The formulas the lines left behind go first, so their codes serve again.
    for (int32_t code : discarded_) DeleteFormula(engine_, code);
    for (const auto& [code, text] : changed_) {
        (void)text;
        if (formulas.Find(code)) formulas.Rename(texts_[code]);
    }
    std::map<int32_t, int32_t> baseCode;  // provisional -> base
    for (int32_t code : created_) {
        const int32_t free = formulas.LowestFreeCode();
        formulas.Add(free, texts_[code]);
        baseCode[code] = free;
    }
    auto stored = [&baseCode](const TRuleLine& line) {
        const auto it = baseCode.find(line.ValueCode);
        return it == baseCode.end() ? line.ValueCode : it->second;
    };

    for (std::size_t i = 0; i < premises_.size(); ++i) {
        TRuleLine& line = premises_[i];
        line.ValueCode = stored(line);
        if (i + 1 == premises_.size()) line.Connective = 2;
        engine_.Tails().AddPremise(saved.RuleCode, line.VarCode, line.Operator, line.ValueCode, line.Connective,
                                   line.Negated);
    }
    for (TRuleLine& line : conclusions_) {
        line.ValueCode = stored(line);
        engine_.Heads().AddConclusion(saved.RuleCode, line.VarCode, line.ValueCode, line.Cnf);
    }

    created_.clear();
    changed_.clear();
    discarded_.clear();
    texts_.clear();
    return saved;
}

void TRuleDraft::Discard() {
    created_.clear();
    changed_.clear();
    discarded_.clear();
    texts_.clear();
}

// ------------------------------------------------------- variables draft

TVarsDraft::TVarsDraft(TExpertSystem& engine) : engine_(engine), vars_(&engine.Sink()), values_(&engine.Sink()) {
    // Copied in the balanced order, as every copy of a container is.
    for (const TNode* node : engine.Vars().BalancedOrder(kKeyCode)) {
        const auto* var = static_cast<const TVarNode*>(node);
        vars_.AddVariable(var->Code, var->Name, var->Multivalued, var->Numeric);
    }
    for (const TNode* node : engine.Values().BalancedOrder(kKeyCode)) {
        const auto* value = static_cast<const TValNode*>(node);
        values_.AddValue(value->Code, value->Name, value->VarCode, value->Position);
    }
}

const TVarNode* TVarsDraft::Variable(int32_t code) { return vars_.Find(code) ? vars_.CurrentVar() : nullptr; }

const TValNode* TVarsDraft::Value(int32_t code) { return values_.Find(code) ? values_.CurrentVal() : nullptr; }

std::vector<const TValNode*> TVarsDraft::ValuesOf(int32_t varCode) {
    std::vector<const TValNode*> list;
    for (values_.FindByVarCode(varCode); !values_.Eof() && values_.GetVarCode() == varCode; values_.Next())
        list.push_back(values_.CurrentVal());
    std::stable_sort(list.begin(), list.end(),
                     [](const TValNode* a, const TValNode* b) { return a->Position < b->Position; });
    return list;
}

std::optional<int32_t> TVarsDraft::VariableNamed(std::string_view name, int32_t except) {
    for (vars_.FindName(name); !vars_.Eof() && AnsiSameText(vars_.GetName(), name); vars_.Next())
        if (vars_.GetCode() != except) return vars_.GetCode();
    return std::nullopt;
}

std::optional<int32_t> TVarsDraft::ValueNamed(int32_t varCode, std::string_view name, int32_t except) {
    for (const TValNode* value : ValuesOf(varCode))
        if (value->Code != except && AnsiSameText(value->Name, name)) return value->Code;
    return std::nullopt;
}

int32_t TVarsDraft::NextCode(const TSingleIndexTree& container) const {
    const std::vector<TNode*> records = container.Records(kKeyCode);
    return records.empty() ? 1 : records.back()->Code + 1;
}

std::optional<int32_t> TVarsDraft::AddVariable(std::string_view name, bool multivalued, bool numeric,
                                               std::string& problem) {
    if (!RoomForRecords(vars_, 1, "variáveis", problem)) return std::nullopt;
    const int32_t code = NextCode(vars_);
    vars_.AddVariable(code, name, multivalued, numeric);
    newVars_.insert(code);
    return code;
}

std::optional<int32_t> TVarsDraft::AddValue(int32_t varCode, std::string_view name, std::string& problem) {
    if (!RoomForRecords(values_, 1, "valores", problem)) return std::nullopt;
    const int32_t code = NextCode(values_);
    const auto position = static_cast<int32_t>(ValuesOf(varCode).size()) + 1;
    values_.AddValue(code, name, varCode, position);
    newValues_.insert(code);
    return code;
}

void TVarsDraft::RenameVariable(int32_t code, std::string_view name) {
    if (!vars_.Find(code)) return;
    changedVars_.insert(code);
    vars_.Rename(name);
}

void TVarsDraft::RenameValue(int32_t code, std::string_view name) {
    if (!values_.Find(code)) return;
    changedValues_.insert(code);
    values_.Rename(name);
}

void TVarsDraft::SetVariableKind(int32_t code, bool multivalued, bool numeric) {
    if (!vars_.Find(code)) return;
    TVarNode* var = vars_.CurrentVar();
    if (var->Multivalued == multivalued && var->Numeric == numeric) return;
    var->Multivalued = multivalued;
    var->Numeric = numeric;
    changedVars_.insert(code);
}

void TVarsDraft::DeleteVariable(int32_t code) {
    // Its values go with it: left behind they would be added to the base
    // under a variable that no longer exists.
    for (const TValNode* value : ValuesOf(code)) {
        const int32_t valueCode = value->Code;
        newValues_.erase(valueCode);
        changedValues_.erase(valueCode);
        if (values_.Find(valueCode)) values_.DeleteCurrent();
    }
    if (!vars_.Find(code)) return;
    vars_.DeleteCurrent();
    changedVars_.erase(code);
    if (!newVars_.erase(code)) deletedVars_.insert(code);
}

void TVarsDraft::DeleteValue(int32_t code) {
    if (!values_.Find(code)) return;
    const int32_t varCode = values_.CurrentVal()->VarCode;
    const int32_t position = values_.CurrentVal()->Position;
    for (const TValNode* value : ValuesOf(varCode)) {
        if (value->Position <= position || value->Code == code) continue;
        const_cast<TValNode*>(value)->Position -= 1;
        changedValues_.insert(value->Code);
    }
    values_.Find(code);
    values_.DeleteCurrent();
    changedValues_.erase(code);
    if (!newValues_.erase(code)) deletedValues_.insert(code);
}

void TVarsDraft::MoveValue(int32_t varCode, int from, int to) {
    const std::vector<const TValNode*> list = ValuesOf(varCode);
    const int count = static_cast<int>(list.size());
    if (from == to || from < 0 || to < 0 || from >= count || to >= count) return;
    auto move = [this](const TValNode* value, int32_t position) {
        const_cast<TValNode*>(value)->Position = position;
        changedValues_.insert(value->Code);
    };
    if (to < from)
        for (int row = to; row < from; ++row) move(list[static_cast<std::size_t>(row)], list[row]->Position + 1);
    else
        for (int row = from + 1; row <= to; ++row) move(list[static_cast<std::size_t>(row)], list[row]->Position - 1);
    move(list[static_cast<std::size_t>(from)], to + 1);
}

bool TVarsDraft::KindChanged(int32_t code) {
    const TVarNode* mine = Variable(code);
    if (!mine) return false;
    TVars& base = engine_.Vars();
    TKeepCursors keep{&base};
    return base.Find(code) && !newVars_.count(code) && base.CurrentVar()->Numeric != mine->Numeric;
}

TVarsDraft::TApplied TVarsDraft::Apply(const THooks& hooks) {
    TApplied applied;
    auto rulesGo = [&](const TLineUse& use) {
        if (hooks.BeforeRulesDeleted) hooks.BeforeRulesDeleted(use, RulesUsing(engine_, use));
    };
    auto note = [&applied](const std::vector<int32_t>& rules) {
        applied.DeletedRules.insert(applied.DeletedRules.end(), rules.begin(), rules.end());
    };
    TVars& baseVars = engine_.Vars();
    TValues& baseValues = engine_.Values();

    for (int32_t code : deletedValues_) {
        if (!baseValues.Find(code)) continue;
        rulesGo(TLineUse::OfValue(code));
        note(quorvel::DeleteValue(engine_, code));
    }
    for (int32_t code : deletedVars_) {
        if (!baseVars.Find(code)) continue;
        rulesGo(TLineUse::OfVariable(code));
        note(quorvel::DeleteVariable(engine_, code));
        if (hooks.VariableDeleted) hooks.VariableDeleted(code);
    }
    // A variable that turns numeric, or stops being numeric, takes the rules
    // whose values would now be read the other way (a formula code as a value
    // code or the reverse) with it, before its new kind is stored.
    for (int32_t code : changedVars_) {
        if (newVars_.count(code) || !KindChanged(code)) continue;
        const TLineUse use = TLineUse::OfVariableKind(code);
        rulesGo(use);
        const std::set<int32_t> rules = RulesUsing(engine_, use);
        for (int32_t rule : rules) DeleteRule(engine_, rule);
        note(std::vector<int32_t>(rules.begin(), rules.end()));
    }

    for (int32_t code : changedVars_) {
        if (newVars_.count(code)) continue;
        const TVarNode* mine = Variable(code);
        if (!mine || !baseVars.Find(code)) continue;
        if (baseVars.GetName() != mine->Name) baseVars.Rename(mine->Name);
        baseVars.Find(code);
        baseVars.SetMultivalued(mine->Multivalued);
        baseVars.SetNumeric(mine->Numeric);
    }
    for (int32_t code : changedValues_) {
        if (newValues_.count(code)) continue;
        const TValNode* mine = Value(code);
        if (!mine || !baseValues.Find(code)) continue;
        if (baseValues.GetName() != mine->Name) baseValues.Rename(mine->Name);
        baseValues.Find(code);
        baseValues.SetPosition(mine->Position);
    }

    std::set<int32_t> pendingValues = newValues_;
    for (int32_t code : newVars_) {
        const TVarNode* mine = Variable(code);
        if (!mine) continue;
        const int32_t baseCode = baseVars.LowestFreeCode();
        baseVars.AddVariable(baseCode, mine->Name, mine->Multivalued, mine->Numeric);
        applied.NewVariableCodes[code] = baseCode;
        for (const TValNode* value : ValuesOf(code)) {
            if (!pendingValues.erase(value->Code)) continue;
            const int32_t valueCode = baseValues.LowestFreeCode();
            baseValues.AddValue(valueCode, value->Name, baseCode, value->Position);
            applied.NewValueCodes[value->Code] = valueCode;
        }
    }
    for (int32_t code : pendingValues) {
        const TValNode* mine = Value(code);
        if (!mine || !baseVars.Find(mine->VarCode)) continue;
        const int32_t valueCode = baseValues.LowestFreeCode();
        baseValues.AddValue(valueCode, mine->Name, mine->VarCode, mine->Position);
        applied.NewValueCodes[code] = valueCode;
    }

    if (!applied.DeletedRules.empty()) CloseUpRuleOrders(engine_);
    newVars_.clear();
    newValues_.clear();
    changedVars_.clear();
    changedValues_.clear();
    deletedVars_.clear();
    deletedValues_.clear();
    return applied;
}

}  // namespace quorvel
