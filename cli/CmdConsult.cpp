#include "CmdConsult.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <new>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "CliCommon.h"
#include "ExConsultTree.h"
#include "ExExceptions.h"
#include "ExExplain.h"
#include "ExPromptLogic.h"
#include "ExShownError.h"
#include "ExSystem.h"
#include "ExText.h"
#include "ExWhy.h"
#include "OpenBase.h"
#include "ScriptedAnswers.h"

namespace quorvel::cli {

namespace {

using nlohmann::json;

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

// "VAR=VALUE" as --why-not takes it: a variable of the base and one of its values.
std::optional<std::pair<int32_t, int32_t>> FindVariableValue(TExpertSystem& engine, const std::string& query,
                                                             std::string& reason) {
    const auto equals = query.find('=');
    const auto text = Utf8ToCp1252(query);
    if (equals == std::string::npos || !text) {
        reason = "\"" + query + "\" deve ter a forma VARIÁVEL=VALOR";
        return std::nullopt;
    }
    const std::string name = Trim(text->substr(0, text->find('=')));
    const std::string value = Trim(text->substr(text->find('=') + 1));
    if (!engine.Vars().FindName(AnsiUpperCase(name))) {
        reason = "a base não tem a variável \"" + Utf8(name) + "\"";
        return std::nullopt;
    }
    const int32_t varCode = engine.Vars().GetCode();
    const auto valueCode = FindValueCode(engine, varCode, value);
    if (!valueCode) {
        reason = "\"" + Utf8(value) + "\" não é um valor de " + Utf8(name);
        return std::nullopt;
    }
    return std::make_pair(varCode, *valueCode);
}

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
    // A question as asked, in base texts: turned into JSON only when the
    // document is written, so asking costs no more than the asking.
    struct TQuestion {
        std::string variable;
        std::string text;
        std::vector<std::string> why;
    };
    std::vector<TQuestion> questions;
    json results = json::array();
    json whyNot = json::array();
    json error = nullptr;
};

void WriteJsonReport(std::ostream& out, const TJsonReport& report, const TConsultTreeModel* tree) {
    json questions = json::array();
    for (const TJsonReport::TQuestion& question : report.questions) {
        json why = json::array();
        for (const std::string& line : question.why) why.push_back(Utf8(line));
        questions.push_back(
            {{"variable", Utf8(question.variable)}, {"text", Utf8(question.text)}, {"why", std::move(why)}});
    }
    out << "{\n  \"questions\": " << questions.dump() << ",\n  \"results\": " << report.results.dump()
        << ",\n  \"tree\": [";
    // The tree's lines are written one by one as they are indented: never
    // held at once, since a deep chain of rules indents them far.
    bool first = true;
    if (tree) {
        tree->ForEachNode([&](std::size_t depth, TConsultTreeModel::TNodeId node) {
            // The text as a JSON string with the indent put after its opening quote.
            const std::string text = json(Cp1252ToUtf8(tree->Text(node))).dump();
            out << (first ? "\n    \"" : ",\n    \"");
            WriteBlanks(out, depth * 2);
            out.write(text.data() + 1, static_cast<std::streamsize>(text.size() - 1));
            first = false;
        });
    }
    out << (first ? "]" : "\n  ]") << ",\n  \"whyNot\": " << report.whyNot.dump()
        << ",\n  \"error\": " << report.error.dump() << "\n}\n";
}

void WriteTree(std::ostream& out, const TConsultTreeModel& tree) {
    out << "\nÁrvore de raciocínio:\n";
    tree.ForEachNode([&](std::size_t depth, TConsultTreeModel::TNodeId node) {
        WriteBlanks(out, depth * 2);
        out << Cp1252ToUtf8(tree.Text(node)) << '\n';
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

    struct TWhyNotQuery {
        int32_t varCode;
        int32_t valueCode;
        std::string text;
    };
    std::vector<TWhyNotQuery> whyNotQueries;
    for (const std::string& query : options.WhyNot) {
        std::string reason;
        const auto found = FindVariableValue(engine, query, reason);
        if (!found) {
            Report(err, "--why-not", reason);
            report.error = reason;
            if (options.Json) WriteJsonReport(out, report, nullptr);
            return kExitUsage;
        }
        whyNotQueries.push_back({found->first, found->second, query});
    }

    TExplanationRecorder recorder(engine);
    TPromptModel model(&engine);
    TWhyText why(engine);
    // The reasoning tree is built only for those who asked for it.
    const bool wantTree = options.Tree || options.Json;
    TConsultTreeModel tree;
    TTerminalUser terminal(engine, model, in, dialogue);
    bool inputEnded = false;

    engine.OnPrompt = [&](TExpertSystem& e, int32_t varCode) {
        model.SetVarCode(varCode);
        const std::vector<std::string>& lines = why.Fill(varCode);
        if (options.Json) report.questions.push_back({e.VarName(varCode), model.QuestionText(), lines});
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
        std::vector<std::string> howLines;
        for (auto& value : values) {
            json lines = json::array();
            const auto name = Utf8ToCp1252(value["value"].get<std::string>());
            for (const auto& line : recorder.HowOfResult(varCode, name.value_or(""))) {
                lines.push_back(Utf8(line));
                howLines.push_back(line);
            }
            value["how"] = std::move(lines);
        }
        if (options.Json) {
            report.results.push_back({{"variable", variable}, {"values", std::move(values)}});
        } else {
            PrintResults(out, variable, values);
            if (options.How) {
                out << "\nComo?\n";
                for (const auto& line : howLines) out << Utf8(line) << "\n";
            }
        }
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

    for (const TWhyNotQuery& query : whyNotQueries) {
        json reasons = json::array();
        if (!options.Json) out << "\nPor que n\u00e3o " << query.text << "?\n";
        for (const TWhyNotReason& reason : recorder.WhyNot(query.varCode, query.valueCode)) {
            reasons.push_back({{"kind", WhyNotKindName(reason.Kind)}, {"text", Utf8(reason.Text)}});
            if (!options.Json) out << "  " << Utf8(reason.Text) << "\n";
        }
        report.whyNot.push_back({{"query", query.text}, {"reasons", std::move(reasons)}});
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
