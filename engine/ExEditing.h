// Editing a knowledge base: the operations the editor windows share and the
// command line can reuse. Deleting rules, variables and values with
// everything that hangs on them, renumbering rules, finding the first rule
// that uses a variable or a value, the draft of one rule (the lines of a rule
// window with their formula bookkeeping), the draft of the variables editor
// (private copies applied in one go), and the checks that keep typed names
// and texts within what a base can hold. Plain C++: the windows only mirror
// these drafts on screen.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {

// ------------------------------------------------------------------ texts

// The editors' messages (UTF-8).
namespace msg {

inline constexpr const char* NoAlterPermission =
    "Lembre-se de que você não tem permissão para alterar essa base de conhecimento!";
// The variables editor words its refusal slightly differently.
inline constexpr const char* NoAlterPermissionVars =
    "Lembre-se de que você não tem permissão para alterar esta base de conhecimento!";
inline constexpr const char* DeleteRuleQuestion = "Excluir regra?";
inline constexpr const char* SaveChangesQuestion = "Salvar as modificações feitas?";

// Rule window
inline constexpr const char* RuleBadlyStructured = "A regra não está estruturada da maneira correta!";
inline constexpr const char* SameVariableBothSides =
    "Não é possível a presença de uma mesma variável nas premissas e conclusões simultaneamente!";
inline constexpr const char* RuleNeedsOrder = "É necessário que a regra tenha uma ordem!";
inline constexpr const char* InvalidRuleOrder = "Ordem de regra inválida!";
inline constexpr const char* RuleNoLongerExists =
    "Esta regra foi excluída da base enquanto a janela estava aberta; as alterações feitas nela foram "
    "descartadas.";

// Line editor and new-rule dialog
inline constexpr const char* NoSuchVariableEntry = "Variável inexistente!";
inline constexpr const char* InvalidOperator = "Operador inválido!";
inline constexpr const char* InvalidCnf = "Grau de confiança inválido!";
inline constexpr const char* InvalidFormula = "Fórmula inválida!";
inline constexpr const char* NoSuchValueEntry = "Valor inexistente!";
inline constexpr const char* InvalidNewRuleOrder = "Ordem de regra inválida";

// Variables editor
inline constexpr const char* SameVariableNames = "Você não pode incluir variáveis com nomes iguais!";
inline constexpr const char* QuoteInVariableName = "Não se pode utilizar aspas duplas no nome da variável!";
inline constexpr const char* BlankVariableName = "O nome da variável não pode ser somente espaços em branco!";
inline constexpr const char* YesNoValueQuestion =
    "Você não precisa colocar valores se sua variável for do tipo Sim/Não. Deseja continuar mesmo assim?";
inline constexpr const char* SameValueNames = "Você não pode incluir valores com nomes iguais!";
inline constexpr const char* QuoteInValueName = "Não se pode utilizar aspas duplas no nome do valor!";
inline constexpr const char* BlankValueName = "O nome do valor não pode ser somente espaços em branco!";
inline constexpr const char* UnknownAsValueName =
    "DESCONHECIDO é o valor de toda variável que não pôde ser determinada e não pode ser o nome de um valor!";
inline constexpr const char* NumericHasOneValue = "Você não pode incluir mais nenhum valor em uma variável numérica!";
inline constexpr const char* BadInterval =
    "Você colocou um valor inaceitável de intervalo. Deixe os valores em branco ou coloque um intervalo do tipo "
    "\"min;max\"";
inline constexpr const char* SelectVariableFirst = "É necessário ter alguma variável selecionada!";
inline constexpr const char* DeleteValuesQuestion = "Você irá apagar os valores existentes. Deseja continuar?";
inline constexpr const char* DeleteValueQuestion = "Você irá apagar o valor existente. Deseja continuar?";
inline constexpr const char* TargetsEditorOpen = "A janela de definição de objetivos está aberta. ";
inline constexpr const char* QuestionsEditorOpen = "A janela de criação de perguntas está aberta. ";
inline constexpr const char* InfosEditorOpen = "A janela de informações gerais está aberta. ";
inline constexpr const char* CloseItFirst = "Por favor, feche-a antes de atualizar as variáveis.";

}  // namespace msg

// ----------------------------------------------------------------- checks

// The highest code, position and count a .bcm file can hold (16 bits).
inline constexpr int32_t kMaxRecordCode = 32767;

// A text typed on screen (UTF-8) as a base text (Windows-1252). nullopt when
// it does not fit: more than `limit` characters, or characters that
// Windows-1252 cannot hold; `problem` then says why, naming the text by
// `what` ("O nome da regra"). Nothing is cut or replaced.
std::optional<std::string> BaseTextFromUtf8(std::string_view utf8, std::string_view what, std::string& problem,
                                            std::size_t limit = kShortStringMax);

// The code a new record of the container gets: its lowest free code. nullopt
// when the codes 1..32767 are all taken; `problem` then says so, naming the
// records by `what` ("variáveis").
std::optional<int32_t> NewRecordCode(const TSingleIndexTree& container, std::string_view what, std::string& problem);

// Whether the container can take `extra` more records and still be counted
// in 16 bits; `problem` says why not.
bool RoomForRecords(const TSingleIndexTree& container, int64_t extra, std::string_view what, std::string& problem);

// A number written as it reads back in the shortest general form: 10 and 2.5
// are canonical, 10.0, 1e3 and " 5" are not.
bool IsCanonicalNumber(std::string_view text);

enum class TIntervalCheck { Valid, Invalid, NotANumber };
struct TIntervalResult {
    TIntervalCheck Check = TIntervalCheck::Valid;
    std::string Part;  // NotANumber: the part that is not a number
};
// The interval of a numeric variable, "min;max", "min;" or ";max".
TIntervalResult CheckInterval(std::string_view text);
// The message for a part of an interval that is not a number (UTF-8; the
// part is a base text).
std::string NotANumberMessage(std::string_view part);

// ------------------------------------------------------ who uses what

struct TRuleRef {
    int32_t Code = 0;
    int32_t Order = 0;
    std::string Name;  // base text
};

// Which lines count as using a variable or a value. A value code is compared
// only on lines of non-numeric variables: on a numeric variable's line the
// code names a formula, which is no value however its number reads.
struct TLineUse {
    enum class TKind {
        Variable,     // any line on the variable
        Value,        // a line of a non-numeric variable holding the value code
        VariableKind  // a line on the variable with a value other than DESCONHECIDO
    };
    TKind Kind = TKind::Variable;
    int32_t Code = 0;

    static TLineUse OfVariable(int32_t varCode) { return {TKind::Variable, varCode}; }
    static TLineUse OfValue(int32_t valueCode) { return {TKind::Value, valueCode}; }
    // The lines whose value would change its meaning if the variable turned
    // from numeric to non-numeric or back.
    static TLineUse OfVariableKind(int32_t varCode) { return {TKind::VariableKind, varCode}; }

    // `numeric`: whether the line's variable is numeric in the base.
    bool Matches(int32_t varCode, int32_t valueCode, bool numeric) const;
};

// The codes of the rules that have a premise or a conclusion matching `use`.
std::set<int32_t> RulesUsing(TExpertSystem& engine, const TLineUse& use);
// The first of them: the rule with the lowest code, as a walk of the stored
// conclusions and premises meets it first.
std::optional<TRuleRef> FirstRuleUsing(TExpertSystem& engine, const TLineUse& use);

// The order and name of a rule of the base (order 0 when it is not there).
TRuleRef RuleRefOf(TExpertSystem& engine, int32_t ruleCode);

// The warnings given before a deletion that takes rules with it (UTF-8).
std::string VariableInUseQuestion(const TRuleRef& rule);
std::string ValueInUseQuestion(const TRuleRef& rule);
std::string VariableKindInUseQuestion(const TRuleRef& rule);

// ------------------------------------------------------ shared operations

// Deletes the rule's conclusions, then its premises, then the rule; the
// formulas of its numeric lines go first. Order numbers are left alone.
void DeleteRule(TExpertSystem& engine, int32_t ruleCode);
// Deletes the rule's conclusions and premises; the rule and the formulas stay.
void DeleteRuleLines(TExpertSystem& engine, int32_t ruleCode);
// Every rule whose order lies in from..to gets order + delta (delta +1 or -1).
void ShiftRuleOrders(TExpertSystem& engine, int32_t from, int32_t delta, int32_t to);
// Gives the rules the order numbers 1..n in their present order.
void CloseUpRuleOrders(TExpertSystem& engine);
// Deletes a rule and closes the gap its order number leaves.
void RemoveRule(TExpertSystem& engine, int32_t ruleCode);
// Moves the rule numbered `from` to number `to`; the rules between move one
// place towards `from`.
void MoveRule(TExpertSystem& engine, int32_t from, int32_t to);

// Deletes a variable with the rules that use it, its targets, its question,
// its values and their help contexts. Returns the codes of the deleted rules.
std::vector<int32_t> DeleteVariable(TExpertSystem& engine, int32_t varCode);
// Deletes a value with the rules that use it and its help context. Returns
// the codes of the deleted rules.
std::vector<int32_t> DeleteValue(TExpertSystem& engine, int32_t valueCode);

// ------------------------------------------------------------ rule draft

// One line of a rule window: a premise or a conclusion.
struct TRuleLine {
    bool Premise = true;
    int32_t VarCode = 0;
    std::string Operator = "=";  // premises
    int32_t ValueCode = kCodeUnknown;
    int32_t Connective = 2;  // premises: to the next premise; 2 on the last
    bool Negated = false;    // premises
    float Cnf = 1.0f;        // conclusions
};

// What the line editor hands over for one line.
struct TLineInput {
    int32_t VarCode = 0;
    std::string Operator = "=";
    int32_t ValueCode = kCodeUnknown;  // any code but DESCONHECIDO means "a formula" on a numeric variable
    int32_t Connective = 0;            // 0 E, 1 OU
    bool Negated = false;
    float Cnf = 1.0f;
    std::string FormulaText;  // numeric variables: the right-hand side (base text)
};

// The lines of one rule while a rule window edits them: row 0 "SE", the
// premises, "ENTÃO", the conclusions. The formulas of numeric lines are kept
// in the draft until the rule is saved: formulas it creates get provisional
// codes (kProvisionalFormula and up, never a base code), changed formulas
// keep their code with a new text, and formulas its deleted or changed lines
// left behind are only marked. Save writes all of it into the base; until
// then the base holds the rule exactly as it was, so saving the base while a
// rule window is open never stores half-edited formulas, and Discard has
// nothing to put back.
class TRuleDraft {
public:
    static constexpr int32_t kProvisionalFormula = 1 << 24;

    explicit TRuleDraft(TExpertSystem& engine) : engine_(engine) {}

    // Reads the rule's lines. With `copy` they become the lines of a new
    // rule: each numeric line gets a formula of its own.
    void Load(int32_t ruleCode, bool copy);

    int RowCount() const { return static_cast<int>(premises_.size() + conclusions_.size()) + 2; }
    int ThenRow() const { return static_cast<int>(premises_.size()) + 1; }
    int PremiseCount() const { return static_cast<int>(premises_.size()); }
    int ConclusionCount() const { return static_cast<int>(conclusions_.size()); }
    bool IsPremise(int row) const { return row >= 1 && row < ThenRow(); }
    bool IsConclusion(int row) const { return row > ThenRow() && row < RowCount(); }
    // The line of a premise or conclusion row.
    const TRuleLine& Line(int row) const;
    // "SE", "ENTÃO", or the line's text: "E  febre = Sim", "   febre = Sim
    // CNF 80%"; a base text of at most 255 characters.
    std::string RowText(int row) const;
    // The value text of a line: a formula's text as the draft holds it.
    std::string ValueText(const TRuleLine& line) const;

    // Insert a line after a row (the line editor's anchor); the new row's
    // number, or -1 with Problem() when the base could not take its formula.
    // A premise after "SE" ignores `input.Connective`.
    int InsertPremise(int afterRow, const TLineInput& input);
    int InsertConclusion(int afterRow, const TLineInput& input);
    // Rewrite a line. For a premise below the first, the premise above takes
    // `input.Connective` when `connectiveChosen`. False with Problem() when
    // the base could not take a new formula.
    bool ChangePremise(int row, const TLineInput& input, bool connectiveChosen);
    bool ChangeConclusion(int row, const TLineInput& input);
    // Deletes a line; returns the row above it, which the window selects.
    int DeleteRow(int row);

    // The structure checks: no premise or no conclusion, a variable on both
    // sides. Empty when the rule is well formed.
    std::string StructureProblem() const;
    bool Uses(const TLineUse& use) const;

    struct TSaved {
        int32_t RuleCode = 0;
        int32_t NewOrder = 0;  // o
        int32_t OldOrder = 0;  // p; number of rules + 1 for a new rule
        bool NewRule = false;
    };
    // Writes the rule into the base: a new rule (code 0) is inserted at
    // `order` (1..N+1), an existing one moved there (1..N), the other rules
    // renumbered to keep 1..N; the draft's formulas get base codes. nullopt
    // with Problem() when nothing was written: the rule was deleted
    // meanwhile, or the base is full.
    std::optional<TSaved> Save(int32_t ruleCode, std::string_view name, int32_t order);
    // Forgets every change; the base was never touched.
    void Discard();

    const std::string& Problem() const { return problem_; }
    // Provisional codes of the formulas the draft created.
    const std::set<int32_t>& CreatedFormulas() const { return created_; }
    // Base formulas whose text the draft changed, with the text they have in the base.
    const std::map<int32_t, std::string>& ChangedFormulas() const { return changed_; }
    // Base formulas the draft's lines no longer use; Save deletes them.
    const std::set<int32_t>& DiscardedFormulas() const { return discarded_; }

private:
    bool IsNumeric(int32_t varCode) const;
    std::optional<int32_t> NewFormula(const std::string& text);
    // The formula bookkeeping of a line changed from (old variable, old value).
    bool Rewrite(TRuleLine& line, const TLineInput& input);
    void DiscardFormula(int32_t code);
    TRuleLine& LineAt(int row);
    std::string LineText(const TRuleLine& line) const;

    TExpertSystem& engine_;
    std::vector<TRuleLine> premises_;
    std::vector<TRuleLine> conclusions_;
    std::set<int32_t> created_;
    std::map<int32_t, std::string> changed_;
    std::set<int32_t> discarded_;
    std::map<int32_t, std::string> texts_;  // formula texts of created and changed formulas
    int32_t nextProvisional_ = kProvisionalFormula;
    std::string problem_;
};

// ------------------------------------------------------- variables draft

// The variables editor's private copies of the base's variables and values
// with the six sets of codes, applied to the base in one go.
class TVarsDraft {
public:
    explicit TVarsDraft(TExpertSystem& engine);

    TVars& Vars() { return vars_; }
    TValues& Values() { return values_; }
    const TVarNode* Variable(int32_t code);
    const TValNode* Value(int32_t code);
    // A variable's values in position order.
    std::vector<const TValNode*> ValuesOf(int32_t varCode);
    // The code of the variable of that name (any letter case) other than `except`.
    std::optional<int32_t> VariableNamed(std::string_view name, int32_t except = 0);
    std::optional<int32_t> ValueNamed(int32_t varCode, std::string_view name, int32_t except = 0);

    // New records get provisional codes (the highest + 1); nullopt with
    // `problem` when the base could not hold one more.
    std::optional<int32_t> AddVariable(std::string_view name, bool multivalued, bool numeric, std::string& problem);
    std::optional<int32_t> AddValue(int32_t varCode, std::string_view name, std::string& problem);
    void RenameVariable(int32_t code, std::string_view name);
    void RenameValue(int32_t code, std::string_view name);
    void SetVariableKind(int32_t code, bool multivalued, bool numeric);
    // The variable leaves the copy with its values.
    void DeleteVariable(int32_t code);
    // The values below it move up one position.
    void DeleteValue(int32_t code);
    // Moves the value in row `from` of its variable's list to row `to` (0-based).
    void MoveValue(int32_t varCode, int from, int to);

    // Whether the variable is numeric in the base but not in the copy, or the
    // reverse: its rules' values would change their meaning.
    bool KindChanged(int32_t code);

    struct THooks {
        // Before the rules matching `use` are deleted: the rule windows that
        // edit one of `rules`, or whose lines match `use`, close unsaved.
        std::function<void(const TLineUse& use, const std::set<int32_t>& rules)> BeforeRulesDeleted;
        // A variable left the base (the watch panel lets it go).
        std::function<void(int32_t varCode)> VariableDeleted;
    };
    struct TApplied {
        std::vector<int32_t> DeletedRules;
        std::map<int32_t, int32_t> NewVariableCodes;  // provisional -> base
        std::map<int32_t, int32_t> NewValueCodes;
    };
    // Applies every change to the base; rules that were deleted leave their
    // order numbers closed up to 1..n.
    TApplied Apply(const THooks& hooks);

    const std::set<int32_t>& NewVariables() const { return newVars_; }
    const std::set<int32_t>& NewValues() const { return newValues_; }
    const std::set<int32_t>& ChangedVariables() const { return changedVars_; }
    const std::set<int32_t>& ChangedValues() const { return changedValues_; }
    const std::set<int32_t>& DeletedVariables() const { return deletedVars_; }
    const std::set<int32_t>& DeletedValues() const { return deletedValues_; }

private:
    int32_t NextCode(const TSingleIndexTree& container) const;

    TExpertSystem& engine_;
    TVars vars_;
    TValues values_;
    std::set<int32_t> newVars_, newValues_, changedVars_, changedValues_, deletedVars_, deletedValues_;
};

}  // namespace quorvel
