#include "CmdConsult.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <new>
#include <string_view>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "CliCommon.h"
#include "ExConsultTree.h"
#include "ExExceptions.h"
#include "ExPromptLogic.h"
#include "ExShownError.h"
#include "ExSystem.h"
#include "ExText.h"
#include "ExWhy.h"
#include "OpenBase.h"

namespace quorvel::cli {

namespace {

using nlohmann::json;

// An answer that the question dialog would not take, or a question the
// answers file does not answer: the consultation cannot go on.
class TAnswersError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

bool NoAnswer(const std::string& text) { return text.empty() || text == "?"; }

// The messages the engine and the prompt show during the consultation; the
// terminal user sees them at once.
class TConsultSink : public IMessageSink {
public:
    explicit TConsultSink(std::ostream* echo) : echo_(echo) {}
    TMsgResult ShowMessage(TMsgKind, TMsgButtons buttons, const std::string& text) override {
        texts.push_back(text);
        if (echo_) *echo_ << text << "\n";
        return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
    }
    std::vector<std::string> texts;

private:
    std::ostream* echo_;
};

// The confidence typed into an option's box, as the box would take it.
void TypeCnf(TPromptModel& model, std::size_t index, const std::string& cnf, const std::string& where) {
    if (cnf.size() > static_cast<std::size_t>(kCnfBoxMaxLength) ||
        !std::all_of(cnf.begin(), cnf.end(), [](char ch) { return CnfBoxAcceptsChar(ch); }))
        throw TAnswersError(where + ": o grau de confiança \"" + Utf8(cnf) + "\" não pode ser digitado");
    model.SetCnfText(index, cnf);
    model.LeaveCnfBox(index);
}

// Submits what the model holds; a refusal becomes an answers error with the
// dialog's own message.
void SubmitOrThrow(TPromptModel& model, TConsultSink& sink, const std::string& where) {
    const std::size_t before = sink.texts.size();
    if (model.Submit()) return;
    const std::string reason = sink.texts.size() > before ? sink.texts.back() : "resposta recusada";
    throw TAnswersError(where + ": " + reason);
}

// Answers a question from the answers file.
void AnswerFromScript(TExpertSystem& engine, TPromptModel& model, TConsultSink& sink,
                      const std::map<std::string, TScriptedAnswer>& answers, int32_t varCode) {
    const std::string name = engine.VarName(varCode);
    const auto found = answers.find(AnsiUpperCase(name));
    if (found == answers.end())
        throw TAnswersError("a pergunta sobre \"" + Utf8(name) + "\" não tem resposta no arquivo de respostas");
    const TScriptedAnswer& answer = found->second;
    const std::string where = "linha " + std::to_string(answer.Line) + " (" + Utf8(name) + ")";

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
                throw TAnswersError(where + ": \"" + Utf8(valueName) + "\" não é um valor de " + Utf8(name));
            if (std::find(chosen.begin(), chosen.end(), index) != chosen.end())
                throw TAnswersError(where + ": o valor \"" + Utf8(valueName) + "\" aparece duas vezes");
            chosen.push_back(index);
            if (chosen.size() > 1 && !model.Multivalued())
                throw TAnswersError(where + ": " + Utf8(name) +
                                    " não é multivalorada e aceita uma só alternativa");
            model.SetChecked(index, true);
            if (!cnf.empty()) TypeCnf(model, index, cnf, where);
        }
    }
    SubmitOrThrow(model, sink, where);
    engine.ReleaseWait();
}

// Asks a question in the terminal.
class TTerminalUser {
public:
    TTerminalUser(TExpertSystem& engine, TPromptModel& model, std::istream& in, std::ostream& out)
        : engine_(engine), model_(model), in_(in), out_(out) {}

    // False when the input ended: the consultation is stopped.
    bool Answer(int32_t varCode, const std::vector<std::string>& why) {
        out_ << "\n" << Utf8(model_.QuestionText()) << "\n";
        if (!model_.InfoText().empty()) out_ << Utf8(model_.InfoText()) << "\n";
        const auto& options = model_.Options();
        for (std::size_t i = 0; i < options.size(); ++i) out_ << "  " << i + 1 << ") " << Utf8(options[i].Text) << "\n";
        out_ << (model_.Numeric() ? "Digite o valor" : "Digite os números das alternativas (n ou n:confiança)")
             << "; ? explica, < volta à pergunta anterior, vazio = sem resposta.\n";
        for (;;) {
            out_ << "> " << std::flush;
            std::string line;
            if (!std::getline(in_, line)) {
                engine_.Stop();
                return false;
            }
            line = Trim(line);
            if (line == "?") {
                if (why.empty()) out_ << "(Não há explicação para esta pergunta.)\n";
                for (const auto& text : why) out_ << Utf8(text) << "\n";
                continue;
            }
            if (line == "<") {
                if (engine_.QuestionCount > 0) {
                    engine_.BackToLastQuestion();
                    return true;
                }
                out_ << "Não há pergunta anterior a que voltar.\n";
                continue;
            }
            const auto typed = Utf8ToCp1252(line);
            if (!typed) {
                out_ << "A resposta tem caracteres que a base não pode guardar.\n";
                continue;
            }
            model_.SetVarCode(varCode);
            if (!Fill(*typed)) continue;
            if (model_.Submit()) {
                engine_.ReleaseWait();
                return true;
            }
        }
    }

private:
    // Puts the typed answer into the prompt; false (after saying why) when it is not understood.
    bool Fill(const std::string& typed) {
        if (model_.Numeric()) {
            model_.SetValueText(typed);
            return true;
        }
        if (typed.empty()) return true;
        for (const std::string& rawPart : Split(typed, ',')) {
            const std::string part = Trim(rawPart);
            const auto colon = part.find(':');
            const std::string number = Trim(part.substr(0, colon));
            const auto index = TextToNumber(number);
            const auto count = model_.Options().size();
            if (!index || *index < 1 || *index > static_cast<long double>(count) ||
                *index != static_cast<long double>(static_cast<std::size_t>(*index))) {
                out_ << "Alternativa inválida: " << Utf8(part) << "\n";
                return false;
            }
            const auto option = static_cast<std::size_t>(*index) - 1;
            model_.SetChecked(option, true);
            if (colon != std::string::npos) {
                model_.SetCnfText(option, Trim(part.substr(colon + 1)));
                model_.LeaveCnfBox(option);
            }
        }
        return true;
    }

    TExpertSystem& engine_;
    TPromptModel& model_;
    std::istream& in_;
    std::ostream& out_;
};

void PrintResults(std::ostream& out, const std::string& variable, const json& values) {
    out << "\nResultados de " << variable << ":\n";
    std::size_t width = 0;
    for (const auto& value : values) width = std::max(width, value["value"].get<std::string>().size());
    for (const auto& value : values) {
        const auto text = value["value"].get<std::string>();
        const auto cnf = value["cnf"].get<std::string>();
        out << "  " << text << std::string(width - text.size() + 2, ' ') << (cnf.empty() ? "" : cnf + "%") << "\n";
    }
}

}  // namespace

std::optional<std::map<std::string, TScriptedAnswer>> ParseAnswers(const std::string& text, std::string& reason) {
    std::map<std::string, TScriptedAnswer> answers;
    int lineNumber = 0;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string_view body = std::string_view(text).substr(text.rfind(kByteOrderMark, 0) == 0 ? 3 : 0);
    for (const std::string& rawLine : Split(std::string(body), '\n')) {
        ++lineNumber;
        const std::string line = Trim(rawLine);
        if (line.empty() || line[0] == '#') continue;
        const std::string where = "linha " + std::to_string(lineNumber);
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            reason = where + ": falta o sinal \"=\" entre a variável e a resposta";
            return std::nullopt;
        }
        const auto name = Utf8ToCp1252(Trim(line.substr(0, equals)));
        const auto answer = Utf8ToCp1252(Trim(line.substr(equals + 1)));
        if (!name || !answer) {
            reason = where + ": há caracteres que não existem em Windows-1252";
            return std::nullopt;
        }
        if (name->empty()) {
            reason = where + ": falta o nome da variável";
            return std::nullopt;
        }
        const auto [it, added] = answers.emplace(AnsiUpperCase(*name), TScriptedAnswer{*answer, lineNumber});
        if (!added) {
            reason = where + ": a variável \"" + Utf8(*name) + "\" já foi respondida na linha " +
                     std::to_string(it->second.Line);
            return std::nullopt;
        }
    }
    return answers;
}

namespace {

// The document of `consult --json`, written as the consultation ends: on
// every exit, so a script always finds the `error` it looks for.
struct TJsonReport {
    json questions = json::array();
    json results = json::array();
    json error = nullptr;
};

void WriteJsonReport(std::ostream& out, const TJsonReport& report, const TConsultTreeModel* tree) {
    out << "{\n  \"questions\": " << report.questions.dump() << ",\n  \"results\": " << report.results.dump()
        << ",\n  \"tree\": [";
    // The tree's lines are written one by one as they are indented: never
    // held at once, since a deep chain of rules indents them far.
    bool first = true;
    if (tree) {
        tree->ForEachNode([&](std::size_t depth, const TConsultNode& node) {
            // The text as a JSON string with the indent put after its opening quote.
            const std::string text = json(Utf8(node.Text)).dump();
            out << (first ? "\n    \"" : ",\n    \"");
            WriteBlanks(out, depth * 2);
            out.write(text.data() + 1, static_cast<std::streamsize>(text.size() - 1));
            first = false;
        });
    }
    out << (first ? "]" : "\n  ]") << ",\n  \"error\": " << report.error.dump() << "\n}\n";
}

void WriteTree(std::ostream& out, const TConsultTreeModel& tree) {
    out << "\nÁrvore de raciocínio:\n";
    tree.ForEachNode([&out](std::size_t depth, const TConsultNode& node) {
        WriteBlanks(out, depth * 2);
        out << Utf8(node.Text) << '\n';
    });
}

}  // namespace

int RunConsult(const TConsultOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
    // Standard input holds one thing: the base, the answers file, or the terminal's answers.
    if (IsStandardStream(options.BaseFile) && (!options.AnswersFile || IsStandardStream(*options.AnswersFile))) {
        Report(err, options.BaseFile,
               "a base só pode vir da entrada padrão com um arquivo de respostas (--answers ARQUIVO)");
        return kExitUsage;
    }
    TJsonReport report;
    // Every way out: the message on stderr, and with --json the document.
    const auto fail = [&](const std::string& subject, const std::string& reason, int status) {
        Report(err, subject, reason);
        report.error = reason;
        if (options.Json) WriteJsonReport(out, report, nullptr);
        return status;
    };

    std::optional<std::map<std::string, TScriptedAnswer>> answers;
    if (options.AnswersFile) {
        std::string reason;
        const auto text = ReadFileText(*options.AnswersFile, reason);
        if (text) answers = ParseAnswers(*text, reason);
        if (!answers) return fail(*options.AnswersFile, reason, kExitAnswersProblem);
    }

    // Questions go to the terminal; with --json standard output holds only the document.
    std::ostream& dialogue = options.Json ? err : out;
    TConsultSink sink(answers ? nullptr : &dialogue);
    TExpertSystem engine(&sink);
    if (!OpenBase(engine, options.BaseFile, options.Password, sink.texts, err)) {
        report.error = "não foi possível abrir a base";
        if (options.Json) WriteJsonReport(out, report, nullptr);
        return kExitCannotOpen;
    }

    TPromptModel model(&engine);
    TWhyText why(engine);
    // The reasoning tree is built only for those who asked for it.
    const bool wantTree = options.Tree || options.Json;
    TConsultTreeModel tree;
    TTerminalUser terminal(engine, model, in, dialogue);
    bool inputEnded = false;

    engine.OnPrompt = [&](TExpertSystem& e, int32_t varCode) {
        model.SetVarCode(varCode);
        const std::vector<std::string> lines = why.Fill(varCode);
        if (options.Json) {
            json whyLines = json::array();
            for (const auto& line : lines) whyLines.push_back(Utf8(line));
            report.questions.push_back({{"variable", Utf8(e.VarName(varCode))},
                                        {"text", Utf8(model.QuestionText())},
                                        {"why", std::move(whyLines)}});
        }
        if (answers)
            AnswerFromScript(e, model, sink, *answers, varCode);
        else if (!terminal.Answer(varCode, lines))
            inputEnded = true;
    };
    engine.OnShowResults = [&](TExpertSystem& e, int32_t varCode) {
        std::vector<std::string> names, cnfs;
        e.ResultsOf(varCode, names, cnfs);
        json values = json::array();
        for (std::size_t i = 0; i < names.size(); ++i)
            values.push_back({{"value", Utf8(names[i])}, {"cnf", i < cnfs.size() ? cnfs[i] : std::string()}});
        const std::string variable = Utf8(e.VarName(varCode));
        if (options.Json)
            report.results.push_back({{"variable", variable}, {"values", std::move(values)}});
        else
            PrintResults(out, variable, values);
        if (wantTree) tree.Fill(e);
    };

    int status = kExitOk;
    const std::clock_t started = std::clock();
    try {
        engine.Start();
    } catch (const TAnswersError& problem) {
        return fail(options.AnswersFile.value_or(options.BaseFile), problem.what(), kExitAnswersProblem);
    } catch (const std::bad_alloc&) {
        throw;  // the tool's own guard reports it
    } catch (const std::exception& failure) {
        // At access level 2 the message does not show the base's formulas.
        report.error = ShownErrorText(engine, failure);
        Report(err, options.BaseFile, report.error.get<std::string>());
        status = kExitEngineError;
    }
    const double cpuMilliseconds = 1000.0 * static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
    if (inputEnded) {
        const std::string reason = "a entrada terminou antes do fim da consulta";
        Report(err, options.BaseFile, reason);
        if (report.error.is_null()) report.error = reason;
        status = kExitAnswersProblem;
    }

    if (options.Json)
        WriteJsonReport(out, report, &tree);
    else if (options.Tree)
        WriteTree(out, tree);
    if (options.Stats) {
        err << "regras avaliadas: " << engine.Stats.RulesEvaluated << "\n"
            << "premissas avaliadas: " << engine.Stats.PremisesEvaluated << "\n"
            << "perguntas feitas: " << engine.Stats.QuestionsAsked << "\n"
            << "tempo de CPU (ms): " << FormatGeneral(cpuMilliseconds, 6) << "\n";
    }
    return status;
}

}  // namespace quorvel::cli
