#include "ExConsultTree.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>

#include "ExExceptions.h"
#include "ExPlan.h"
#include "ExText.h"

namespace quorvel {

// ------------------------------------------------------ shared lookups

TSavedCursors::TSavedCursors(TExpertSystem& engine)
    : saved_{{{&engine.Vars(), {}},
              {&engine.Values(), {}},
              {&engine.Heads(), {}},
              {&engine.Tails(), {}},
              {&engine.Rules(), {}},
              {&engine.Questions(), {}},
              {&engine.Formulas(), {}},
              {&engine.VarList(), {}},
              {&engine.VarListExtra(), {}}}} {
    for (TSaved& saved : saved_) saved.mark = saved.tree->MarkCursors();
}

TSavedCursors::~TSavedCursors() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) it->tree->ReturnToMark(it->mark);
}

std::vector<TTailNode> RulePremises(TExpertSystem& engine, int32_t ruleCode) {
    std::vector<TTailNode> premises;
    if (const TPlanRule* rule = engine.PlannedRule(ruleCode)) {
        for (int32_t index = 1; auto premise = engine.Plan()->PremiseAt(*rule, index); ++index)
            premises.push_back(std::move(*premise));
        return premises;
    }
    TTails& tails = engine.Tails();
    for (tails.Find(ruleCode); !tails.Eof() && tails.GetCode() == ruleCode; tails.Next())
        premises.push_back(*tails.CurrentTail());
    return premises;
}

std::vector<THeadNode> RuleConclusions(TExpertSystem& engine, int32_t ruleCode) {
    std::vector<THeadNode> conclusions;
    if (const TPlanRule* rule = engine.PlannedRule(ruleCode)) {
        for (const TPlanConclusion& planned : engine.Plan()->Conclusions(*rule)) {
            THeadNode& head = conclusions.emplace_back();
            head.Code = ruleCode;
            head.VarCode = planned.VarCode;
            head.ValueCode = planned.ValueCode;
            head.Cnf = planned.Cnf;
        }
        return conclusions;
    }
    THeads& heads = engine.Heads();
    for (heads.Find(ruleCode); !heads.Eof() && heads.GetCode() == ruleCode; heads.Next())
        conclusions.push_back(*heads.CurrentHead());
    return conclusions;
}

std::optional<TTailNode> RulePremiseAt(TExpertSystem& engine, int32_t ruleCode, int32_t index) {
    if (index < 1) return std::nullopt;
    const auto at = static_cast<std::size_t>(index) - 1;
    if (const TPlanRule* rule = engine.PlannedRule(ruleCode)) return engine.Plan()->PremiseAt(*rule, index);
    TSavedCursors saved(engine);
    const std::vector<TTailNode> premises = RulePremises(engine, ruleCode);
    if (at >= premises.size()) return std::nullopt;
    return premises[at];
}

std::optional<THeadNode> RuleConclusionAt(TExpertSystem& engine, int32_t ruleCode, int32_t index) {
    if (index < 1) return std::nullopt;
    const auto at = static_cast<std::size_t>(index) - 1;
    if (const TPlanRule* rule = engine.PlannedRule(ruleCode)) {
        const auto conclusions = engine.Plan()->Conclusions(*rule);
        if (at >= conclusions.size()) return std::nullopt;
        THeadNode head;
        head.Code = ruleCode;
        head.VarCode = conclusions[at].VarCode;
        head.ValueCode = conclusions[at].ValueCode;
        head.Cnf = conclusions[at].Cnf;
        return head;
    }
    TSavedCursors saved(engine);
    const std::vector<THeadNode> conclusions = RuleConclusions(engine, ruleCode);
    if (at >= conclusions.size()) return std::nullopt;
    return conclusions[at];
}

std::string RuleNumberText(TExpertSystem& engine, int32_t ruleCode) {
    if (const TPlanRule* rule = engine.PlannedRule(ruleCode)) return TConsultPlan::OrderText(*rule);
    TRules& rules = engine.Rules();
    return rules.Find(ruleCode) ? std::to_string(rules.GetOrder()) : std::string("???");
}

namespace {

// ValueText reads the variable under the code cursor of Vars().
std::string ValueTextOfVar(TExpertSystem& engine, int32_t varCode, int32_t valueCode) {
    if (auto text = engine.PlannedValueText(varCode, valueCode)) return std::string(*text);
    engine.Vars().Find(varCode);
    return engine.ValueText(valueCode);
}

bool IsNumericVar(TExpertSystem& engine, int32_t varCode) {
    if (const TPlanVar* var = engine.PlannedVar(varCode)) return var->Numeric;
    return engine.Vars().Find(varCode) && engine.Vars().GetNumeric();
}

}  // namespace

std::string PremiseText(TExpertSystem& engine, const TTailNode& premise, std::string_view lead) {
    const TPlanVar* var = engine.PlannedVar(premise.VarCode);
    const auto value = engine.PlannedValueText(premise.VarCode, premise.ValueCode);
    if (!var || !value)
        return JoinText({lead, engine.VarName(premise.VarCode), " ", premise.Operator, " ",
                         ValueTextOfVar(engine, premise.VarCode, premise.ValueCode)});
    return JoinText({lead, var->Name, " ", premise.Operator, " ", *value});
}

// ------------------------------------------------- consultation tree

namespace {

// Where the pairs come from: the engine's tape, or the inner pairs of a
// formula segment moved into a queue of their own.
class TPairSource {
public:
    explicit TPairSource(TTape& tape) : tape_(&tape) {}
    explicit TPairSource(std::deque<int32_t>& queue) : queue_(&queue) {}

    bool Empty() const { return tape_ ? tape_->Empty() : queue_->empty(); }
    int32_t Front() const { return tape_ ? tape_->Items().front() : queue_->front(); }
    bool Pop(int32_t& value) {
        if (Empty()) return false;
        if (tape_) {
            value = tape_->PopFront();
        } else {
            value = queue_->front();
            queue_->pop_front();
        }
        return true;
    }

private:
    TTape* tape_ = nullptr;
    std::deque<int32_t>* queue_ = nullptr;
};

// Where the next node goes. A node becomes the first child of `current`
// when `firstChild` is on, else its next sibling; without a current node
// (at the start, or after the rules entered were all closed) it is appended
// under `base`, the top level or the node a formula segment belongs to.
struct TPlacement {
    TConsultTreeModel::TNodeId base = TConsultTreeModel::kNoNode;
    TConsultTreeModel::TNodeId* lastUnderBase = nullptr;  // the last child of `base`, kept up to date
    TConsultTreeModel::TNodeId current = TConsultTreeModel::kNoNode;
    bool firstChild = false;
    std::vector<TConsultTreeModel::TNodeId> entered;  // the "Entrando na regra" nodes still open
};

}  // namespace

class TConsultTreeBuilder {
public:
    using TNodeId = TConsultTreeModel::TNodeId;
    using TStep = TConsultTreeModel::TStep;
    static constexpr TNodeId kNoNode = TConsultTreeModel::kNoNode;

    TConsultTreeBuilder(TExpertSystem& engine, TConsultTreeModel& tree)
        : engine_(engine), tree_(tree), plan_(engine.Plan()) {}

    void Render(TPairSource& source, TPlacement& place) {
        int32_t code = 0;
        int32_t argument = 0;
        while (source.Pop(code) && source.Pop(argument)) {
            if (code > 0)
                Premise(place, code, argument);
            else if (code == kTapeAnswered)
                Answered(place, argument);
            else if (code == kTapeDeriving)
                Deriving(place, argument);
            else if (code == kTapeRuleRejected)
                Rejected(place, argument);
            else if (code == kTapeRuleFired)
                Fired(source, place, argument);
            // Conclusions done, default unknown and stray formula marks tell nothing more.
        }
    }

private:
    using TNode = TConsultTreeModel::TNode;

    TNode& At(TNodeId node) { return tree_.At(node); }

    // The first child of a node, or the first top-level node.
    TNodeId& FirstChildOf(TNodeId node) { return node == kNoNode ? tree_.firstRoot_ : At(node).FirstChild; }

    // A node that names codes of the plan.
    TNodeId Add(TPlacement& place, TStep step, int image, int32_t first, int32_t second = 0, bool asSibling = false) {
        TNode node;
        node.Step = step;
        node.Image = static_cast<uint8_t>(image);
        node.First = first;
        node.Second = second;
        return Place(place, node, asSibling);
    }

    // A node whose text is the pieces joined.
    TNodeId Add(TPlacement& place, std::initializer_list<std::string_view> pieces, int image, bool asSibling = false) {
        TNode node;
        node.Image = static_cast<uint8_t>(image);
        node.First = static_cast<int32_t>(tree_.texts_.size());
        for (std::string_view piece : pieces) tree_.texts_.append(piece);
        node.Second = static_cast<int32_t>(tree_.texts_.size()) - node.First;
        return Place(place, node, asSibling);
    }

    // Links the node in as `place` says and makes it the current one. Only
    // the base's last child is ever needed, to append under the base.
    TNodeId Place(TPlacement& place, TNode& node, bool asSibling) {
        const auto id = static_cast<TNodeId>(tree_.NodeCount());
        const TNodeId current = place.current;
        TNodeId& last = *place.lastUnderBase;
        if (current != kNoNode && place.firstChild && !asSibling) {
            node.Parent = current;
            node.NextSibling = At(current).FirstChild;
            At(current).FirstChild = id;
            if (current == place.base && last == kNoNode) last = id;
        } else if (current != kNoNode) {
            node.Parent = At(current).Parent;
            node.NextSibling = At(current).NextSibling;
            At(current).NextSibling = id;
            if (node.Parent == place.base && last == current) last = id;
        } else {
            node.Parent = place.base;
            if (last == kNoNode)
                FirstChildOf(place.base) = id;
            else
                At(last).NextSibling = id;
            last = id;
        }
        tree_.Push(node);
        place.current = id;
        place.firstChild = false;
        return id;
    }

    // Closes the innermost rule entered; an unbalanced close (a tape recorded
    // after going back to a question lacks its start) returns to the base.
    static void Leave(TPlacement& place) {
        if (place.entered.empty()) {
            place.current = kNoNode;
        } else {
            place.current = place.entered.back();
            place.entered.pop_back();
        }
        place.firstChild = false;
    }

    // Whether the plan names what a node would show (a value's text implies
    // its variable's name); when it does not, the node is written out with
    // the names looked up in the base.
    bool PlanNames(int32_t varCode) const { return plan_ && plan_->ExistingVar(varCode); }
    bool PlanNames(int32_t varCode, int32_t valueCode) const {
        return plan_ && plan_->ValueText(varCode, valueCode).has_value();
    }
    bool PlanNamesRule(int32_t ruleCode) const { return plan_ && plan_->RuleOf(ruleCode); }

    void Deriving(TPlacement& place, int32_t varCode) {
        if (PlanNames(varCode))
            Add(place, TStep::Deriving, 0, varCode);
        else
            Add(place, {"Procurando ", engine_.VarName(varCode), " ..."}, 0);
    }

    void Answered(TPlacement& place, int32_t varCode) {
        if (PlanNames(varCode))
            Add(place, TStep::Asking, 0, varCode);
        else
            Add(place, {"Perguntando ao usu\xE1rio sobre ", engine_.VarName(varCode), " ..."}, 0);
        std::vector<std::pair<int32_t, float>> values;
        const THeldSet* held = engine_.HeldSet(varCode);
        if (held) {
            for (const THeldSet::TCode& code : held->Codes) values.emplace_back(code.ValueCode, code.Cnf);
        } else {
            TVarListTree& list = engine_.VarList();
            for (list.Find(varCode); !list.Eof() && list.GetCode() == varCode; list.Next())
                values.emplace_back(list.GetValueCode(), list.GetCnf());
        }
        if (!values.empty()) {
            for (const auto& [valueCode, cnf] : values) {
                if (PlanNames(varCode, valueCode)) {
                    Add(place, TStep::Answer, 0, varCode, static_cast<int32_t>(tree_.answers_.size()));
                    tree_.answers_.push_back({valueCode, cnf});
                } else {
                    Add(place,
                        {"Resposta do usu\xE1rio: ", engine_.ValueTextOf(varCode, valueCode), ", com ",
                         CnfText(static_cast<double>(cnf) * 100.0), "%"},
                        0);
                }
            }
            return;
        }
        std::vector<std::pair<std::string, float>> numbers;
        if (held) {
            for (const THeldSet::TNumber& number : held->Numbers) numbers.emplace_back(number.Text, number.Cnf);
        } else {
            TVarListExtraTree& extra = engine_.VarListExtra();
            for (extra.Find(varCode); !extra.Eof() && extra.GetCode() == varCode; extra.Next())
                numbers.emplace_back(extra.GetValueText(), extra.GetCnf());
        }
        for (const auto& [text, cnf] : numbers)
            Add(place, {"Resposta do usu\xE1rio:  ", text, ", com ", CnfText(static_cast<double>(cnf) * 100.0), "%"},
                0);
    }

    void Premise(TPlacement& place, int32_t ruleCode, int32_t index) {
        if (index == 1) {
            place.entered.push_back(
                PlanNamesRule(ruleCode)
                    ? Add(place, TStep::EnteringRule, 1, ruleCode)
                    : Add(place, {"Entrando na regra ", RuleNumberText(engine_, ruleCode), " ..."}, 1));
            place.firstChild = true;
        }
        if (PlanNamesPremise(ruleCode, index)) {
            Add(place, TStep::Premise, 0, ruleCode, index);
            return;
        }
        const std::optional<TTailNode> taken = RulePremiseAt(engine_, ruleCode, index);
        if (!taken) return;
        const TTailNode& premise = *taken;
        Add(place,
            {PremiseText(engine_, premise, TConsultTreeModel::PremiseLead(premise.Negated)),
             TConsultTreeModel::PremiseTail(premise.Negated)},
            0);
    }

    bool PlanNamesPremise(int32_t ruleCode, int32_t index) const {
        const TPlanRule* rule = plan_ ? plan_->RuleOf(ruleCode) : nullptr;
        const TPlanPremise* premise = rule ? plan_->PremiseOf(*rule, index) : nullptr;
        return premise && PlanNames(premise->VarCode, premise->ValueCode);
    }

    void Rejected(TPlacement& place, int32_t ruleCode) {
        if (PlanNamesRule(ruleCode))
            Add(place, TStep::Rejected, 0, ruleCode);
        else
            Add(place, {"A regra ", RuleNumberText(engine_, ruleCode), " foi rejeitada."}, 0);
        Leave(place);
    }

    void Fired(TPairSource& source, TPlacement& place, int32_t ruleCode) {
        if (PlanNamesRule(ruleCode))
            Add(place, TStep::Fired, 1, ruleCode, 0, true);
        else
            Add(place, {"A regra ", RuleNumberText(engine_, ruleCode), " foi aceita:"}, 1, true);
        place.firstChild = true;
        for (const THeadNode& conclusion : RuleConclusions(engine_, ruleCode)) {
            const int32_t varCode = conclusion.VarCode;
            const int32_t valueCode = conclusion.ValueCode;
            const bool planned = PlanNames(varCode, valueCode);
            if (!IsNumericVar(engine_, varCode)) {
                if (planned)
                    Add(place, TStep::Conclusion, 0, varCode, valueCode);
                else
                    Add(place, {engine_.VarName(varCode), " = ", ValueTextOfVar(engine_, varCode, valueCode)}, 0);
                continue;
            }
            const TNodeId evaluating =
                planned
                    ? Add(place, TStep::Evaluating, 0, varCode, valueCode)
                    : Add(place,
                          {"Avaliando ", engine_.VarName(varCode), " = ", ValueTextOfVar(engine_, varCode, valueCode)},
                          0);
            std::deque<int32_t> segment;
            if (TakeSegment(source, segment) && !segment.empty()) {
                TPairSource inner(segment);
                TNodeId lastInSegment = kNoNode;
                TPlacement sub{evaluating, &lastInSegment, evaluating, true, {}};
                Render(inner, sub);
                At(evaluating).Image = 1;
            }
            // The value as it is now: later answers could change what the formula gives.
            Add(place, {VarNameText(varCode), " = ", NumberText(valueCode)}, 0);
        }
        Leave(place);
    }

    std::string_view VarNameText(int32_t varCode) {
        if (const TPlanVar* var = plan_ ? plan_->ExistingVar(varCode) : nullptr) return var->Name;
        return scratch_ = engine_.VarName(varCode);
    }

    // Moves the inner pairs of the formula segment that opens at the front
    // of the source into `segment`. False when no segment opens there: a
    // conclusion stored while going back, or the unknown value, records none.
    static bool TakeSegment(TPairSource& source, std::deque<int32_t>& segment) {
        if (source.Empty() || source.Front() != kTapeFormulaBegin) return false;
        int32_t code = 0;
        int32_t argument = 0;
        source.Pop(code);
        source.Pop(argument);
        int depth = 0;
        while (source.Pop(code) && source.Pop(argument)) {
            if (code == kTapeFormulaEnd && depth == 0) return true;
            if (code == kTapeFormulaBegin) ++depth;
            if (code == kTapeFormulaEnd) --depth;
            segment.push_back(code);
            segment.push_back(argument);
        }
        return true;
    }

    // The value of a numeric conclusion, worked out again from its formula.
    std::string NumberText(int32_t formulaCode) {
        if (formulaCode == kCodeUnknown) return kTextUnknown;
        const bool lastUnknown = engine_.LastUnknown;
        std::string text;
        try {
            const float value = engine_.FormulaValue(formulaCode);
            text = engine_.LastUnknown ? std::string(kTextUnknown) : FormatGeneral(value, 15);
        } catch (const EExpertSystem&) {
            // The consultation already met this fault when the rule fired;
            // the tree shows the value as undetermined rather than fail.
            text = kTextUnknown;
        }
        engine_.LastUnknown = lastUnknown;
        return text;
    }

    TExpertSystem& engine_;
    TConsultTreeModel& tree_;
    const TConsultPlan* plan_;
    std::string scratch_;  // a name looked up for a node being made
};

TConsultTreeModel::TConsultTreeModel() = default;
TConsultTreeModel::~TConsultTreeModel() = default;

void TConsultTreeModel::Fill(TExpertSystem& engine) {
    if (!engine.RulesMayBeShown()) return;
    TSavedCursors keep(engine);
    // The nodes made so far name the plan they were made under.
    if (plan_ != engine.SharedPlan()) {
        WriteOutPlanned();
        plan_ = engine.SharedPlan();
    }
    TConsultTreeBuilder builder(engine, *this);
    TPairSource tape(engine.Tape());
    TPlacement place;
    place.lastUnderBase = &lastRoot_;
    builder.Render(tape, place);
}

TConsultTreeModel::TNodeId TConsultTreeModel::Push(const TNode& node) {
    if (count_ == blocks_.size() * kBlockSize) blocks_.push_back(std::make_unique_for_overwrite<TNode[]>(kBlockSize));
    const auto id = static_cast<TNodeId>(count_++);
    At(id) = node;
    return id;
}

void TConsultTreeModel::Clear() {
    blocks_.clear();
    count_ = 0;
    texts_.clear();
    answers_.clear();
    plan_.reset();
    firstRoot_ = lastRoot_ = kNoNode;
}

void TConsultTreeModel::WriteOutPlanned() {
    for (TNodeId id = 0; id < static_cast<TNodeId>(count_); ++id) {
        TNode& node = At(id);
        if (node.Step == TStep::Written) continue;
        const std::string text = Text(id);
        node.Step = TStep::Written;
        node.First = static_cast<int32_t>(texts_.size());
        node.Second = static_cast<int32_t>(text.size());
        texts_.append(text);
    }
}

std::string_view TConsultTreeModel::PremiseLead(bool negated) { return negated ? "Verificando se " : "Comparando "; }
std::string_view TConsultTreeModel::PremiseTail(bool negated) { return negated ? " \xE9 falso" : ""; }

std::string TConsultTreeModel::Text(TNodeId id) const {
    const TNode& node = At(id);
    if (node.Step == TStep::Written)
        return texts_.substr(static_cast<std::size_t>(node.First), static_cast<std::size_t>(node.Second));
    // Made under a plan that names every code the node holds.
    const TConsultPlan& plan = *plan_;
    const auto name = [&](int32_t varCode) -> std::string_view { return plan.ExistingVar(varCode)->Name; };
    const auto value = [&](int32_t varCode, int32_t valueCode) { return *plan.ValueText(varCode, valueCode); };
    const auto order = [&](int32_t ruleCode) { return TConsultPlan::OrderText(*plan.RuleOf(ruleCode)); };
    switch (node.Step) {
        case TStep::Deriving: return JoinText({"Procurando ", name(node.First), " ..."});
        case TStep::Asking: return JoinText({"Perguntando ao usu\xE1rio sobre ", name(node.First), " ..."});
        case TStep::Answer: {
            const TAnswer& answer = answers_[static_cast<std::size_t>(node.Second)];
            return JoinText({"Resposta do usu\xE1rio: ", value(node.First, answer.ValueCode), ", com ",
                             CnfText(static_cast<double>(answer.Cnf) * 100.0), "%"});
        }
        case TStep::EnteringRule: return JoinText({"Entrando na regra ", order(node.First), " ..."});
        case TStep::Premise: {
            const TPlanPremise& premise = *plan.PremiseOf(*plan.RuleOf(node.First), node.Second);
            return JoinText({PremiseLead(premise.Negated), name(premise.VarCode), " ", plan.OperatorText(premise), " ",
                             value(premise.VarCode, premise.ValueCode), PremiseTail(premise.Negated)});
        }
        case TStep::Rejected: return JoinText({"A regra ", order(node.First), " foi rejeitada."});
        case TStep::Fired: return JoinText({"A regra ", order(node.First), " foi aceita:"});
        case TStep::Conclusion: return JoinText({name(node.First), " = ", value(node.First, node.Second)});
        case TStep::Evaluating:
            return JoinText({"Avaliando ", name(node.First), " = ", value(node.First, node.Second)});
        case TStep::Written: break;
    }
    return {};
}

void TConsultTreeModel::ForEachNode(const std::function<void(std::size_t, TNodeId)>& visit) const {
    // Walked by the links alone: a consultation through a long chain of
    // rules nests as deep as the chain.
    std::size_t depth = 0;
    TNodeId node = firstRoot_;
    while (node != kNoNode) {
        visit(depth, node);
        if (At(node).FirstChild != kNoNode) {
            node = At(node).FirstChild;
            ++depth;
            continue;
        }
        while (node != kNoNode && At(node).NextSibling == kNoNode) {
            node = At(node).Parent;
            if (node != kNoNode) --depth;
        }
        if (node != kNoNode) node = At(node).NextSibling;
    }
}

std::vector<std::string> TConsultTreeModel::Render() const {
    std::vector<std::string> lines;
    ForEachNode([&](std::size_t depth, TNodeId node) {
        std::string& line = lines.emplace_back(depth * 2, ' ');
        line.append(Text(node));
    });
    return lines;
}

// ---------------------------------------------------------- rule view

std::vector<TRuleViewLine> RuleViewLines(TExpertSystem& engine, bool useFilter, const std::set<int32_t>& filter) {
    std::vector<TRuleViewLine> lines;
    if (engine.IsNew() || !engine.RulesMayBeShown()) return lines;
    TSavedCursors keep(engine);
    for (const TNode* node : engine.Rules().Records(kKeyThird)) {
        const auto* rule = static_cast<const TValNode*>(node);
        const std::vector<TTailNode> premises = RulePremises(engine, rule->Code);
        const std::vector<THeadNode> conclusions = RuleConclusions(engine, rule->Code);
        if (useFilter && std::none_of(conclusions.begin(), conclusions.end(),
                                      [&](const THeadNode& c) { return filter.count(c.VarCode) > 0; }))
            continue;
        lines.push_back({"REGRA " + std::to_string(rule->VarCode), rule->Code, TRuleLineKind::Header, 0});
        // One line per premise, so that premise k always stands k lines
        // under the header (the trace panel relies on it), each led by the
        // connector of the premise before it.
        for (std::size_t i = 0; i < premises.size(); ++i) {
            std::string lead = i == 0 ? "SE " : engine.ConnectiveText(premises[i - 1].Connective);
            if (premises[i].Negated) lead += "N\xC3O ";
            lines.push_back({lead + PremiseText(engine, premises[i]), rule->Code, TRuleLineKind::Premise,
                             static_cast<int32_t>(i + 1)});
        }
        for (std::size_t j = 0; j < conclusions.size(); ++j) {
            const THeadNode& c = conclusions[j];
            lines.push_back({std::string(j == 0 ? "\\ENT " : "\\ENT\\ ") + engine.VarName(c.VarCode) + " = " +
                                 ValueTextOfVar(engine, c.VarCode, c.ValueCode) + " CNF " +
                                 CnfText(static_cast<double>(c.Cnf) * 100.0) + "%",
                             rule->Code, TRuleLineKind::Conclusion, static_cast<int32_t>(j + 1)});
        }
    }
    return lines;
}

std::vector<TRuleLinePart> RuleLineParts(std::string_view line, bool selected) {
    const auto color = [selected](TRuleLineColor c) { return selected ? TRuleLineColor::White : c; };
    const auto from = [line](std::size_t at) { return std::string(at < line.size() ? line.substr(at) : ""); };
    if (line.starts_with("\\ENT\\ ")) return {{from(6), 8, color(TRuleLineColor::Black)}};
    if (line.starts_with("\\ENT "))
        return {{"ENT\xC3O", 3, color(TRuleLineColor::Navy)}, {from(5), 8, color(TRuleLineColor::Black)}};
    if (line.starts_with("E  ") || line.starts_with("OU ") || line.starts_with("SE"))
        return {{std::string(line.substr(0, 3)), 3, color(TRuleLineColor::Navy)},
                {from(3), 8, color(TRuleLineColor::Black)}};
    return {{std::string(line), 1, color(TRuleLineColor::Navy)}};
}

}  // namespace quorvel
