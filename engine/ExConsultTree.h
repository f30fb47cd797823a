// The widget-free side of the consultation views: the tree that tells how a
// consultation went, built from the engine's event tape, and the formatted
// lines of the rule view with the way each line is drawn. The Qt controls
// only mirror these models on screen; the command-line consultation prints
// them. Every text here is a base text (Windows-1252).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

// ------------------------------------------------------ shared lookups

// Keeps the cursors and active keys of the engine's containers (the base and
// the instantiation lists) and puts them back when it goes out of scope, so a
// view that looks records up never disturbs an iteration of the engine.
class TSavedCursors {
public:
    explicit TSavedCursors(TExpertSystem& engine);
    ~TSavedCursors();
    TSavedCursors(const TSavedCursors&) = delete;
    TSavedCursors& operator=(const TSavedCursors&) = delete;

private:
    struct TSaved {
        TSingleIndexTree* tree;
        TSingleIndexTree::TCursorMark mark;
    };
    std::array<TSaved, 9> saved_;
};

// Copies of a rule's premises and conclusions in stored order. The caller
// keeps the cursors (TSavedCursors).
std::vector<TTailNode> RulePremises(TExpertSystem& engine, int32_t ruleCode);
std::vector<THeadNode> RuleConclusions(TExpertSystem& engine, int32_t ruleCode);

// Premise or conclusion `index` (from 1) of a rule, if it has one. Cursors
// are kept; while a consultation runs the plan answers without a lookup.
std::optional<TTailNode> RulePremiseAt(TExpertSystem& engine, int32_t ruleCode, int32_t index);
std::optional<THeadNode> RuleConclusionAt(TExpertSystem& engine, int32_t ruleCode, int32_t index);

// The rule's order number in decimal, "???" for a rule that is not in the base.
std::string RuleNumberText(TExpertSystem& engine, int32_t ruleCode);

// lead + var + " " + op + " " + value, the value written by ValueText (a
// formula's text for a numeric variable).
std::string PremiseText(TExpertSystem& engine, const TTailNode& premise, std::string_view lead = {});

// ------------------------------------------------- consultation tree

// The consultation tree. Each Fill takes every pair off the engine's tape
// and appends the nodes they describe after those already present, so the
// tree grows through one consultation; Clear empties it for the next one.
//
// A large consultation makes hundreds of thousands of nodes, so none is an
// object of its own: the nodes are records in blocks of an array, named by
// their index (a TNodeId) and linked to their parent, first child and next
// sibling. Putting a node anywhere is a few links changed; nothing is
// allocated per node.
//
// A node keeps what its line says, not the line: the step and the codes it
// names (a rule, a premise's number, a variable and value, an answer and
// its confidence). Text writes the line when a reader asks for it, from the
// names of the consultation's plan, which the tree keeps alive: a view shows
// a few lines at a time, and a consultation makes far more lines than anyone
// reads. What the plan cannot name (a damaged base), and what must be taken
// as it was when the node was made (a formula's value), is kept as written.
class TConsultTreeModel {
public:
    using TNodeId = int32_t;
    static constexpr TNodeId kNoNode = -1;

    TConsultTreeModel();
    ~TConsultTreeModel();

    // Does nothing when the base may only be executed (access level 2): the
    // tape is then left as it is.
    void Fill(TExpertSystem& engine);
    void Clear();

    bool Empty() const { return count_ == 0; }
    std::size_t NodeCount() const { return count_; }
    // The first top-level node, kNoNode for an empty tree: the node the view selects.
    TNodeId FirstNode() const { return firstRoot_; }
    TNodeId FirstChild(TNodeId node) const { return At(node).FirstChild; }
    TNodeId NextSibling(TNodeId node) const { return At(node).NextSibling; }
    TNodeId Parent(TNodeId node) const { return At(node).Parent; }
    std::string Text(TNodeId node) const;
    int Image(TNodeId node) const { return At(node).Image; }  // 0 a step, 1 a rule or a node with a sub-tree

    // Calls `visit` for every node in pre-order with its depth (0 for the
    // top level), however deep the tree: a printer writes each line as it
    // comes, in memory linear in the number of nodes.
    void ForEachNode(const std::function<void(std::size_t depth, TNodeId node)>& visit) const;
    // Every node in pre-order, indented by two blanks per level; for small
    // trees (the line count times the depth is held at once).
    std::vector<std::string> Render() const;

private:
    friend class TConsultTreeBuilder;

    // What a node's line tells; each but Written names codes of the plan.
    enum class TStep : uint8_t {
        Written,       // the text itself, at First (its start in texts_) for Second characters
        Deriving,      // First: the variable looked for
        Asking,        // First: the variable asked
        Answer,        // First: the variable answered, Second: the answer's place in answers_
        EnteringRule,  // First: the rule
        Premise,       // First: the rule, Second: the premise's number from 1
        Rejected,      // First: the rule
        Fired,         // First: the rule
        Conclusion,    // First, Second: the variable and value concluded
        Evaluating,    // First, Second: the variable and the formula worked out
    };
    struct TNode {
        TStep Step = TStep::Written;
        uint8_t Image = 0;
        int32_t First = 0;
        int32_t Second = 0;
        TNodeId Parent = kNoNode;
        TNodeId FirstChild = kNoNode;
        TNodeId NextSibling = kNoNode;
    };
    struct TAnswer {
        int32_t ValueCode = 0;
        float Cnf = 0.0f;
    };
    // The nodes lie in blocks of a fixed size: the tree grows without ever
    // moving (and touching again) the nodes it holds.
    static constexpr int kBlockBits = 12;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    const TNode& At(TNodeId node) const {
        const auto id = static_cast<std::size_t>(node);
        return blocks_[id >> kBlockBits][id & (kBlockSize - 1)];
    }
    TNode& At(TNodeId node) { return const_cast<TNode&>(std::as_const(*this).At(node)); }
    TNodeId Push(const TNode& node);
    // How a premise's line starts and ends, by its negation.
    static std::string_view PremiseLead(bool negated);
    static std::string_view PremiseTail(bool negated);
    // Writes out the lines of every node that names the plan, for a Fill
    // under another plan.
    void WriteOutPlanned();

    std::vector<std::unique_ptr<TNode[]>> blocks_;
    std::size_t count_ = 0;
    std::string texts_;             // the Written nodes' texts, end to end
    std::vector<TAnswer> answers_;  // the Answer nodes' values
    std::shared_ptr<const TConsultPlan> plan_;
    TNodeId firstRoot_ = kNoNode;
    TNodeId lastRoot_ = kNoNode;
};

// ---------------------------------------------------------- rule view

enum class TRuleLineKind { Header, Premise, Conclusion };

struct TRuleViewLine {
    std::string Text;
    int32_t RuleCode = 0;
    TRuleLineKind Kind = TRuleLineKind::Header;
    int32_t Index = 0;  // premise or conclusion number from 1; 0 for the header
};

// The lines of the rule view: for each listed rule in order of its number
// the header, one line per premise and one per conclusion. With useFilter a
// rule is listed only when one of its conclusions is about a variable of
// `filter`. Empty for a new base and for a base whose rules may not be shown.
std::vector<TRuleViewLine> RuleViewLines(TExpertSystem& engine, bool useFilter = false,
                                         const std::set<int32_t>& filter = {});

enum class TRuleLineColor { Navy, Black, White };

// One piece of a drawn line, placed at OffsetM widths of the letter M from
// the item's left edge.
struct TRuleLinePart {
    std::string Text;
    int OffsetM = 0;
    TRuleLineColor Color = TRuleLineColor::Black;
};

// How a rule-view line is drawn: the connector or keyword in navy, the rest
// in black, the header in navy; everything white on a selected item. The
// conclusion markers are never drawn.
std::vector<TRuleLinePart> RuleLineParts(std::string_view line, bool selected = false);

}  // namespace quorvel
