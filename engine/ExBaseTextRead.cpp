// Reading .bct text into a knowledge base. The lines are read first, each
// declaration checked on its own; then the names that rules and targets use
// are looked up and the formulas numbered; only a text without any error
// reaches the base.
#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "ExBaseText.h"
#include "ExBaseTextLex.h"
#include "ExEditing.h"
#include "ExNames.h"
#include "ExText.h"

namespace quorvel {

using namespace bct;

std::string FormatBaseTextError(std::string_view fileName, const TBaseTextError& error) {
    return std::string(fileName) + ":" + std::to_string(error.Line) + ":" + std::to_string(error.Column) + ": " +
           error.Message;
}

int TBaseTextSourceMap::RuleLineByCode(int32_t code) const {
    const TRuleLines* rule = RuleByCode(code);
    return rule ? rule->Line : 0;
}

const TBaseTextSourceMap::TRuleLines* TBaseTextSourceMap::RuleByCode(int32_t code) const {
    const auto it = RuleNumbers.find(code);
    if (it == RuleNumbers.end() || it->second < 1 || static_cast<std::size_t>(it->second) > Rules.size()) return nullptr;
    return &Rules[static_cast<std::size_t>(it->second) - 1];
}

namespace {

constexpr int32_t kMaxCode = 32767;
constexpr std::size_t kMaxRecords = 32767;

std::string Utf8(std::string_view text) { return Cp1252ToUtf8(text); }
std::string Quote(std::string_view ansi) { return "\"" + Utf8(ansi) + "\""; }
std::string Kw(TKeyword keyword) { return KeywordText(keyword); }

struct TPlace {
    int Line = 0;
    int Column = 0;
};

// A variable as a rule or a target names it: by name, or by code.
struct TVarRef {
    TPlace Place;
    std::string Name;
    std::optional<int32_t> Code;
};

// The right-hand side of a premise or a conclusion, before its variable is known.
struct TValueSpec {
    TPlace Place;
    std::string Text;
    bool Quoted = false;
    std::optional<int64_t> Code;
    TPlace CodePlace;
    int32_t Resolved = 0;
};

struct TPremiseIn {
    TPlace Place;
    TVarRef Var;
    std::string Op;
    TValueSpec Value;
    int32_t Connective = 2;
    bool Negated = false;
    int32_t VarCode = 0;
};

struct TConclusionIn {
    TPlace Place;
    TVarRef Var;
    TValueSpec Value;
    float Cnf = 1.0f;
    int32_t VarCode = 0;
};

struct TRuleIn {
    TPlace Place;
    int32_t Code = 0;
    std::string Name;
    // Deques: the formula events point at their elements.
    std::deque<TPremiseIn> Premises;
    std::deque<TConclusionIn> Conclusions;
    bool ThenSeen = false;
    // A line of the rule had an error: what the rule lacks then goes unsaid.
    bool Broken = false;
};

struct TQuestionIn {
    TPlace Place;
    std::string Text;
    std::vector<std::string> Reasons;
    bool UseCnf = true;
};

struct TValueIn {
    TPlace Place;
    int32_t Code = 0;
    std::string Name;
    std::optional<int32_t> HelpContext;
    int HelpLine = 0;
};

struct TVariableIn {
    TPlace Place;
    int32_t Code = 0;
    std::string Name;
    bool Multivalued = false;
    bool Numeric = false;
    bool YesNo = false;
    std::vector<TValueIn> Values;
    std::map<std::string, int> ValueLines;      // upper-case name -> line
    std::map<std::string, int32_t> ValueCodes;  // upper-case name -> code
    std::optional<TQuestionIn> Question;
};

struct TTargetIn {
    TPlace Place;
    TVarRef Var;
    bool ShowResults = true;
    int32_t VarCode = 0;
};

struct TFormulaIn {
    TPlace Place;
    std::string Text;
    std::optional<int64_t> Code;
    TPlace CodePlace;
};

// A place where a formula may be written, in the order of the text.
struct TFormulaEvent {
    TFormulaIn* Line = nullptr;        // a FÓRMULA line
    TValueSpec* Value = nullptr;       // or the value of a premise or a conclusion
    const TVarRef* Var = nullptr;
    int32_t* VarCode = nullptr;
};

struct TCnfFormulaIn {
    TCnfFormula Formula;
    int Line = 0;
};

class TErrorList {
public:
    TErrorList(std::vector<TBaseTextError>& errors, std::size_t max) : errors_(errors), start_(errors.size()), max_(max) {}
    void Add(TPlace place, std::string message) {
        if (Full()) return;
        errors_.push_back({place.Line, place.Column, std::move(message)});
    }
    bool Any() const { return errors_.size() > start_; }
    bool Full() const { return errors_.size() - start_ >= max_; }
    void Finish(int lastLine) {
        std::stable_sort(errors_.begin() + static_cast<std::ptrdiff_t>(start_), errors_.end(),
                         [](const TBaseTextError& a, const TBaseTextError& b) {
                             return a.Line != b.Line ? a.Line < b.Line : a.Column < b.Column;
                         });
        if (Full()) errors_.push_back({lastLine, 1, "muitos erros; a leitura parou aqui"});
    }

private:
    std::vector<TBaseTextError>& errors_;
    std::size_t start_;
    std::size_t max_;
};

struct TKeywordPhrase {
    TKeyword Keyword;
    std::vector<std::string_view> Words;
};

const std::vector<TKeywordPhrase>& Phrases() {
    static const std::vector<TKeywordPhrase> phrases = {
        {TKeyword::Base, {"BASE"}},
        {TKeyword::Version, {"VERSAO"}},
        {TKeyword::Authors, {"AUTORES"}},
        {TKeyword::Opening, {"ABERTURA"}},
        {TKeyword::ShowOpening, {"MOSTRAR", "ABERTURA"}},
        {TKeyword::HelpFile, {"ARQUIVO", "DE", "AJUDA"}},
        {TKeyword::AndFormula, {"CNF", "DA", "CONJUNCAO"}},
        {TKeyword::OrFormula, {"CNF", "DA", "DISJUNCAO"}},
        {TKeyword::ConclusionFormula, {"CNF", "DA", "CONCLUSAO"}},
        {TKeyword::MinimumCnf, {"CNF", "MINIMO"}},
        {TKeyword::Precedence, {"PRECEDENCIA"}},
        {TKeyword::AllPremises, {"AVALIAR", "TODAS", "AS", "PREMISSAS"}},
        {TKeyword::UsePassword, {"UTILIZAR", "SENHA"}},
        {TKeyword::Restriction, {"RESTRICAO"}},
        {TKeyword::Password, {"SENHA"}},
        {TKeyword::Variable, {"VARIAVEL"}},
        {TKeyword::Value, {"VALOR"}},
        {TKeyword::Interval, {"INTERVALO"}},
        {TKeyword::Help, {"AJUDA"}},
        {TKeyword::Question, {"PERGUNTA"}},
        {TKeyword::Reason, {"MOTIVO"}},
        {TKeyword::NoCnf, {"SEM", "CNF"}},
        {TKeyword::Target, {"OBJETIVO"}},
        {TKeyword::Rule, {"REGRA"}},
        {TKeyword::If, {"SE"}},
        {TKeyword::And, {"E"}},
        {TKeyword::Or, {"OU"}},
        {TKeyword::Then, {"ENTAO"}},
        {TKeyword::Formula, {"FORMULA"}},
    };
    return phrases;
}

bool IsOperatorChar(char c) { return c == '=' || c == '<' || c == '>'; }

// One line being read: its Windows-1252 text and tokens.
struct TLine {
    int Number = 0;
    std::string Text;
    std::vector<TToken> Tokens;
    std::size_t End = 0;  // where a comment starts, or the end of the line
    TPlace At(std::size_t position) const { return {Number, static_cast<int>(position) + 1}; }
    TPlace AtToken(std::size_t index) const {
        return index < Tokens.size() ? At(Tokens[index].Start) : At(End);
    }
};

class TReader {
public:
    TReader(std::vector<TBaseTextError>& errors, const TBaseTextReadOptions& options)
        : errors_(errors, options.MaxErrors), options_(options) {}

    bool Read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        int number = 0;
        std::size_t pos = 0;
        while (pos < text.size() && !errors_.Full()) {
            std::size_t next = text.find('\n', pos);
            if (next == std::string_view::npos) next = text.size();
            std::string_view raw = text.substr(pos, next - pos);
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            ReadLine(++number, raw);
            pos = next + 1;
        }
        lastLine_ = std::max(number, 1);
        CloseBlocks();
        if (!errors_.Full()) Resolve();
        errors_.Finish(lastLine_);
        return !errors_.Any();
    }

    void Apply(TExpertSystem& base, TBaseTextSourceMap* map) const;

private:
    // ------------------------------------------------------------ lines

    void ReadLine(int number, std::string_view raw) {
        TLine line;
        line.Number = number;
        std::vector<TBadCharacter> bad;
        line.Text = LineToAnsi(raw, bad);
        TLexError lexError;
        if (!Tokenize(line.Text, 0, line.Text.size(), line.Tokens, line.End, lexError)) {
            errors_.Add(line.At(lexError.Position), lexError.Message);
            return;
        }
        for (const TBadCharacter& character : bad) {
            if (character.Position < line.End) {
                errors_.Add(line.At(character.Position), character.Message);
                return;
            }
        }
        if (line.Tokens.empty()) return;

        std::size_t words = 0;
        const TKeywordPhrase* found = nullptr;
        for (const TKeywordPhrase& phrase : Phrases()) {
            if (phrase.Words.size() <= words || phrase.Words.size() > line.Tokens.size()) continue;
            bool match = true;
            for (std::size_t i = 0; match && i < phrase.Words.size(); ++i)
                match = !line.Tokens[i].Quoted && Normalized(line.Tokens[i].Text) == phrase.Words[i];
            if (match) {
                found = &phrase;
                words = phrase.Words.size();
            }
        }
        if (!found) {
            errors_.Add(line.At(line.Tokens[0].Start),
                        "linha não reconhecida: " + Quote(line.Tokens[0].Text) + " não é uma palavra-chave");
            return;
        }
        Dispatch(found->Keyword, line, words);
    }

    void Dispatch(TKeyword keyword, const TLine& line, std::size_t k) {
        switch (keyword) {
            case TKeyword::Value:
            case TKeyword::Interval:
            case TKeyword::Help:
            case TKeyword::Question:
            case TKeyword::Reason:
            case TKeyword::NoCnf:
                return ReadVariableLine(keyword, line, k);
            case TKeyword::If:
            case TKeyword::And:
            case TKeyword::Or:
            case TKeyword::Then:
                return ReadRuleLine(keyword, line, k);
            default:
                break;
        }
        CloseBlocks();
        switch (keyword) {
            case TKeyword::Base: return Single(keyword, line, k, baseName_, baseNameLine_);
            case TKeyword::Authors: return Single(keyword, line, k, authors_, authorsLine_);
            case TKeyword::HelpFile: return Single(keyword, line, k, helpFile_, helpFileLine_);
            case TKeyword::Password: {
                std::string plain;
                if (!FirstOfKind(keyword, line, passwordLine_) || !TextOf(line, k, line.Tokens.size(), plain)) return;
                password_ = plain;
                return;
            }
            case TKeyword::Opening: {
                std::string text;
                if (!TextOf(line, k, line.Tokens.size(), text)) return;
                if (opening_.size() >= kMaxRecords)
                    return errors_.Add(line.AtToken(0), "o texto de abertura tem mais de 32767 linhas");
                opening_.push_back(text);
                return;
            }
            case TKeyword::Version: return ReadVersion(line, k);
            case TKeyword::ShowOpening: return Flag(keyword, line, k, showOpening_);
            case TKeyword::AllPremises: return Flag(keyword, line, k, allPremises_);
            case TKeyword::UsePassword: return Flag(keyword, line, k, usePassword_);
            case TKeyword::AndFormula: return ReadCnfFormula(keyword, line, k, cnfFormulas_[0]);
            case TKeyword::OrFormula: return ReadCnfFormula(keyword, line, k, cnfFormulas_[1]);
            case TKeyword::ConclusionFormula: return ReadCnfFormula(keyword, line, k, cnfFormulas_[2]);
            case TKeyword::MinimumCnf: return ReadMinimumCnf(line, k);
            case TKeyword::Precedence: return ReadPrecedence(line, k);
            case TKeyword::Restriction: return ReadRestriction(line, k);
            case TKeyword::Variable: return ReadVariable(line, k);
            case TKeyword::Target: return ReadTarget(line, k);
            case TKeyword::Rule: return ReadRule(line, k);
            case TKeyword::Formula: return ReadFormula(line, k);
            default: return;
        }
    }

    // A text field of tokens [first, last): at most 255 characters.
    bool TextOf(const TLine& line, std::size_t first, std::size_t last, std::string& text) {
        text = FieldText(line.Text, line.Tokens, first, last);
        if (text.size() > kShortStringMax) {
            errors_.Add(line.AtToken(first),
                        "texto de " + std::to_string(text.size()) + " caracteres; o máximo é 255");
            return false;
        }
        return true;
    }

    bool NothingMore(TKeyword keyword, const TLine& line, std::size_t k) {
        if (k >= line.Tokens.size()) return true;
        errors_.Add(line.AtToken(k), "texto inesperado depois de " + Kw(keyword));
        return false;
    }

    // Whether this is the first line of its kind; `first` keeps its line.
    bool FirstOfKind(TKeyword keyword, const TLine& line, int& first) {
        if (first != 0) {
            errors_.Add(line.AtToken(0), Kw(keyword) + " repetido (já na linha " + std::to_string(first) + ")");
            return false;
        }
        first = line.Number;
        return true;
    }

    void Single(TKeyword keyword, const TLine& line, std::size_t k, std::string& target, int& first) {
        if (!FirstOfKind(keyword, line, first)) return;
        std::string text;
        if (TextOf(line, k, line.Tokens.size(), text)) target = text;
    }

    void Flag(TKeyword keyword, const TLine& line, std::size_t k, int& flagLine) {
        if (FirstOfKind(keyword, line, flagLine)) NothingMore(keyword, line, k);
    }

    std::string RestWords(const TLine& line, std::size_t k) {
        std::string words;
        for (std::size_t i = k; i < line.Tokens.size(); ++i) {
            if (!words.empty()) words += ' ';
            words += line.Tokens[i].Quoted ? std::string("\"") : Normalized(line.Tokens[i].Text);
        }
        return words;
    }

    void ReadVersion(const TLine& line, std::size_t k) {
        if (!FirstOfKind(TKeyword::Version, line, versionLine_)) return;
        const std::string words = RestWords(line, k);
        if (words == "1.0" || words == "1.1")
            version_ = words;
        else
            errors_.Add(line.AtToken(k), "versão " + Quote(FieldText(line.Text, line.Tokens, k, line.Tokens.size())) +
                                             " desconhecida; use 1.0 ou 1.1");
    }

    void ReadCnfFormula(TKeyword keyword, const TLine& line, std::size_t k, TCnfFormulaIn& formula) {
        if (!FirstOfKind(keyword, line, formula.Line)) return;
        bool inactive = false;
        if (k < line.Tokens.size() && !line.Tokens[k].Quoted && Normalized(line.Tokens[k].Text) == kWordInactive) {
            inactive = true;
            ++k;
        }
        std::string text;
        if (!TextOf(line, k, line.Tokens.size(), text)) return;
        formula.Formula = {text, inactive};
    }

    // "80%", "80 %" or "80": a percentage, as the confidence it stands for.
    // `next` is set past the tokens read.
    std::optional<float> Percent(const TLine& line, const std::vector<TToken>& tokens, std::size_t k,
                                 std::size_t& next) {
        if (k >= tokens.size()) {
            errors_.Add(k < line.Tokens.size() ? line.AtToken(k) : line.At(line.End), "falta a porcentagem, como 80%");
            return std::nullopt;
        }
        const TToken& token = tokens[k];
        std::string number = token.Text;
        next = k + 1;
        if (!token.Quoted && !number.empty() && number.back() == '%') {
            number.pop_back();
        } else if (next < tokens.size() && !tokens[next].Quoted && tokens[next].Text == "%") {
            ++next;
        }
        const auto value = token.Quoted ? std::nullopt : ParseNumber(number);
        if (!value) {
            errors_.Add(line.At(token.Start), "porcentagem inválida: " + Quote(token.Text));
            return std::nullopt;
        }
        const float cnf = PercentToCnf(*value);
        uint8_t real48[6];
        if (!std::isfinite(cnf) || !EncodeReal48(cnf, real48)) {
            errors_.Add(line.At(token.Start), "a porcentagem " + Utf8(token.Text) + " não pode ser gravada no arquivo");
            return std::nullopt;
        }
        return cnf;
    }

    void ReadMinimumCnf(const TLine& line, std::size_t k) {
        if (!FirstOfKind(TKeyword::MinimumCnf, line, minimumCnfLine_)) return;
        std::size_t next = k;
        const auto cnf = Percent(line, line.Tokens, k, next);
        if (!cnf || !NothingMore(TKeyword::MinimumCnf, line, next)) return;
        if (!(*cnf >= 0.0f && *cnf <= 1.0f))
            errors_.Add(line.AtToken(k), "o CNF mínimo deve estar entre 0% e 100%");
        else
            minimumCnf_ = *cnf;
    }

    void ReadPrecedence(const TLine& line, std::size_t k) {
        if (!FirstOfKind(TKeyword::Precedence, line, precedenceLine_)) return;
        const std::string words = RestWords(line, k);
        if (words == "E" || words == "CONJUNCAO")
            precedence_ = 0;
        else if (words == "OU" || words == "DISJUNCAO")
            precedence_ = 1;
        else
            errors_.Add(line.AtToken(k), "precedência desconhecida; use E ou OU");
    }

    void ReadRestriction(const TLine& line, std::size_t k) {
        if (!FirstOfKind(TKeyword::Restriction, line, restrictionLine_)) return;
        const std::string words = RestWords(line, k);
        if (words == "NENHUMA")
            restriction_ = 0;
        else if (words == "SOMENTE EXECUCAO")
            restriction_ = 2;
        else if (words == "EXECUCAO E VISUALIZACAO")
            restriction_ = 3;
        else
            errors_.Add(line.AtToken(k),
                        "restrição desconhecida; use NENHUMA, SOMENTE EXECUÇÃO ou EXECUÇÃO E VISUALIZAÇÃO");
    }

    // A trailing "@n" of a declaration: its code, or the one after `previous`.
    std::optional<int32_t> DeclaredCode(const TLine& line, std::size_t& last, int32_t previous) {
        if (last > 0) {
            if (const auto code = CodeToken(line.Tokens[last - 1])) {
                --last;
                if (*code < 1 || *code > kMaxCode) {
                    errors_.Add(line.AtToken(last), "o código deve ser de 1 a 32767, não " + std::to_string(*code));
                    return std::nullopt;
                }
                return static_cast<int32_t>(*code);
            }
        }
        if (previous >= kMaxCode) {
            errors_.Add(line.AtToken(0), "o código seguinte passaria de 32767; indique um código com @n");
            return std::nullopt;
        }
        return previous + 1;
    }

    // Registers a code of a kind; false (after the error) when it was already used.
    bool NewCode(std::map<int32_t, int>& used, int32_t code, const TLine& line, std::size_t at) {
        const auto [it, added] = used.emplace(code, line.Number);
        if (!added)
            errors_.Add(line.AtToken(at),
                        "código " + CodeText(code) + " já usado na linha " + std::to_string(it->second));
        return added;
    }

    // ------------------------------------------------------------ variables

    void ReadVariable(const TLine& line, std::size_t k) {
        // The lines of a refused variable are still read, into a record that goes nowhere.
        discardedVar_ = TVariableIn();
        currentVar_ = &discardedVar_;
        auto var = std::make_unique<TVariableIn>();
        var->Place = line.AtToken(0);
        auto kindWord = [&](std::size_t i) {
            return i < line.Tokens.size() && !line.Tokens[i].Quoted ? Normalized(line.Tokens[i].Text) : std::string();
        };
        const std::string first = kindWord(k);
        if (first == "UNIVALORADA") {
            ++k;
        } else if (first == "SIM/NAO") {
            var->YesNo = true;
            ++k;
        } else if (first == "MULTIVALORADA" || first == "NUMERICA") {
            var->Multivalued = first == "MULTIVALORADA";
            var->Numeric = first == "NUMERICA";
            ++k;
            const std::string second = kindWord(k);
            if ((second == "MULTIVALORADA" && var->Numeric) || (second == "NUMERICA" && var->Multivalued)) {
                var->Multivalued = var->Numeric = true;
                ++k;
            }
        }
        std::size_t last = line.Tokens.size();
        const auto code = DeclaredCode(line, last, previousVar_);
        if (!code) return;
        previousVar_ = *code;
        std::string name;
        if (!TextOf(line, k, last, name)) return;
        // The variables editor's rule, in this text's words.
        switch (CheckVariableName(name)) {
            case TNameProblem::Blank:
                return errors_.Add(line.AtToken(k), "falta o nome da variável");
            case TNameProblem::Quote:
                return errors_.Add(line.AtToken(k), "o nome de uma variável não pode ter aspas");
            case TNameProblem::Unknown:
            case TNameProblem::None:
                break;
        }
        var->Code = *code;
        var->Name = name;
        if (variables_.size() >= kMaxRecords) return errors_.Add(var->Place, "a base tem mais de 32767 variáveis");
        if (!NewCode(varCodes_, *code, line, last)) return;
        const auto [it, added] = varNames_.emplace(AnsiUpperCase(name), variables_.size());
        if (!added) {
            errors_.Add(line.AtToken(k), "variável " + Quote(name) + " já declarada na linha " +
                                             std::to_string(variables_[it->second]->Place.Line));
            return;
        }
        varByCode_.emplace(*code, variables_.size());
        variables_.push_back(std::move(var));
        currentVar_ = variables_.back().get();
    }

    void ReadVariableLine(TKeyword keyword, const TLine& line, std::size_t k) {
        if (currentRule_) CloseBlocks();
        if (!currentVar_) {
            errors_.Add(line.AtToken(0), Kw(keyword) + " fora de uma VARIÁVEL");
            return;
        }
        TVariableIn& var = *currentVar_;
        switch (keyword) {
            case TKeyword::Value:
            case TKeyword::Interval: {
                if (keyword == TKeyword::Interval && !var.Numeric)
                    return errors_.Add(line.AtToken(0), "INTERVALO só em variável NUMÉRICA; use VALOR");
                if (keyword == TKeyword::Value && var.Numeric)
                    return errors_.Add(line.AtToken(0), "uma variável NUMÉRICA tem INTERVALO, não VALOR");
                if (var.YesNo)
                    return errors_.Add(line.AtToken(0), "uma variável SIM/NÃO não tem valores além de Sim e Não");
                std::size_t last = line.Tokens.size();
                const auto code = DeclaredCode(line, last, previousValue_);
                if (!code) return;
                previousValue_ = *code;
                TValueIn value;
                value.Place = line.AtToken(0);
                value.Code = *code;
                if (!TextOf(line, k, last, value.Name)) return;
                // The variables editor's rules for values and intervals.
                if (const TNameProblem problem = CheckValueName(value.Name); problem != TNameProblem::None)
                    return errors_.Add(line.AtToken(k), ValueNameMessage(problem));
                if (var.Numeric && !var.Values.empty())
                    return errors_.Add(line.AtToken(0), msg::NumericHasOneValue);
                if (var.Numeric && CheckInterval(value.Name).Check != TIntervalCheck::Valid)
                    return errors_.Add(line.AtToken(k), "intervalo " + Quote(value.Name) +
                                                            " inválido; use min;max, min; ou ;max com max maior que min");
                if (valueCount_ >= kMaxRecords) return errors_.Add(value.Place, "a base tem mais de 32767 valores");
                if (!NewCode(valueCodes_, *code, line, last)) return;
                const auto [same, added] = var.ValueLines.emplace(AnsiUpperCase(value.Name), line.Number);
                if (!added)
                    return errors_.Add(line.AtToken(k), "valor " + Quote(value.Name) + " repetido (já na linha " +
                                                            std::to_string(same->second) + ")");
                ++valueCount_;
                var.ValueCodes.emplace(AnsiUpperCase(value.Name), value.Code);
                valueVars_.emplace(value.Code, var.Code);
                var.Values.push_back(std::move(value));
                return;
            }
            case TKeyword::Help: {
                if (var.Values.empty())
                    return errors_.Add(line.AtToken(0), "AJUDA deve seguir o VALOR a que se refere");
                TValueIn& value = var.Values.back();
                if (value.HelpContext)
                    return errors_.Add(line.AtToken(0), "o valor já tem AJUDA (na linha " +
                                                            std::to_string(value.HelpLine) + ")");
                const std::string words = RestWords(line, k);
                const auto number = ParseNumber(words);
                if (line.Tokens.size() != k + 1 || !number || *number != static_cast<double>(static_cast<int64_t>(*number)) ||
                    words.find_first_of(".,eE") != std::string::npos || *number < -32768 || *number > 32767)
                    return errors_.Add(line.AtToken(k), "o contexto de ajuda deve ser um número inteiro de -32768 a 32767");
                value.HelpContext = static_cast<int32_t>(*number);
                value.HelpLine = line.Number;
                ++contextCount_;
                return;
            }
            case TKeyword::Question: {
                if (var.Question)
                    return errors_.Add(line.AtToken(0), "a variável já tem PERGUNTA (na linha " +
                                                            std::to_string(var.Question->Place.Line) + ")");
                TQuestionIn question;
                question.Place = line.AtToken(0);
                if (!TextOf(line, k, line.Tokens.size(), question.Text)) return;
                var.Question = std::move(question);
                return;
            }
            case TKeyword::Reason: {
                if (!var.Question) return errors_.Add(line.AtToken(0), "MOTIVO deve seguir a PERGUNTA");
                std::string text;
                if (!TextOf(line, k, line.Tokens.size(), text)) return;
                if (var.Question->Reasons.size() >= kMaxRecords)
                    return errors_.Add(line.AtToken(0), "a pergunta tem mais de 32767 linhas de motivo");
                var.Question->Reasons.push_back(text);
                return;
            }
            case TKeyword::NoCnf: {
                if (!var.Question) return errors_.Add(line.AtToken(0), "SEM CNF deve seguir a PERGUNTA");
                if (!NothingMore(keyword, line, k)) return;
                var.Question->UseCnf = false;
                noCnfLines_.push_back(line.AtToken(0));
                return;
            }
            default: return;
        }
    }

    // ------------------------------------------------------------ targets and formulas

    // A variable named by a line from token k to `last`.
    TVarRef VarRefOf(const TLine& line, std::size_t k, std::size_t last) {
        TVarRef ref;
        ref.Place = line.AtToken(k);
        if (last == k + 1) {
            if (const auto code = CodeToken(line.Tokens[k])) {
                ref.Code = static_cast<int32_t>(std::clamp<int64_t>(*code, -1, kMaxCode + 1));
                return ref;
            }
        }
        ref.Name = FieldText(line.Text, line.Tokens, k, last);
        return ref;
    }

    void ReadTarget(const TLine& line, std::size_t k) {
        TTargetIn target;
        target.Place = line.AtToken(0);
        if (k < line.Tokens.size() && !line.Tokens[k].Quoted && Normalized(line.Tokens[k].Text) == kWordHidden &&
            k + 1 < line.Tokens.size()) {
            target.ShowResults = false;
            ++k;
            hiddenTargetLines_.push_back(target.Place);
        }
        if (k >= line.Tokens.size()) return errors_.Add(line.AtToken(k), "falta a variável do OBJETIVO");
        target.Var = VarRefOf(line, k, line.Tokens.size());
        if (targets_.size() >= kMaxRecords) return errors_.Add(target.Place, "a base tem mais de 32767 objetivos");
        targets_.push_back(std::move(target));
    }

    void ReadFormula(const TLine& line, std::size_t k) {
        auto formula = std::make_unique<TFormulaIn>();
        formula->Place = line.AtToken(0);
        std::size_t last = line.Tokens.size();
        if (last > k) {
            if (const auto code = CodeToken(line.Tokens[last - 1])) {
                formula->Code = *code;
                formula->CodePlace = line.AtToken(last - 1);
                --last;
            }
        }
        if (!TextOf(line, k, last, formula->Text)) return;
        formulaLines_.push_back(std::move(formula));
        events_.push_back({formulaLines_.back().get(), nullptr, nullptr, nullptr});
    }

    // ------------------------------------------------------------ rules

    void ReadRule(const TLine& line, std::size_t k) {
        // The lines of a refused rule are still read, into a rule that goes nowhere.
        discardedRules_.push_back(std::make_unique<TRuleIn>());
        discardedRules_.back()->Broken = true;
        currentRule_ = discardedRules_.back().get();
        auto rule = std::make_unique<TRuleIn>();
        rule->Place = line.AtToken(0);
        std::size_t last = line.Tokens.size();
        const auto code = DeclaredCode(line, last, previousRule_);
        if (!code) return;
        previousRule_ = *code;
        rule->Code = *code;
        if (!TextOf(line, k, last, rule->Name)) return;
        if (rules_.size() >= kMaxRecords) return errors_.Add(rule->Place, "a base tem mais de 32767 regras");
        if (!NewCode(ruleCodes_, *code, line, last)) return;
        rules_.push_back(std::move(rule));
        currentRule_ = rules_.back().get();
    }


    void ReadRuleLine(TKeyword keyword, const TLine& line, std::size_t k) {
        if (currentVar_) CloseBlocks();
        if (!currentRule_) return errors_.Add(line.AtToken(0), Kw(keyword) + " fora de uma REGRA");
        TRuleIn& rule = *currentRule_;
        if (!ReadRuleLineOf(rule, keyword, line, k)) rule.Broken = true;
    }

    bool ReadRuleLineOf(TRuleIn& rule, TKeyword keyword, const TLine& line, std::size_t k) {
        auto fail = [&](std::string message) {
            errors_.Add(line.AtToken(0), std::move(message));
            return false;
        };
        if (keyword == TKeyword::If && (!rule.Premises.empty() || rule.ThenSeen))
            return fail("SE repetido; as outras premissas começam por E ou OU");
        if ((keyword == TKeyword::And || keyword == TKeyword::Or) && !rule.ThenSeen && rule.Premises.empty() &&
            !rule.Broken)
            return fail("a primeira premissa começa por SE");
        if (keyword == TKeyword::Or && rule.ThenSeen) return fail("as conclusões se juntam por E, não por OU");
        if (keyword == TKeyword::Then && rule.ThenSeen)
            return fail("ENTÃO repetido; as outras conclusões começam por E");
        const bool premise = !rule.ThenSeen && keyword != TKeyword::Then;
        if (keyword == TKeyword::Then) {
            rule.ThenSeen = true;
            if (rule.Premises.empty() && !rule.Broken) return fail("a regra não tem premissas: escreva SE antes de ENTÃO");
        }

        if (premise) {
            TPremiseIn in;
            in.Place = line.AtToken(0);
            if (k + 1 < line.Tokens.size() && !line.Tokens[k].Quoted && Normalized(line.Tokens[k].Text) == kWordNot) {
                in.Negated = true;
                ++k;
            }
            std::size_t valueStart = 0;
            if (!Comparison(line, k, in.Var, in.Op, valueStart)) return false;
            if (!ValueOf(line, valueStart, in.Value, nullptr)) return false;
            if (premiseCount_ >= kMaxRecords) return fail("a base tem mais de 32767 premissas");
            ++premiseCount_;
            if (!rule.Premises.empty()) rule.Premises.back().Connective = keyword == TKeyword::Or ? 1 : 0;
            rule.Premises.push_back(std::move(in));
            TPremiseIn& stored = rule.Premises.back();
            events_.push_back({nullptr, &stored.Value, &stored.Var, &stored.VarCode});
            return true;
        }
        TConclusionIn in;
        in.Place = line.AtToken(0);
        std::string op;
        std::size_t valueStart = 0;
        if (!Comparison(line, k, in.Var, op, valueStart)) return false;
        if (op != "=") {
            errors_.Add(line.At(valueStart - op.size()), "uma conclusão usa só o operador =");
            return false;
        }
        if (!ValueOf(line, valueStart, in.Value, &in.Cnf)) return false;
        if (conclusionCount_ >= kMaxRecords) return fail("a base tem mais de 32767 conclusões");
        ++conclusionCount_;
        rule.Conclusions.push_back(std::move(in));
        TConclusionIn& stored = rule.Conclusions.back();
        events_.push_back({nullptr, &stored.Value, &stored.Var, &stored.VarCode});
        return true;
    }

    // "variable op" from token k: the variable, the operator and where the
    // value starts. A variable with =, < or > in its name is written in quotes.
    bool Comparison(const TLine& line, std::size_t k, TVarRef& var, std::string& op, std::size_t& valueStart) {
        const std::vector<TToken>& tokens = line.Tokens;
        if (k >= tokens.size()) {
            errors_.Add(line.AtToken(k), "falta a comparação, como Variável = valor");
            return false;
        }
        var.Place = line.AtToken(k);
        std::size_t opPos = std::string::npos;
        if (tokens[k].Quoted) {
            var.Name = tokens[k].Text;
            if (k + 1 < tokens.size() && !tokens[k + 1].Quoted && IsOperatorChar(line.Text[tokens[k + 1].Start]))
                opPos = tokens[k + 1].Start;
        } else {
            for (std::size_t t = k; t < tokens.size() && opPos == std::string::npos && !tokens[t].Quoted; ++t) {
                for (std::size_t p = tokens[t].Start; p < tokens[t].End; ++p) {
                    if (IsOperatorChar(line.Text[p])) {
                        opPos = p;
                        break;
                    }
                }
            }
            if (opPos != std::string::npos) {
                std::string name = line.Text.substr(tokens[k].Start, opPos - tokens[k].Start);
                while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
                if (name.empty()) {
                    errors_.Add(var.Place, "falta a variável antes do operador");
                    return false;
                }
                TToken word;
                word.Text = name;
                if (const auto code = CodeToken(word))
                    var.Code = static_cast<int32_t>(std::clamp<int64_t>(*code, -1, kMaxCode + 1));
                else
                    var.Name = name;
            }
        }
        if (opPos == std::string::npos) {
            errors_.Add(tokens[k].Quoted && k + 1 < tokens.size() ? line.AtToken(k + 1) : var.Place,
                        "falta o operador (=, <>, >, <, >= ou <=)");
            return false;
        }
        std::size_t opEnd = opPos + 1;
        if (opEnd < line.End) {
            const std::string two = line.Text.substr(opPos, 2);
            if (two == "<>" || two == ">=" || two == "<=") ++opEnd;
        }
        op = line.Text.substr(opPos, opEnd - opPos);
        valueStart = opEnd;
        return true;
    }

    // The value after the operator: a text, an optional final @n and, in a
    // conclusion (`cnf` given), an optional final "CNF 80%".
    bool ValueOf(const TLine& line, std::size_t start, TValueSpec& valueRef, float* cnf) {
        std::vector<TToken> tokens;
        std::size_t end = 0;
        TLexError lexError;
        if (!Tokenize(line.Text, start, line.End, tokens, end, lexError)) {
            errors_.Add(line.At(lexError.Position), lexError.Message);
            return false;
        }
        std::size_t n = tokens.size();
        if (cnf && n >= 2) {
            const std::size_t numberAt = !tokens[n - 1].Quoted && tokens[n - 1].Text == "%" && n >= 3 ? n - 2 : n - 1;
            const std::size_t cnfAt = numberAt - 1;
            if (!tokens[cnfAt].Quoted && Normalized(tokens[cnfAt].Text) == kWordCnf) {
                std::size_t next = 0;
                const auto value = Percent(line, tokens, numberAt, next);
                if (!value) return false;
                if (!IsConclusionCnf(*value)) {
                    errors_.Add(line.At(tokens[numberAt].Start),
                                "grau de confiança fora de -99% a 999%, o que o editor de regras aceita");
                    return false;
                }
                *cnf = *value;
                n = cnfAt;
            }
        }
        if (n > 0) {
            if (const auto code = CodeToken(tokens[n - 1])) {
                valueRef.Code = *code;
                valueRef.CodePlace = line.At(tokens[n - 1].Start);
                --n;
            }
        }
        if (n == 0 && !valueRef.Code) {
            errors_.Add(line.At(start), "falta o valor depois do operador");
            return false;
        }
        valueRef.Place = n > 0 ? line.At(tokens[0].Start) : valueRef.CodePlace;
        valueRef.Text = FieldText(line.Text, tokens, 0, n);
        valueRef.Quoted = n == 1 && tokens[0].Quoted;
        if (valueRef.Text.size() > kShortStringMax) {
            errors_.Add(valueRef.Place, "texto de " + std::to_string(valueRef.Text.size()) + " caracteres; o máximo é 255");
            return false;
        }
        return true;
    }

    // The blocks a VARIÁVEL or a REGRA opened end at any other declaration.
    void CloseBlocks() {
        if (currentRule_ && !currentRule_->ThenSeen && !currentRule_->Broken)
            errors_.Add(currentRule_->Place, currentRule_->Premises.empty()
                                                 ? "a regra não tem premissas nem conclusões (SE ... ENTÃO ...)"
                                                 : "a regra não tem conclusões: falta ENTÃO");
        currentRule_ = nullptr;
        currentVar_ = nullptr;
    }

    // ------------------------------------------------------------ names and formulas

    TVariableIn* FindVariable(const TVarRef& ref) {
        if (ref.Code) {
            const auto it = varByCode_.find(*ref.Code);
            if (it != varByCode_.end()) return variables_[it->second].get();
            errors_.Add(ref.Place, "variável " + CodeText(*ref.Code) + " não declarada");
            return nullptr;
        }
        const auto it = varNames_.find(AnsiUpperCase(ref.Name));
        if (it != varNames_.end()) return variables_[it->second].get();
        errors_.Add(ref.Place, "variável " + Quote(ref.Name) + " não declarada");
        return nullptr;
    }

    // Records a formula of a premise, a conclusion or a FÓRMULA line.
    bool DeclareFormula(int64_t code, const std::string& text, TPlace place, TPlace codePlace) {
        if (code < 1 || code > kMaxCode) {
            errors_.Add(codePlace, "o código deve ser de 1 a 32767, não " + std::to_string(code));
            return false;
        }
        const auto code32 = static_cast<int32_t>(code);
        if (formulaCodes_.Known(code32)) {
            if (formulaCodes_.TextOf(code32) == text) return true;
            errors_.Add(codePlace, "a fórmula " + CodeText(code32) + " já tem outro texto: " +
                                       Quote(formulaCodes_.TextOf(code32)) + " (linha " +
                                       std::to_string(formulaFirstLine_[code32]) + ")");
            return false;
        }
        formulaCodes_.Declare(code32, text);
        formulaFirstLine_[code32] = place.Line;
        return true;
    }

    void ResolveValue(const TVariableIn& var, TValueSpec& valueRef, std::vector<const TValueSpec*>& formulaRefs) {
        const bool special = !valueRef.Code || (*valueRef.Code >= kCodeNo && *valueRef.Code <= kCodeUnknown);
        if (var.Numeric) {
            if (valueRef.Text.empty() && !valueRef.Quoted) {
                valueRef.Resolved = static_cast<int32_t>(std::clamp<int64_t>(*valueRef.Code, -kMaxCode, kMaxCode + 1));
                if (valueRef.Resolved != kCodeUnknown) formulaRefs.push_back(&valueRef);
                return;
            }
            if (!valueRef.Quoted && !valueRef.Code && Normalized(valueRef.Text) == kWordUnknown) {
                valueRef.Resolved = kCodeUnknown;
                return;
            }
            const int64_t code = valueRef.Code ? *valueRef.Code : formulaCodes_.Default(valueRef.Text);
            if (DeclareFormula(code, valueRef.Text, valueRef.Place, valueRef.Code ? valueRef.CodePlace : valueRef.Place))
                valueRef.Resolved = static_cast<int32_t>(code);
            return;
        }
        if (valueRef.Text.empty() && !valueRef.Quoted) {
            const int64_t code = *valueRef.Code;
            const bool own = code >= 1 && code <= kMaxCode && valueVars_.count(static_cast<int32_t>(code)) &&
                             valueVars_.at(static_cast<int32_t>(code)) == var.Code;
            if (special || own)
                valueRef.Resolved = static_cast<int32_t>(code);
            else
                errors_.Add(valueRef.CodePlace, "a variável " + Quote(var.Name) + " não tem o valor " +
                                                CodeText(static_cast<int32_t>(std::clamp<int64_t>(code, -kMaxCode, kMaxCode + 1))));
            return;
        }
        if (valueRef.Code) {
            errors_.Add(valueRef.CodePlace, "um valor é escrito pelo nome ou pelo código, não pelos dois");
            return;
        }
        if (const auto own = var.ValueCodes.find(AnsiUpperCase(valueRef.Text)); own != var.ValueCodes.end()) {
            valueRef.Resolved = own->second;
            return;
        }
        const std::string word = Normalized(valueRef.Text);
        if (word == kWordYes) {
            valueRef.Resolved = kCodeYes;
        } else if (word == kWordNot) {
            valueRef.Resolved = kCodeNo;
        } else if (word == kWordUnknown) {
            valueRef.Resolved = kCodeUnknown;
        } else {
            errors_.Add(valueRef.Place, "a variável " + Quote(var.Name) + " não tem o valor " + Quote(valueRef.Text) +
                                        (var.Values.empty() ? " (seus valores são Sim e Não)" : ""));
        }
    }

    void Resolve() {
        for (TTargetIn& target : targets_)
            if (const TVariableIn* var = FindVariable(target.Var)) target.VarCode = var->Code;

        std::vector<const TValueSpec*> formulaRefs;
        for (const TFormulaEvent& event : events_) {
            if (errors_.Full()) return;
            if (event.Line) {
                const TFormulaIn& formula = *event.Line;
                DeclareFormula(formula.Code ? *formula.Code : formulaCodes_.LowestFree(), formula.Text, formula.Place,
                               formula.Code ? formula.CodePlace : formula.Place);
                continue;
            }
            const TVariableIn* var = FindVariable(*event.Var);
            if (!var) continue;
            *event.VarCode = var->Code;
            ResolveValue(*var, *event.Value, formulaRefs);
        }
        for (const TValueSpec* valueRef : formulaRefs)
            if (!formulaCodes_.Known(valueRef->Resolved))
                errors_.Add(valueRef->CodePlace, "a fórmula " + CodeText(valueRef->Resolved) + " não existe");

        // What a version 1.0 file cannot hold would be lost without a word.
        if (version_ == "1.0") {
            for (const TCnfFormulaIn& formula : cnfFormulas_)
                if (formula.Line != 0 && (!formula.Formula.UseDefault || !formula.Formula.Text.empty()))
                    errors_.Add({formula.Line, 1}, "a versão 1.0 não grava fórmulas de CNF; use VERSÃO 1.1");
            for (const TPlace& place : noCnfLines_)
                errors_.Add(place, "a versão 1.0 não grava SEM CNF; use VERSÃO 1.1");
            for (const TPlace& place : hiddenTargetLines_)
                errors_.Add(place, "a versão 1.0 não grava OBJETIVO OCULTO; use VERSÃO 1.1");
        }
        if (!password_ && options_.Password) password_ = options_.Password;
        if (password_ && password_->size() > kShortStringMax)
            errors_.Add({passwordLine_ ? passwordLine_ : 1, 1}, "a senha tem mais de 255 caracteres");
        // A protected base without a password, or whose empty entry would give
        // full access, is not protected at all: its author would believe otherwise.
        if (usePassword_ != 0) {
            if (!password_ || password_->empty())
                errors_.Add({usePassword_, 1},
                            "a base é protegida, mas o texto não traz a SENHA (escreva-a ou informe-a ao compilar)");
            if (restriction_ == 1)
                errors_.Add({usePassword_, 1}, "uma base protegida precisa de uma RESTRIÇÃO (NENHUMA, SOMENTE "
                                               "EXECUÇÃO ou EXECUÇÃO E VISUALIZAÇÃO)");
        }
    }

    // ------------------------------------------------------------ state

    TErrorList errors_;
    const TBaseTextReadOptions& options_;
    int lastLine_ = 1;

    std::string baseName_ = "SEM NOME";
    int baseNameLine_ = 0;
    std::string authors_;
    int authorsLine_ = 0;
    std::string helpFile_;
    int helpFileLine_ = 0;
    std::vector<std::string> opening_;
    std::string version_ = "1.1";
    int versionLine_ = 0;
    // Flags: the line that set them, 0 when absent.
    int showOpening_ = 0;
    int allPremises_ = 0;
    int usePassword_ = 0;
    TCnfFormulaIn cnfFormulas_[3];
    float minimumCnf_ = 0.5f;
    int minimumCnfLine_ = 0;
    int16_t precedence_ = 0;
    int precedenceLine_ = 0;
    int16_t restriction_ = 1;
    int restrictionLine_ = 0;
    std::optional<std::string> password_;
    int passwordLine_ = 0;

    std::vector<std::unique_ptr<TVariableIn>> variables_;
    std::map<std::string, std::size_t> varNames_;  // upper-case name -> index
    std::map<int32_t, std::size_t> varByCode_;
    std::map<int32_t, int> varCodes_;
    std::map<int32_t, int> valueCodes_;
    std::map<int32_t, int32_t> valueVars_;  // value code -> variable code
    std::map<int32_t, int> ruleCodes_;
    int32_t previousVar_ = 0;
    int32_t previousValue_ = 0;
    int32_t previousRule_ = 0;
    std::size_t valueCount_ = 0;
    std::size_t contextCount_ = 0;
    std::size_t premiseCount_ = 0;
    std::size_t conclusionCount_ = 0;
    std::vector<TTargetIn> targets_;
    std::vector<std::unique_ptr<TRuleIn>> rules_;
    std::vector<std::unique_ptr<TFormulaIn>> formulaLines_;
    std::vector<TFormulaEvent> events_;
    std::vector<TPlace> noCnfLines_;
    std::vector<TPlace> hiddenTargetLines_;
    TVariableIn* currentVar_ = nullptr;
    TRuleIn* currentRule_ = nullptr;
    TVariableIn discardedVar_;
    // Kept to the end: the formula events point into their lines.
    std::vector<std::unique_ptr<TRuleIn>> discardedRules_;

    TFormulaCodes formulaCodes_;
    std::map<int32_t, int> formulaFirstLine_;
};

void TReader::Apply(TExpertSystem& base, TBaseTextSourceMap* map) const {
    base.ClearBase();
    base.Version = version_;
    base.PasswordBlock = {password_ ? ScrambleText(*password_) : std::string(), restriction_, usePassword_ != 0};
    base.BaseName = baseName_;
    base.Authors = authors_;
    base.OpeningText = opening_;
    base.HelpFile = helpFile_;
    base.ShowOpening = showOpening_ != 0;
    base.AndFormula = cnfFormulas_[0].Formula;
    base.OrFormula = cnfFormulas_[1].Formula;
    base.ConclusionFormula = cnfFormulas_[2].Formula;
    base.Precedence = precedence_;
    base.MinimumCnf = minimumCnf_;
    base.EvaluateAllPremises = allPremises_ != 0;

    TBaseTextSourceMap lines;
    lines.AndFormula = cnfFormulas_[0].Line;
    lines.OrFormula = cnfFormulas_[1].Line;
    lines.ConclusionFormula = cnfFormulas_[2].Line;
    for (const auto& var : variables_) {
        base.Vars().AddVariable(var->Code, var->Name, var->Multivalued, var->Numeric);
        lines.Variables[var->Code] = var->Place.Line;
        int32_t position = 0;
        for (const TValueIn& value : var->Values) {
            base.Values().AddValue(value.Code, value.Name, var->Code, ++position);
            lines.Values[value.Code] = value.Place.Line;
            if (value.HelpContext) {
                base.HelpContexts().AddContext(value.Code, *value.HelpContext);
                lines.HelpContexts[value.Code] = value.HelpLine;
            }
        }
        if (var->Question) {
            base.Questions().AddQuestion(var->Code, var->Question->Text, var->Question->UseCnf,
                                         &var->Question->Reasons);
            lines.Questions[var->Code] = var->Question->Place.Line;
        }
    }
    int32_t order = 0;
    for (const auto& rule : rules_) {
        base.Rules().AddRule(rule->Code, rule->Name, ++order);
        TBaseTextSourceMap::TRuleLines ruleLines;
        ruleLines.Code = rule->Code;
        ruleLines.Line = rule->Place.Line;
        for (const TPremiseIn& premise : rule->Premises) {
            base.Tails().AddPremise(rule->Code, premise.VarCode, premise.Op, premise.Value.Resolved, premise.Connective,
                                    premise.Negated);
            ruleLines.Premises.push_back(premise.Place.Line);
        }
        for (const TConclusionIn& conclusion : rule->Conclusions) {
            base.Heads().AddConclusion(rule->Code, conclusion.VarCode, conclusion.Value.Resolved, conclusion.Cnf);
            ruleLines.Conclusions.push_back(conclusion.Place.Line);
        }
        lines.Rules.push_back(std::move(ruleLines));
        lines.RuleNumbers[rule->Code] = order;
    }
    for (const auto& [code, text] : formulaCodes_.Texts()) base.Formulas().Add(code, text);
    lines.Formulas = formulaFirstLine_;
    for (const TTargetIn& target : targets_) {
        base.Targets().Add(target.VarCode, target.ShowResults);
        lines.Targets.push_back(target.Place.Line);
    }
    if (map) *map = std::move(lines);
}

}  // namespace

bool ReadBaseText(std::string_view text, TExpertSystem& base, std::vector<TBaseTextError>& errors,
                  TBaseTextSourceMap* map, const TBaseTextReadOptions& options) {
    TReader reader(errors, options);
    if (!reader.Read(text)) return false;
    reader.Apply(base, map);
    return true;
}

}  // namespace quorvel
