#include "ScriptedAnswers.h"

#include <algorithm>

#include "ExText.h"

namespace quorvel::cli {

std::string Trim(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::string Utf8(const std::string& baseText) { return Cp1252ToUtf8(baseText); }

bool NoAnswer(const std::string& text) { return text.empty() || text == "?"; }

namespace {

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// The alternatives of one answer, "valor : cnf, outro : cnf", split at the
// commas; a comma between two digits of a confidence ("encharcada : 50,5")
// is its decimal comma, as the confidence box reads it.
std::vector<std::string> SplitAnswerParts(const std::string& text) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const bool decimalComma = ch == ',' && i > 0 && i + 1 < text.size() && IsDigit(text[i - 1]) &&
                                  IsDigit(text[i + 1]) && parts.back().find(':') != std::string::npos;
        if (ch == ',' && !decimalComma)
            parts.emplace_back();
        else
            parts.back() += ch;
    }
    return parts;
}

// Where an answer stands, for its error messages: "linha N (variável)".
std::string AnswerPlace(const TScriptedAnswer& answer, const std::string& name) {
    return "linha " + std::to_string(answer.Line) + " (" + Utf8(name) + ")";
}

// The confidence typed into an option's box, as the box would take it.
void TypeCnf(TPromptModel& model, std::size_t index, const std::string& cnf, const TScriptedAnswer& answer,
             const std::string& name) {
    if (cnf.size() > static_cast<std::size_t>(kCnfBoxMaxLength) ||
        !std::all_of(cnf.begin(), cnf.end(), [](char ch) { return CnfBoxAcceptsChar(ch); }))
        throw TAnswersError(AnswerPlace(answer, name) + ": o grau de confiança \"" + Utf8(cnf) +
                            "\" não pode ser digitado");
    model.SetCnfText(index, cnf);
    model.LeaveCnfBox(index);
}

// Submits what the model holds; a refusal becomes an answers error with the
// dialog's own message.
void SubmitOrThrow(TPromptModel& model, TConsultSink& sink, const TScriptedAnswer& answer, const std::string& name) {
    const std::size_t before = sink.texts.size();
    if (model.Submit()) return;
    const std::string reason = sink.texts.size() > before ? sink.texts.back() : "resposta recusada";
    throw TAnswersError(AnswerPlace(answer, name) + ": " + reason);
}

}  // namespace

// Answers a question from the answers file.
void AnswerFromScript(TExpertSystem& engine, TPromptModel& model, TConsultSink& sink,
                      const std::map<std::string, TScriptedAnswer>& answers, int32_t varCode,
                      const std::string& source) {
    const std::string name = engine.VarName(varCode);
    const auto found = answers.find(AnsiUpperCase(name));
    if (found == answers.end())
        throw TAnswersError("a pergunta sobre \"" + Utf8(name) + "\" não tem resposta " + source);
    const TScriptedAnswer& answer = found->second;

    if (model.Numeric()) {
        model.SetValueText(NoAnswer(answer.Text) ? std::string() : answer.Text);
    } else if (!NoAnswer(answer.Text)) {
        std::vector<std::size_t> chosen;
        for (const std::string& rawPart : SplitAnswerParts(answer.Text)) {
            const std::string part = Trim(rawPart);
            const auto& options = model.Options();
            const auto byName = [&options](const std::string& valueName) {
                for (std::size_t i = 0; i < options.size(); ++i)
                    if (AnsiSameText(options[i].Text, valueName)) return i;
                return options.size();
            };
            // "value" or "value : cnf"; a value whose own name holds ":" is taken whole.
            std::string valueName = part;
            std::string cnf;
            std::size_t index = byName(part);
            const auto colon = part.rfind(':');
            if (index == options.size() && colon != std::string::npos) {
                valueName = Trim(part.substr(0, colon));
                cnf = Trim(part.substr(colon + 1));
                index = byName(valueName);
            }
            if (index == options.size())
                throw TAnswersError(AnswerPlace(answer, name) + ": \"" + Utf8(valueName) + "\" não é um valor de " +
                                    Utf8(name));
            if (std::find(chosen.begin(), chosen.end(), index) != chosen.end())
                throw TAnswersError(AnswerPlace(answer, name) + ": o valor \"" + Utf8(valueName) +
                                    "\" aparece duas vezes");
            chosen.push_back(index);
            if (chosen.size() > 1 && !model.Multivalued())
                throw TAnswersError(AnswerPlace(answer, name) + ": " + Utf8(name) +
                                    " não é multivalorada e aceita uma só alternativa");
            model.SetChecked(index, true);
            if (!cnf.empty()) TypeCnf(model, index, cnf, answer, name);
        }
    }
    SubmitOrThrow(model, sink, answer, name);
    engine.ReleaseWait();
}

TMsgResult TConsultSink::ShowMessage(TMsgKind, TMsgButtons buttons, const std::string& text) {
    texts.push_back(text);
    if (echo_) *echo_ << text << "\n";
    return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
}

}  // namespace quorvel::cli
