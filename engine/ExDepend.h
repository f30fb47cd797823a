// The dependency analysis of a knowledge base: for every target, the tree of
// the variables it depends on through the rules, the variables only the user
// can supply, and the circular definitions found on the way. The workbench's
// dependency dialog shows it; the command-line tool prints it.
//
// Texts of the nodes and of the conflict lines are base texts (Windows-1252).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

namespace msg {
inline constexpr const char* DependencyConflict = "Conflito entre variáveis!";
}  // namespace msg

// Base texts of the tree and of the conflict list.
inline constexpr const char* kDependUserText = "Usu\xE1rio";
inline constexpr const char* kDependConflictText = "CONFLITO!";
inline constexpr const char* kDependCircularText = "Depend\xEAncia circular entre ";
inline constexpr const char* kDependCircularAnd = " e ";

// The images of the tree, in the order of the dialog's image list.
enum TDependImage : int {
    kDependImageVariable = 0,
    kDependImageExpanded = 1,
    kDependImageUser = 2,
    kDependImageConflict = 3,
};

enum class TDependKind {
    Variable,  // a variable (its children are the variables its rules' premises use)
    User,      // "Usuário": no rule concludes the parent, only the user can supply it
    Conflict,  // "CONFLITO!": the parent closes a circle
};

struct TDependNode {
    std::string Text;
    TDependKind Kind = TDependKind::Variable;
    int32_t VarCode = 0;  // for a variable node
    int Parent = -1;      // index of the parent node, -1 for a target
    int Level = 0;        // 0 for a target
    std::vector<int> Children;
    int Image() const;  // its image when collapsed
};

// A circle: expanding `VarCode` met `PremiseVarCode`, which was already on
// the path from the target; `NodeIndex` is the node that shows it.
struct TDependConflict {
    int32_t VarCode = 0;
    int32_t PremiseVarCode = 0;
    int NodeIndex = 0;
};

// A variable reached along many paths is expanded once per path, so a base
// whose rules form layers of shared variables grows a tree exponentially
// larger than itself; past this many nodes the tree stops growing.
inline constexpr std::size_t kDependNodeLimit = 200000;

class TDependencyAnalysis {
public:
    // Analyses the base at once; the engine's containers and cursors are left
    // as they were.
    explicit TDependencyAnalysis(TExpertSystem& engine, std::size_t nodeLimit = kDependNodeLimit);

    // Every node in pre-order: a node's index is its place in the whole tree.
    const std::vector<TDependNode>& Nodes() const { return nodes_; }
    const std::vector<int>& Roots() const { return roots_; }
    const std::vector<TDependConflict>& Conflicts() const { return conflicts_; }
    // True when a target depends on itself through some circle, also one
    // lying beyond a tree that was cut short.
    bool HasConflict() const { return hasConflict_; }
    // The node limit was reached: some branches were not expanded.
    bool Truncated() const { return truncated_; }
    // The analysis ran out of memory; what was built is kept.
    bool Incomplete() const { return incomplete_; }

    // "Dependência circular entre " + the variable + " e " + the premise's variable.
    std::string ConflictLine(const TDependConflict& conflict) const;
    // The trees, one line per node, indented by two blanks per level; for
    // small trees (a printer walks Nodes(), whose Level gives the indent).
    std::vector<std::string> RenderTrees() const;

private:
    void Build(TExpertSystem& engine);
    void BuildPremiseSets(TExpertSystem& engine);
    void ExpandTarget(TExpertSystem& engine, int32_t target);
    bool ReachesCircle(const std::vector<int32_t>& targets) const;
    std::vector<int32_t> PremiseVariables(int32_t varCode) const;
    bool HasPremiseSet(int32_t varCode) const;
    // Adds a node; -1 (and Truncated) when the limit is reached.
    int AddNode(int parent, std::string text, TDependKind kind, int32_t varCode);
    const std::string& NameOf(TExpertSystem& engine, int32_t varCode);

    std::size_t nodeLimit_;
    std::unique_ptr<THelpContexts> concluders_;
    std::unique_ptr<TTreeOfTrees> premiseSets_;
    std::unique_ptr<TSingleIndexTree> path_;
    std::map<int32_t, std::string> names_;
    std::vector<TDependNode> nodes_;
    std::vector<int> roots_;
    std::vector<TDependConflict> conflicts_;
    bool hasConflict_ = false;
    bool truncated_ = false;
    bool incomplete_ = false;
};

}  // namespace quorvel
