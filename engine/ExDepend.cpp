#include "ExDepend.h"

#include <map>
#include <new>
#include <utility>

#include "ExConsultTree.h"

namespace quorvel {

int TDependNode::Image() const {
    switch (Kind) {
        case TDependKind::User:
            return kDependImageUser;
        case TDependKind::Conflict:
            return kDependImageConflict;
        case TDependKind::Variable:
            break;
    }
    return kDependImageVariable;
}

TDependencyAnalysis::TDependencyAnalysis(TExpertSystem& engine, std::size_t nodeLimit) : nodeLimit_(nodeLimit) {
    IMessageSink* sink = &engine.Sink();
    concluders_ = std::make_unique<THelpContexts>(sink);
    premiseSets_ = std::make_unique<TTreeOfTrees>(sink);
    path_ = std::make_unique<TSingleIndexTree>(sink);
    TSavedCursors keep(engine);
    try {
        Build(engine);
    } catch (const std::bad_alloc&) {
        // Whatever was built is shown; the caller tells the user.
        incomplete_ = true;
    }
}

void TDependencyAnalysis::Build(TExpertSystem& engine) {
    // Which rules conclude each variable: variable code -> rule code.
    for (const TNode* node : engine.Heads().BalancedOrder(kKeyCode)) {
        const auto* conclusion = static_cast<const THeadNode*>(node);
        concluders_->AddContext(conclusion->VarCode, conclusion->Code);
    }
    BuildPremiseSets(engine);

    std::vector<int32_t> targets;
    for (const TTargetNode& target : engine.Targets().Items()) targets.push_back(target.VarCode);
    for (int32_t target : targets) {
        if (truncated_) break;
        ExpandTarget(engine, target);
    }
    // A cut-short tree may hide a circle: the verdict then comes from the
    // rules themselves, so a base is never passed as sound by mistake.
    if (truncated_ && !hasConflict_) hasConflict_ = ReachesCircle(targets);
}

void TDependencyAnalysis::BuildPremiseSets(TExpertSystem& engine) {
    TTails& tails = engine.Tails();
    for (const TNode* node : engine.Vars().Records(kKeyCode)) {
        const int32_t varCode = node->Code;
        std::unique_ptr<TSingleIndexTree> set;
        if (concluders_->Find(varCode)) {
            set = std::make_unique<TSingleIndexTree>(&engine.Sink());
            for (; !concluders_->Eof() && concluders_->GetCode() == varCode; concluders_->Next()) {
                const int32_t ruleCode = concluders_->GetHelpContext();
                for (tails.Find(ruleCode); !tails.Eof() && tails.GetCode() == ruleCode; tails.Next()) {
                    const int32_t premiseVar = tails.GetVarCode();
                    if (!set->Find(premiseVar)) set->Add(premiseVar);
                }
            }
        }
        premiseSets_->AddTree(varCode, std::move(set));
    }
}

bool TDependencyAnalysis::HasPremiseSet(int32_t varCode) const {
    return premiseSets_->Find(varCode) && premiseSets_->GetTree() != nullptr;
}

std::vector<int32_t> TDependencyAnalysis::PremiseVariables(int32_t varCode) const {
    std::vector<int32_t> codes;
    if (!premiseSets_->Find(varCode)) return codes;
    const TSingleIndexTree* set = premiseSets_->GetTree();
    if (set == nullptr) return codes;
    for (const TNode* node : set->Records(kKeyCode)) codes.push_back(node->Code);
    return codes;
}

const std::string& TDependencyAnalysis::NameOf(TExpertSystem& engine, int32_t varCode) {
    auto it = names_.find(varCode);
    // A missing variable is reported once, however often the rules name it.
    if (it == names_.end()) it = names_.emplace(varCode, engine.VarName(varCode)).first;
    return it->second;
}

int TDependencyAnalysis::AddNode(int parent, std::string text, TDependKind kind, int32_t varCode) {
    if (nodes_.size() >= nodeLimit_) {
        truncated_ = true;
        return -1;
    }
    const int index = static_cast<int>(nodes_.size());
    TDependNode node;
    node.Text = std::move(text);
    node.Kind = kind;
    node.VarCode = varCode;
    node.Parent = parent;
    node.Level = parent < 0 ? 0 : nodes_[static_cast<std::size_t>(parent)].Level + 1;
    nodes_.push_back(std::move(node));
    if (parent < 0)
        roots_.push_back(index);
    else
        nodes_[static_cast<std::size_t>(parent)].Children.push_back(index);
    return index;
}

// The expansion walks depth first with a stack of its own rather than by
// recursion, so that a long chain of rules cannot exhaust the call stack.
// The path holds the variables from the target down to the one expanded.
void TDependencyAnalysis::ExpandTarget(TExpertSystem& engine, int32_t target) {
    struct TFrame {
        int32_t varCode;
        int node;
        std::vector<int32_t> premises;
        std::size_t next = 0;
    };
    std::vector<TFrame> stack;

    // Adds v's node under `parent`; false when the tree is full.
    const auto enter = [&](int parent, int32_t varCode) {
        const int node = AddNode(parent, NameOf(engine, varCode), TDependKind::Variable, varCode);
        if (node < 0) return false;
        if (!HasPremiseSet(varCode)) {
            // No rule concludes it: only the user can supply it.
            return AddNode(node, kDependUserText, TDependKind::User, 0) >= 0;
        }
        path_->Add(varCode);
        stack.push_back({varCode, node, PremiseVariables(varCode)});
        return true;
    };

    if (!enter(-1, target)) return;
    while (!stack.empty() && !truncated_) {
        TFrame& frame = stack.back();
        if (frame.next == frame.premises.size()) {
            if (path_->Find(frame.varCode)) path_->DeleteCurrent();
            stack.pop_back();
            continue;
        }
        const int32_t varCode = frame.varCode;
        const int node = frame.node;
        const int32_t premise = frame.premises[frame.next++];
        if (!path_->Find(premise)) {
            if (!enter(node, premise)) break;
            continue;
        }
        hasConflict_ = true;
        const int shown = AddNode(node, NameOf(engine, premise), TDependKind::Variable, premise);
        if (shown < 0 || AddNode(shown, kDependConflictText, TDependKind::Conflict, 0) < 0) break;
        conflicts_.push_back({varCode, premise, shown});
    }
    // Leave the path empty for the next target, also after the tree filled up.
    for (const TFrame& frame : stack)
        if (path_->Find(frame.varCode)) path_->DeleteCurrent();
}

// Whether a circle can be reached from the targets: a depth-first walk over
// the premise sets, each variable visited once (white, grey on the walk's
// path, black when done); meeting a grey variable closes a circle.
bool TDependencyAnalysis::ReachesCircle(const std::vector<int32_t>& targets) const {
    enum class TColor { Grey, Black };
    std::map<int32_t, TColor> color;
    struct TFrame {
        int32_t varCode;
        std::vector<int32_t> premises;
        std::size_t next = 0;
    };
    for (int32_t target : targets) {
        if (color.count(target)) continue;
        std::vector<TFrame> stack;
        color[target] = TColor::Grey;
        stack.push_back({target, PremiseVariables(target)});
        while (!stack.empty()) {
            TFrame& frame = stack.back();
            if (frame.next == frame.premises.size()) {
                color[frame.varCode] = TColor::Black;
                stack.pop_back();
                continue;
            }
            const int32_t premise = frame.premises[frame.next++];
            const auto it = color.find(premise);
            if (it != color.end()) {
                if (it->second == TColor::Grey) return true;
                continue;
            }
            color[premise] = TColor::Grey;
            stack.push_back({premise, PremiseVariables(premise)});
        }
    }
    return false;
}

std::string TDependencyAnalysis::ConflictLine(const TDependConflict& conflict) const {
    const auto name = [this](int32_t code) {
        const auto it = names_.find(code);
        return it == names_.end() ? std::string("???") : it->second;
    };
    return kDependCircularText + name(conflict.VarCode) + kDependCircularAnd + name(conflict.PremiseVarCode);
}

std::vector<std::string> TDependencyAnalysis::RenderTrees() const {
    std::vector<std::string> lines;
    lines.reserve(nodes_.size());
    for (const TDependNode& node : nodes_)
        lines.push_back(std::string(static_cast<std::size_t>(node.Level) * 2, ' ') + node.Text);
    return lines;
}

}  // namespace quorvel
