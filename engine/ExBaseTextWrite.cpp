// Writing a knowledge base as .bct text: general information, variables with
// their values and questions, targets, rules and the formulas no rule uses.
#include <algorithm>
#include <map>
#include <set>

#include "ExBaseText.h"
#include "ExBaseTextLex.h"
#include "ExText.h"

namespace quorvel {

using namespace bct;

bool IsBaseTextFileName(std::string_view fileName) {
    if (fileName.size() < kBaseTextExtension.size()) return false;
    return AnsiSameText(fileName.substr(fileName.size() - kBaseTextExtension.size()), kBaseTextExtension);
}

namespace {

const char* const kKindWords[] = {"UNIVALORADA", "MULTIVALORADA", "NUMERICA", "SIM/NAO"};

bool HasOperatorCharacter(std::string_view text) { return text.find_first_of("=<>") != std::string_view::npos; }

// Collects the text's lines; the base's texts (Windows-1252) become UTF-8 here.
class TTextLines {
public:
    void Blank() { text_ += '\n'; }
    // A line: indentation, keyword, then the rest (Windows-1252), if any.
    void Add(int indent, TKeyword keyword, std::string_view rest = {}) {
        text_.append(static_cast<std::size_t>(indent), ' ');
        text_ += KeywordText(keyword);
        if (!rest.empty()) {
            text_ += ' ';
            text_ += Cp1252ToUtf8(rest);
        }
        text_ += '\n';
    }
    std::string Text() const { return text_; }

private:
    std::string text_;
};

// "@code" when the order of declaration would not give the code.
std::string CodeWord(int32_t code, int32_t expected) { return code == expected ? "" : CodeText(code); }

// A text after a keyword: an empty one is left out.
std::string TextField(std::string_view text, bool bareAllowed = true) {
    return text.empty() ? std::string() : Field(text, bareAllowed);
}

// The parts of a line joined by one blank, leaving out empty ones.
std::string Join(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + " " + second;
}

class TWriter {
public:
    TWriter(TExpertSystem& base, const TBaseTextWriteOptions& options, std::vector<std::string>& omitted)
        : base_(base), options_(options), omitted_(omitted) {}

    std::string Write() {
        for (const TNode* node : base_.Vars().Records(kKeyCode)) vars_.emplace(node->Code, static_cast<const TVarNode*>(node));
        for (const TNode* node : base_.Values().Records(kKeyCode)) {
            const auto* value = static_cast<const TValNode*>(node);
            values_.emplace(value->Code, value);
            valuesOf_[value->VarCode].push_back(value);
        }
        for (auto& [varCode, list] : valuesOf_)
            std::stable_sort(list.begin(), list.end(),
                             [](const TValNode* a, const TValNode* b) { return a->Position < b->Position; });
        for (const TNode* node : base_.Formulas().Records(kKeyCode))
            formulas_.emplace(node->Code, static_cast<const TNamedNode*>(node)->Name);
        for (const TNode* node : base_.Questions().Records(kKeyCode))
            questions_.emplace(node->Code, static_cast<const TQuestionNode*>(node));
        for (const TNode* node : base_.HelpContexts().Records(kKeyCode))
            contexts_.emplace(node->Code, static_cast<const TContextNode*>(node)->HelpContext);

        WriteGeneral();
        WriteVariables();
        WriteTargets();
        WriteRules();
        WriteUnusedFormulas();
        return out_.Text();
    }

private:
    void WriteGeneral() {
        out_.Add(0, TKeyword::Base, TextField(base_.BaseName));
        out_.Add(0, TKeyword::Version, base_.Version);
        if (!base_.Authors.empty()) out_.Add(0, TKeyword::Authors, TextField(base_.Authors));
        for (const std::string& line : base_.OpeningText) out_.Add(0, TKeyword::Opening, TextField(line));
        if (base_.ShowOpening) out_.Add(0, TKeyword::ShowOpening);
        if (!base_.HelpFile.empty()) out_.Add(0, TKeyword::HelpFile, TextField(base_.HelpFile));
        WriteCnfFormula(TKeyword::AndFormula, base_.AndFormula);
        WriteCnfFormula(TKeyword::OrFormula, base_.OrFormula);
        WriteCnfFormula(TKeyword::ConclusionFormula, base_.ConclusionFormula);
        out_.Add(0, TKeyword::Precedence, base_.Precedence == 0 ? "E" : "OU");
        out_.Add(0, TKeyword::MinimumCnf, CnfPercentText(base_.MinimumCnf) + "%");
        if (base_.EvaluateAllPremises) out_.Add(0, TKeyword::AllPremises);

        const TPasswordBlock& block = base_.PasswordBlock;
        if (block.UsePassword) out_.Add(0, TKeyword::UsePassword);
        switch (block.Restriction) {
            case 0: out_.Add(0, TKeyword::Restriction, "NENHUMA"); break;
            case 2: out_.Add(0, TKeyword::Restriction, "SOMENTE EXECU\xC7\xC3O"); break;
            case 3: out_.Add(0, TKeyword::Restriction, "EXECU\xC7\xC3O E VISUALIZA\xC7\xC3O"); break;
            default: break;
        }
        // Anyone holding the password may do everything: only full access shows it.
        if (options_.IncludePassword && base_.AccessLevel == kAccessFull && !block.Password.empty())
            out_.Add(0, TKeyword::Password, TextField(UnscrambleText(block.Password)));
    }

    void WriteCnfFormula(TKeyword keyword, const TCnfFormula& formula) {
        const bool bare = FirstWord(formula.Text) != kWordInactive;
        if (!formula.UseDefault)
            out_.Add(0, keyword, TextField(formula.Text, bare));
        else if (!formula.Text.empty())
            out_.Add(0, keyword, Join(std::string(kWordInactive), TextField(formula.Text, bare)));
    }

    void WriteVariables() {
        int32_t previousVar = 0;
        int32_t previousValue = 0;
        for (const auto& [code, var] : vars_) {
            out_.Blank();
            const auto own = valuesOf_.find(code);
            const bool hasValues = own != valuesOf_.end() && !own->second.empty();
            std::string kind;
            if (var->Numeric)
                kind = var->Multivalued ? "NUM\xC9RICA MULTIVALORADA " : "NUM\xC9RICA ";
            else if (var->Multivalued)
                kind = "MULTIVALORADA ";
            else if (!hasValues)
                kind = "SIM/N\xC3O ";
            const std::string first = FirstWord(var->Name);
            const bool bare = std::none_of(std::begin(kKindWords), std::end(kKindWords),
                                           [&](const char* word) { return first == word; });
            out_.Add(0, TKeyword::Variable, kind + Join(TextField(var->Name, bare), CodeWord(code, previousVar + 1)));
            previousVar = code;
            if (hasValues) {
                for (const TValNode* value : own->second) {
                    out_.Add(2, var->Numeric ? TKeyword::Interval : TKeyword::Value,
                             Join(TextField(value->Name), CodeWord(value->Code, previousValue + 1)));
                    previousValue = value->Code;
                    if (const auto context = contexts_.find(value->Code); context != contexts_.end()) {
                        out_.Add(4, TKeyword::Help, std::to_string(context->second));
                        contexts_.erase(context);
                    }
                }
            }
            if (const auto question = questions_.find(code); question != questions_.end()) {
                out_.Add(2, TKeyword::Question, TextField(question->second->Text));
                for (const std::string& reason : question->second->Reasons)
                    out_.Add(2, TKeyword::Reason, TextField(reason));
                if (!question->second->UseCnf) out_.Add(2, TKeyword::NoCnf);
                questions_.erase(question);
            }
        }
        for (const auto& [varCode, list] : valuesOf_)
            if (!vars_.count(varCode))
                omitted_.push_back(std::to_string(list.size()) + " valor(es) da variável " + std::to_string(varCode) +
                               ", que não existe");
        for (const auto& [varCode, question] : questions_)
            omitted_.push_back("a pergunta da variável " + std::to_string(varCode) + ", que não existe");
        for (const auto& [valueCode, context] : contexts_)
            omitted_.push_back("o contexto de ajuda do valor " + std::to_string(valueCode) + ", que não existe");
    }

    // A variable where a rule or a target names it: its name, or its code
    // when there is no such variable.
    std::string VariableRef(int32_t code, std::string_view keywordToAvoid, bool inLine) {
        const auto it = vars_.find(code);
        if (it == vars_.end()) return CodeText(code);
        const std::string& name = it->second->Name;
        const bool bare = FirstWord(name) != keywordToAvoid && !(inLine && HasOperatorCharacter(name));
        return Field(name, bare);
    }

    // The right-hand side of a premise or a conclusion.
    std::string ValueRef(int32_t varCode, int32_t valueCode) {
        const auto var = vars_.find(varCode);
        if (var == vars_.end()) return CodeText(valueCode);
        if (var->second->Numeric) {
            if (valueCode == kCodeUnknown) return kTextUnknown;
            const auto formula = formulas_.find(valueCode);
            if (formula == formulas_.end()) return CodeText(valueCode);
            const std::string& text = formula->second;
            const int32_t expected = formulaCodes_.Default(text);
            formulaCodes_.Declare(valueCode, text);
            return Join(Field(text, Normalized(text) != kWordUnknown), CodeWord(valueCode, expected));
        }
        if (valueCode == kCodeUnknown || valueCode == kCodeYes || valueCode == kCodeNo) {
            const char* word = valueCode == kCodeUnknown ? kTextUnknown : valueCode == kCodeYes ? kTextYes : kTextNo;
            // The variable's own value of that name would be read instead.
            const auto own = valuesOf_.find(varCode);
            const bool shadowed =
                own != valuesOf_.end() && std::any_of(own->second.begin(), own->second.end(), [&](const TValNode* value) {
                    return AnsiSameText(value->Name, word);
                });
            return shadowed ? CodeText(valueCode) : std::string(word);
        }
        const auto value = values_.find(valueCode);
        if (value == values_.end() || value->second->VarCode != varCode) return CodeText(valueCode);
        return Field(value->second->Name);
    }

    void WriteTargets() {
        if (base_.Targets().Count() == 0) return;
        out_.Blank();
        for (const TTargetNode& target : base_.Targets().Items()) {
            const std::string hidden = target.ShowResults ? "" : std::string(kWordHidden) + " ";
            out_.Add(0, TKeyword::Target, hidden + VariableRef(target.VarCode, kWordHidden, false));
        }
    }

    void WriteRules() {
        std::map<int32_t, std::vector<const TTailNode*>> premises;
        for (const TNode* node : base_.Tails().Records(kKeyCode))
            premises[node->Code].push_back(static_cast<const TTailNode*>(node));
        std::map<int32_t, std::vector<const THeadNode*>> conclusions;
        for (const TNode* node : base_.Heads().Records(kKeyCode))
            conclusions[node->Code].push_back(static_cast<const THeadNode*>(node));

        int32_t previousRule = 0;
        for (const TNode* node : base_.Rules().Records(kKeyThird)) {
            const auto* rule = static_cast<const TValNode*>(node);
            out_.Blank();
            out_.Add(0, TKeyword::Rule, Join(TextField(rule->Name), CodeWord(rule->Code, previousRule + 1)));
            previousRule = rule->Code;

            // A rule's lines go with the first rule carrying its code, as in the file.
            if (const auto it = premises.find(rule->Code); it != premises.end()) {
                TKeyword keyword = TKeyword::If;
                for (const TTailNode* tail : it->second) {
                    const std::string line = (tail->Negated ? "N\xC3O " : "") +
                                             VariableRef(tail->VarCode, kWordNot, true) + " " + tail->Operator + " " +
                                             ValueRef(tail->VarCode, tail->ValueCode);
                    out_.Add(2, keyword, line);
                    keyword = tail->Connective == 1 ? TKeyword::Or : TKeyword::And;
                }
                premises.erase(it);
            }
            if (const auto it = conclusions.find(rule->Code); it != conclusions.end()) {
                TKeyword keyword = TKeyword::Then;
                for (const THeadNode* head : it->second) {
                    out_.Add(2, keyword,
                             VariableRef(head->VarCode, kWordNot, true) + " = " +
                                 ValueRef(head->VarCode, head->ValueCode) + " CNF " + CnfPercentText(head->Cnf) +
                                 "%");
                    keyword = TKeyword::And;
                }
                conclusions.erase(it);
            }
        }
        for (const auto& [code, lines] : premises)
            omitted_.push_back(std::to_string(lines.size()) + " premissa(s) da regra " + std::to_string(code) +
                               ", que não existe");
        for (const auto& [code, lines] : conclusions)
            omitted_.push_back(std::to_string(lines.size()) + " conclusão(ões) da regra " + std::to_string(code) +
                               ", que não existe");
    }

    // Formulas that no rule writes keep their place in the base all the same.
    void WriteUnusedFormulas() {
        bool first = true;
        for (const auto& [code, text] : formulas_) {
            if (formulaCodes_.Known(code)) continue;
            if (first) out_.Blank();
            first = false;
            const int32_t expected = formulaCodes_.LowestFree();
            formulaCodes_.Declare(code, text);
            out_.Add(0, TKeyword::Formula, Join(TextField(text), CodeWord(code, expected)));
        }
    }

    TExpertSystem& base_;
    const TBaseTextWriteOptions& options_;
    std::vector<std::string>& omitted_;
    TTextLines out_;
    std::map<int32_t, const TVarNode*> vars_;
    std::map<int32_t, const TValNode*> values_;
    // Values by variable, in position order.
    std::map<int32_t, std::vector<const TValNode*>> valuesOf_;
    std::map<int32_t, std::string> formulas_;
    std::map<int32_t, const TQuestionNode*> questions_;
    std::map<int32_t, int32_t> contexts_;
    TFormulaCodes formulaCodes_;
};

}  // namespace

std::string WriteBaseText(TExpertSystem& base, const TBaseTextWriteOptions& options,
                          std::vector<std::string>& omitted) {
    return TWriter(base, options, omitted).Write();
}

std::vector<std::string> BaseTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string WriteBaseText(TExpertSystem& base, const TBaseTextWriteOptions& options) {
    std::vector<std::string> omitted;
    return WriteBaseText(base, options, omitted);
}

}  // namespace quorvel
