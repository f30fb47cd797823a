#include "CaseFile.h"

#include <regex>

#include "ExText.h"
#include "ScriptedAnswers.h"

namespace quorvel::cli {

namespace {

// The keyword that starts a line ("espera:"), and the rest; nullopt for an answer line.
std::optional<std::pair<std::string, std::string>> Keyword(const std::string& line) {
    static const char* const keywords[] = {"caso:", "espera:", "ausente:", "sem valor:", "perguntas:", "erro:"};
    for (const char* keyword : keywords) {
        const std::string word(keyword);
        if (line.size() >= word.size() && AnsiSameText(line.substr(0, word.size()), word))
            return std::make_pair(word, Trim(line.substr(word.size())));
    }
    return std::nullopt;
}

std::optional<TValueExpectation> ParseValue(TValueExpectation::TKind kind, const std::string& text, int line,
                                            std::string& reason) {
    TValueExpectation expectation;
    expectation.Kind = kind;
    expectation.Text = text;
    expectation.Line = line;
    const auto base = Utf8ToCp1252(text);
    if (!base) {
        reason = "há caracteres que não existem em Windows-1252";
        return std::nullopt;
    }
    if (kind == TValueExpectation::TKind::NoValue) {
        expectation.Variable = Trim(*base);
        if (expectation.Variable.empty()) reason = "falta o nome da variável";
        return expectation.Variable.empty() ? std::nullopt : std::optional(expectation);
    }
    const auto equals = base->find('=');
    if (equals == std::string::npos) {
        reason = "falta o sinal \"=\" entre a variável e o valor";
        return std::nullopt;
    }
    expectation.Variable = Trim(base->substr(0, equals));
    std::string value = Trim(base->substr(equals + 1));
    static const std::regex bound(R"(^(.*?\S)\s*(>=|<=|>|<|=)\s*([0-9]+(?:[.,][0-9]+)?)\s*%?$)");
    std::smatch match;
    if (kind == TValueExpectation::TKind::Present && std::regex_match(value, match, bound)) {
        expectation.Operator = match[2];
        expectation.Percent = static_cast<double>(TextToNumber(match[3].str()).value_or(0));
        value = Trim(match[1].str());
    }
    expectation.Value = value;
    if (expectation.Variable.empty() || expectation.Value.empty()) {
        reason = expectation.Variable.empty() ? "falta o nome da variável" : "falta o valor";
        return std::nullopt;
    }
    return expectation;
}

}  // namespace

std::optional<std::vector<TTestCase>> ParseCaseFile(const std::string& text, std::string& reason) {
    std::vector<TTestCase> cases;
    // The answer lines of the current case, at their own line numbers, so
    // that the answers' messages name the lines of the case file.
    std::vector<std::string> answerLines;
    const auto closeCase = [&]() -> bool {
        if (cases.empty()) return true;
        std::string answersText;
        for (const std::string& line : answerLines) answersText += line + "\n";
        const auto answers = ParseAnswers(answersText, reason);
        if (!answers) return false;
        cases.back().Answers = *answers;
        return true;
    };
    const std::vector<std::string> lines = Split(text, '\n');
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        const std::string where = "linha " + std::to_string(number) + ": ";
        const std::string line = Trim(lines[index]);
        if (line.empty() || line[0] == '#') continue;
        const auto keyword = Keyword(line);
        if (keyword && keyword->first == "caso:") {
            if (!closeCase()) return std::nullopt;
            if (keyword->second.empty()) {
                reason = where + "falta o nome do caso";
                return std::nullopt;
            }
            cases.push_back({keyword->second, number, {}, {}, std::nullopt, std::nullopt});
            answerLines.assign(index, std::string());
            continue;
        }
        if (cases.empty()) {
            reason = where + "antes do primeiro \"caso:\"";
            return std::nullopt;
        }
        TTestCase& current = cases.back();
        if (!keyword) {
            answerLines.resize(index);
            answerLines.push_back(line);
            continue;
        }
        const std::string& rest = keyword->second;
        if (keyword->first == "perguntas:") {
            const auto names = Utf8ToCp1252(rest);
            if (!names) {
                reason = where + "há caracteres que não existem em Windows-1252";
                return std::nullopt;
            }
            current.Questions.emplace();
            for (const std::string& name : Split(*names, ','))
                if (!Trim(name).empty()) current.Questions->push_back(Trim(name));
        } else if (keyword->first == "erro:") {
            current.Error = rest;
        } else {
            const auto kind = keyword->first == "espera:"    ? TValueExpectation::TKind::Present
                              : keyword->first == "ausente:" ? TValueExpectation::TKind::Absent
                                                             : TValueExpectation::TKind::NoValue;
            std::string problem;
            auto expectation = ParseValue(kind, rest, number, problem);
            if (!expectation) {
                reason = where + problem;
                return std::nullopt;
            }
            current.Values.push_back(std::move(*expectation));
        }
    }
    if (!closeCase()) return std::nullopt;
    if (cases.empty()) {
        reason = "o arquivo não tem nenhum \"caso:\"";
        return std::nullopt;
    }
    return cases;
}

}  // namespace quorvel::cli
