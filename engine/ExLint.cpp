#include "ExLint.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "ExBaseText.h"
#include "ExConsultTree.h"
#include "ExDepend.h"
#include "ExFormula.h"
#include "ExText.h"

namespace quorvel {

namespace {

// Gives every declared variable a number without deriving or asking
// anything, and notes the names the formula uses.
class TCheckHost : public IFormulaHost {
public:
    TCheckHost(TExpertSystem& engine, long double sample) : engine_(engine), sample_(sample) {}
    float Cnf1() override { return static_cast<float>(sample_ / 100.0L); }
    float Cnf2() override { return static_cast<float>(sample_ / 70.0L); }
    bool VariableValue(std::string_view upperName, long double& value, bool& unknown) override {
        unknown = false;
        if (!engine_.Vars().FindName(upperName)) return false;
        Named.insert(engine_.Vars().GetCode());
        value = sample_;
        return true;
    }
    std::set<int32_t> Named;

private:
    TExpertSystem& engine_;
    long double sample_;
};

struct TRuleFacts {
    int32_t Code = 0;
    int32_t Order = 0;
    std::string Name;
    std::vector<TTailNode> Premises;
    std::vector<THeadNode> Conclusions;
};

// Everything the checks read, taken from the base once.
struct TBaseFacts {
    std::vector<const TVarNode*> Vars;                 // by code
    std::map<int32_t, std::vector<int32_t>> Values;    // variable -> value codes
    std::vector<TRuleFacts> Rules;                     // by order
    std::map<int32_t, std::set<int32_t>> Concluded;    // variable -> value codes concluded
    std::map<int32_t, std::set<int32_t>> Tested;       // variable -> value codes in premises
    std::set<int32_t> UsedByRules;                     // variables in premises, conclusions or their formulas
    std::set<int32_t> Targets;
};

bool IsNumeric(const TBaseFacts& facts, int32_t varCode) {
    const auto at = std::lower_bound(facts.Vars.begin(), facts.Vars.end(), varCode,
                                     [](const TVarNode* var, int32_t code) { return var->Code < code; });
    return at != facts.Vars.end() && (*at)->Code == varCode && (*at)->Numeric;
}

TBaseFacts GatherFacts(TExpertSystem& engine) {
    TBaseFacts facts;
    for (TNode* node : engine.Vars().BalancedOrder(kKeyCode)) facts.Vars.push_back(static_cast<const TVarNode*>(node));
    std::sort(facts.Vars.begin(), facts.Vars.end(), [](const TVarNode* a, const TVarNode* b) { return a->Code < b->Code; });
    for (TNode* node : engine.Values().BalancedOrder(kKeyCode)) {
        const auto* value = static_cast<const TValNode*>(node);
        facts.Values[value->VarCode].push_back(value->Code);
    }
    for (auto& [varCode, codes] : facts.Values) std::sort(codes.begin(), codes.end());
    for (TNode* node : engine.Rules().BalancedOrder(kKeyCode)) {
        const auto* rule = static_cast<const TValNode*>(node);
        TRuleFacts facts_;
        facts_.Code = rule->Code;
        facts_.Order = rule->VarCode;
        facts_.Name = rule->Name;
        facts_.Premises = RulePremises(engine, rule->Code);
        facts_.Conclusions = RuleConclusions(engine, rule->Code);
        facts.Rules.push_back(std::move(facts_));
    }
    std::sort(facts.Rules.begin(), facts.Rules.end(),
              [](const TRuleFacts& a, const TRuleFacts& b) { return std::tie(a.Order, a.Code) < std::tie(b.Order, b.Code); });
    for (const TRuleFacts& rule : facts.Rules) {
        for (const TTailNode& premise : rule.Premises) {
            facts.Tested[premise.VarCode].insert(premise.ValueCode);
            facts.UsedByRules.insert(premise.VarCode);
        }
        for (const THeadNode& conclusion : rule.Conclusions) {
            facts.Concluded[conclusion.VarCode].insert(conclusion.ValueCode);
            facts.UsedByRules.insert(conclusion.VarCode);
        }
    }
    for (const TTargetNode& target : engine.Targets().Items()) facts.Targets.insert(target.VarCode);
    return facts;
}

std::optional<std::string> FormulaTextOf(TExpertSystem& engine, int32_t formulaCode) {
    TFormulas& formulas = engine.Formulas();
    if (!formulas.Find(formulaCode)) return std::nullopt;
    return formulas.GetName();
}

// Parses a formula with sample values for its variables: nullopt when it
// reads, else the error (Windows-1252). Arithmetic faults depend on the
// values, so a formula is only at fault when it fails whatever they hold.
std::optional<std::string> CheckFormulaText(TExpertSystem& engine, const std::string& text, bool& undeclared,
                                            std::set<int32_t>& named) {
    undeclared = false;
    std::optional<std::string> arithmetic;
    for (const long double sample : {3.7L, 0.45L, 12345.0L}) {
        TCheckHost host(engine, sample);
        try {
            EvaluateFormula(text, host);
            named.insert(host.Named.begin(), host.Named.end());
            return std::nullopt;
        } catch (const EExpSyntaxError& error) {
            named.insert(host.Named.begin(), host.Named.end());
            std::string message = Utf8ToCp1252(error.what()).value_or(error.what());
            // The undeclared name's message breaks the line; a finding is one line.
            for (std::size_t at; (at = message.find("\r\n")) != std::string::npos;) message.erase(at, 2);
            undeclared = message.rfind(formula_error::UndeclaredVariable, 0) == 0;
            return message;
        } catch (const EExpArithmeticError& error) {
            named.insert(host.Named.begin(), host.Named.end());
            arithmetic = Utf8ToCp1252(error.what()).value_or(error.what());
        }
    }
    return arithmetic;
}

class TLinter {
public:
    TLinter(TExpertSystem& engine, TBaseFacts facts) : engine_(engine), facts_(std::move(facts)) {}

    std::vector<TLintFinding> Run() {
        CheckFormulas();
        CheckUnusedVariables();
        CheckUnusedValues();
        CheckPremisesThatNeverHold();
        CheckDuplicateRules();
        CheckPremiseSets();
        CheckTargets();
        CheckConclusionCnfs();
        CheckNumericRanges();
        CheckCircles();
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const TLintFinding& a, const TLintFinding& b) { return a.Code < b.Code; });
        return std::move(findings_);
    }

private:
    std::string VarName(int32_t varCode) { return "\"" + engine_.VarName(varCode) + "\""; }
    std::string ValueName(int32_t varCode, int32_t valueCode) {
        return "\"" + engine_.ValueTextOf(varCode, valueCode) + "\"";
    }
    static std::string RuleName(const TRuleFacts& rule) {
        return "REGRA " + std::to_string(rule.Order) + (rule.Name.empty() ? "" : " (" + rule.Name + ")");
    }

    void Add(const char* code, TLintSeverity severity, TLintSubject subject, int32_t ruleCode, int32_t varCode,
             std::string message) {
        TLintFinding finding;
        finding.Code = code;
        finding.Severity = severity;
        finding.Subject = subject;
        finding.RuleCode = ruleCode;
        finding.VarCode = varCode;
        finding.Message = std::move(message);
        findings_.push_back(std::move(finding));
    }

    // Where in its rule, or which setting, the last finding is about.
    TLintFinding& Last() { return findings_.back(); }

    // One formula, wherever it stands; `where` names that place.
    void CheckOne(const std::string& text, TLintSubject subject, int32_t ruleCode, int32_t varCode,
                  const std::string& where) {
        bool undeclared = false;
        const auto problem = CheckFormulaNoting(text, undeclared);
        if (!problem) return;
        Add(undeclared ? lint_code::UndeclaredVariable : lint_code::FormulaSyntax, TLintSeverity::Error, subject,
            ruleCode, varCode, where + ": " + *problem);
    }

    std::optional<std::string> CheckFormulaNoting(const std::string& text, bool& undeclared) {
        std::set<int32_t> named;
        auto problem = CheckFormulaText(engine_, text, undeclared, named);
        facts_.UsedByRules.insert(named.begin(), named.end());
        return problem;
    }

    void CheckFormulas() {
        for (const TRuleFacts& rule : facts_.Rules) {
            int index = 0;
            for (const TTailNode& premise : rule.Premises) {
                const std::size_t before = findings_.size();
                CheckRuleFormula(rule, premise.VarCode, premise.ValueCode, "premissa");
                ++index;
                if (findings_.size() > before) Last().Premise = index;
            }
            index = 0;
            for (const THeadNode& conclusion : rule.Conclusions) {
                const std::size_t before = findings_.size();
                CheckRuleFormula(rule, conclusion.VarCode, conclusion.ValueCode, "conclus\xE3o");
                ++index;
                if (findings_.size() > before) Last().Conclusion = index;
            }
        }
        const std::pair<const TCnfFormula*, const char*> settings[] = {
            {&engine_.AndFormula, "f\xF3rmula do E"},
            {&engine_.OrFormula, "f\xF3rmula do OU"},
            {&engine_.ConclusionFormula, "f\xF3rmula da conclus\xE3o"}};
        int setting = 0;
        for (const auto& [formula, name] : settings) {
            ++setting;
            const std::size_t before = findings_.size();
            if (!formula->UseDefault) CheckOne(formula->Text, TLintSubject::Settings, 0, 0, std::string("A ") + name);
            if (findings_.size() > before) Last().Setting = setting;
        }
    }

    void CheckRuleFormula(const TRuleFacts& rule, int32_t varCode, int32_t formulaCode, const char* place) {
        if (!IsNumeric(facts_, varCode) || formulaCode == kCodeUnknown) return;
        const std::string where = RuleName(rule) + ", " + place + " sobre " + VarName(varCode);
        const auto text = FormulaTextOf(engine_, formulaCode);
        if (!text) {
            Add(lint_code::FormulaMissing, TLintSeverity::Error, TLintSubject::Rule, rule.Code, varCode,
                where + ": a f\xF3rmula de c\xF3" "digo " + std::to_string(formulaCode) + " n\xE3o existe");
            return;
        }
        CheckOne(*text, TLintSubject::Rule, rule.Code, varCode, where + ", f\xF3rmula " + *text);
    }

    void CheckUnusedVariables() {
        for (const TVarNode* var : facts_.Vars) {
            if (facts_.UsedByRules.count(var->Code) || facts_.Targets.count(var->Code)) continue;
            Add(lint_code::UnusedVariable, TLintSeverity::Warning, TLintSubject::Variable, 0, var->Code,
                "A vari\xE1vel " + VarName(var->Code) + " n\xE3o \xE9 usada por nenhuma regra nem \xE9 objetivo");
        }
    }

    void CheckUnusedValues() {
        for (const auto& [varCode, codes] : facts_.Values) {
            // Every value of a variable that is asked can be answered.
            if (!facts_.Concluded.count(varCode) || IsNumeric(facts_, varCode)) continue;
            for (const int32_t code : codes) {
                if (facts_.Concluded[varCode].count(code) || facts_.Tested[varCode].count(code)) continue;
                Add(lint_code::UnusedValue, TLintSeverity::Warning, TLintSubject::Variable, 0, varCode,
                    "O valor " + ValueName(varCode, code) + " de " + VarName(varCode) +
                        " n\xE3o \xE9 conclu\xED" "do, testado nem perguntado");
                Last().ValueCode = code;
            }
        }
    }

    void CheckPremisesThatNeverHold() {
        for (const TRuleFacts& rule : facts_.Rules) {
            int index = 0;
            for (const TTailNode& premise : rule.Premises) {
                ++index;
                const auto concluded = facts_.Concluded.find(premise.VarCode);
                // A variable that no rule concludes is asked: any value may come.
                if (concluded == facts_.Concluded.end() || IsNumeric(facts_, premise.VarCode)) continue;
                if (premise.Operator != "=" && premise.Operator != "<>") continue;
                const bool wantsValue = (premise.Operator == "=") != premise.Negated;
                if (!wantsValue) continue;
                const int32_t value = premise.ValueCode;
                if (value == kCodeUnknown || concluded->second.count(value)) continue;
                // A yes/no conclusion may turn into the other answer.
                const bool yesNo = value == kCodeYes || value == kCodeNo;
                if (yesNo && (concluded->second.count(kCodeYes) || concluded->second.count(kCodeNo))) continue;
                Add(lint_code::PremiseNeverHolds, TLintSeverity::Error, TLintSubject::Rule, rule.Code,
                    premise.VarCode,
                    RuleName(rule) + ", premissa " + std::to_string(index) + ": " + VarName(premise.VarCode) +
                        " nunca vale " + ValueName(premise.VarCode, value) +
                        " (s\xF3 regras a concluem, e nenhuma conclui esse valor)");
                Last().Premise = index;
            }
        }
    }

    static auto PremiseKey(const TTailNode& premise) {
        return std::make_tuple(premise.VarCode, premise.Operator, premise.ValueCode, premise.Negated,
                               premise.Connective);
    }

    void CheckDuplicateRules() {
        using TConclusionKey = std::tuple<int32_t, int32_t, float>;
        std::map<std::pair<std::vector<decltype(PremiseKey(TTailNode()))>, std::vector<TConclusionKey>>, const TRuleFacts*>
            seen;
        for (const TRuleFacts& rule : facts_.Rules) {
            std::vector<decltype(PremiseKey(TTailNode()))> premises;
            for (const TTailNode& premise : rule.Premises) premises.push_back(PremiseKey(premise));
            std::vector<TConclusionKey> conclusions;
            for (const THeadNode& conclusion : rule.Conclusions)
                conclusions.emplace_back(conclusion.VarCode, conclusion.ValueCode, conclusion.Cnf);
            const auto [at, added] = seen.emplace(std::make_pair(premises, conclusions), &rule);
            if (added) continue;
            Add(lint_code::DuplicateRule, TLintSeverity::Warning, TLintSubject::Rule, rule.Code, 0,
                RuleName(rule) + " repete as premissas e as conclus\xF5" "es da " + RuleName(*at->second));
        }
    }

    void CheckPremiseSets() {
        for (const TRuleFacts& rule : facts_.Rules) {
            const bool onlyAnd = std::none_of(rule.Premises.begin(), rule.Premises.end(),
                                              [](const TTailNode& p) { return p.Connective == kConnectiveOr; });
            for (std::size_t i = 0; i < rule.Premises.size(); ++i) {
                for (std::size_t j = i + 1; j < rule.Premises.size(); ++j) {
                    const TTailNode& a = rule.Premises[i];
                    const TTailNode& b = rule.Premises[j];
                    if (a.VarCode != b.VarCode || a.ValueCode != b.ValueCode) continue;
                    const std::string which = "premissas " + std::to_string(i + 1) + " e " + std::to_string(j + 1);
                    const std::string opA = EffectiveOperator(a);
                    const std::string opB = EffectiveOperator(b);
                    if (opA == opB) {
                        Add(lint_code::RepeatedPremise, TLintSeverity::Warning, TLintSubject::Rule, rule.Code,
                            a.VarCode, RuleName(rule) + ": as " + which + " s\xE3o iguais");
                        Last().Premise = static_cast<int>(j + 1);
                    } else if (onlyAnd && IsComplement(opA, opB)) {
                        Add(lint_code::ContradictoryPremises, TLintSeverity::Warning, TLintSubject::Rule, rule.Code,
                            a.VarCode, RuleName(rule) + ": as " + which + " se contradizem (" +
                                           VarName(a.VarCode) + " " + opA + " " + ValueName(a.VarCode, a.ValueCode) +
                                           " e " + opB + " " + ValueName(a.VarCode, a.ValueCode) + ")");
                        Last().Premise = static_cast<int>(j + 1);
                    }
                }
            }
        }
    }

    static std::string EffectiveOperator(const TTailNode& premise) {
        if (!premise.Negated) return premise.Operator;
        static const std::map<std::string, std::string> negation = {
            {"=", "<>"}, {"<>", "="}, {">", "<="}, {"<=", ">"}, {"<", ">="}, {">=", "<"}};
        const auto found = negation.find(premise.Operator);
        return found == negation.end() ? premise.Operator : found->second;
    }

    static bool IsComplement(const std::string& a, const std::string& b) {
        static const std::set<std::pair<std::string, std::string>> pairs = {
            {"=", "<>"}, {">", "<="}, {"<", ">="}};
        return pairs.count({a, b}) || pairs.count({b, a});
    }

    void CheckTargets() {
        for (const TTargetNode& target : engine_.Targets().Items()) {
            if (facts_.Concluded.count(target.VarCode)) continue;
            Add(lint_code::TargetAsked, TLintSeverity::Warning, TLintSubject::Target, 0, target.VarCode,
                "Nenhuma regra conclui o objetivo " + VarName(target.VarCode) + ": ele ser\xE1 perguntado");
        }
    }

    void CheckConclusionCnfs() {
        for (const TRuleFacts& rule : facts_.Rules) {
            for (const THeadNode& conclusion : rule.Conclusions) {
                if (conclusion.Cnf > 0.0f && conclusion.Cnf <= 1.0f) continue;
                Add(lint_code::ConclusionCnf, TLintSeverity::Warning, TLintSubject::Rule, rule.Code,
                    conclusion.VarCode,
                    RuleName(rule) + ": a conclus\xE3o sobre " + VarName(conclusion.VarCode) + " tem CNF " +
                        CnfText(static_cast<double>(conclusion.Cnf) * 100.0) + "%" +
                        (conclusion.Cnf <= 0.0f ? " (nunca conta)" : " (acima de 100%)"));
                Last().Conclusion = static_cast<int>(&conclusion - rule.Conclusions.data()) + 1;
            }
        }
    }

    // The interval of a numeric variable is its value record's name, "min;max",
    // either side possibly empty; a side that is not a number is no bound.
    void CheckNumericRanges() {
        for (const TVarNode* var : facts_.Vars) {
            if (!var->Numeric || facts_.Concluded.count(var->Code)) continue;
            if (!facts_.UsedByRules.count(var->Code) && !facts_.Targets.count(var->Code)) continue;
            std::optional<long double> low;
            std::optional<long double> high;
            std::string lowText;
            std::string highText;
            const auto values = facts_.Values.find(var->Code);
            if (values != facts_.Values.end() && !values->second.empty() && engine_.Values().Find(values->second.front())) {
                const std::string interval = engine_.Values().GetName();
                const auto split = interval.find(';');
                if (split != std::string::npos) {
                    lowText = Trimmed(interval.substr(0, split));
                    highText = Trimmed(interval.substr(split + 1));
                    low = TextToNumber(lowText);
                    high = TextToNumber(highText);
                }
            }
            std::string problem;
            if (!low && !high)
                problem = "n\xE3o tem intervalo de valores (\"m\xEDnimo;m\xE1ximo\")";
            else if (low && high && *low > *high)
                problem = "tem o m\xEDnimo " + lowText + " acima do m\xE1ximo " + highText;
            if (problem.empty()) continue;
            Add(lint_code::NumericRange, TLintSeverity::Warning, TLintSubject::Question, 0, var->Code,
                "A pergunta num\xE9rica sobre " + VarName(var->Code) + " " + problem);
        }
    }

    static std::string Trimmed(const std::string& text) {
        const auto begin = text.find_first_not_of(' ');
        if (begin == std::string::npos) return {};
        return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    }

    void CheckCircles() {
        const TDependencyAnalysis analysis(engine_);
        std::set<std::pair<int32_t, int32_t>> reported;
        for (const TDependConflict& conflict : analysis.Conflicts()) {
            if (!reported.insert({conflict.VarCode, conflict.PremiseVarCode}).second) continue;
            Add(lint_code::CircularDependency, TLintSeverity::Error, TLintSubject::Variable, 0, conflict.VarCode,
                analysis.ConflictLine(conflict));
        }
    }

    TExpertSystem& engine_;
    TBaseFacts facts_;
    std::vector<TLintFinding> findings_;
};

}  // namespace

std::optional<std::string> CheckFormula(TExpertSystem& engine, const std::string& text, bool& undeclared) {
    TSavedCursors saved(engine);
    std::set<int32_t> named;
    return CheckFormulaText(engine, text, undeclared, named);
}

std::vector<TLintFinding> LintBase(TExpertSystem& engine, const TLintLineLookup& lines) {
    TSavedCursors saved(engine);
    TLinter linter(engine, GatherFacts(engine));
    std::vector<TLintFinding> findings = linter.Run();
    if (lines)
        for (TLintFinding& finding : findings) finding.Line = lines(finding);
    return findings;
}

TLintLineLookup SourceLines(TExpertSystem& engine, const TBaseTextSourceMap& map) {
    std::vector<int32_t> targets;
    for (const TTargetNode& target : engine.Targets().Items()) targets.push_back(target.VarCode);
    const auto lineIn = [](const std::map<int32_t, int>& lines, int32_t code) -> std::optional<int> {
        const auto found = lines.find(code);
        return found == lines.end() || found->second <= 0 ? std::nullopt : std::optional<int>(found->second);
    };
    const auto nth = [](const std::vector<int>& lines, int index) -> std::optional<int> {
        if (index < 1 || static_cast<std::size_t>(index) > lines.size()) return std::nullopt;
        return lines[static_cast<std::size_t>(index) - 1];
    };
    return [&map, targets, lineIn, nth](const TLintFinding& finding) -> std::optional<int> {
        if (finding.Setting) {
            const int line = finding.Setting == 1 ? map.AndFormula : finding.Setting == 2 ? map.OrFormula : map.ConclusionFormula;
            return line > 0 ? std::optional<int>(line) : std::nullopt;
        }
        if (finding.RuleCode) {
            const TBaseTextSourceMap::TRuleLines* rule = map.RuleByCode(finding.RuleCode);
            if (!rule) return std::nullopt;
            if (const auto line = finding.Premise ? nth(rule->Premises, finding.Premise) : std::nullopt) return line;
            if (const auto line = finding.Conclusion ? nth(rule->Conclusions, finding.Conclusion) : std::nullopt)
                return line;
            return rule->Line > 0 ? std::optional<int>(rule->Line) : std::nullopt;
        }
        if (finding.Subject == TLintSubject::Target) {
            const auto at = std::find(targets.begin(), targets.end(), finding.VarCode);
            if (at != targets.end()) return nth(map.Targets, static_cast<int>(at - targets.begin()) + 1);
        }
        if (finding.ValueCode)
            if (const auto line = lineIn(map.Values, finding.ValueCode)) return line;
        if (finding.Subject == TLintSubject::Question)
            if (const auto line = lineIn(map.Questions, finding.VarCode)) return line;
        return lineIn(map.Variables, finding.VarCode);
    };
}

bool HasLintErrors(const std::vector<TLintFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const TLintFinding& finding) { return finding.Severity == TLintSeverity::Error; });
}

}  // namespace quorvel
