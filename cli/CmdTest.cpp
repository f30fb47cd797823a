#include "CmdTest.h"

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "CaseFile.h"
#include "CliCommon.h"
#include "ExExplain.h"
#include "ExPromptLogic.h"
#include "ExSystem.h"
#include "ExText.h"
#include "OpenBase.h"
#include "ScriptedAnswers.h"

namespace quorvel::cli {

namespace {

using nlohmann::json;

// One expectation a case did not meet.
struct TMismatch {
    std::string What;  // the expectation as written
    std::string Expected;
    std::string Obtained;
    std::string Text() const { return What + ": esperado " + Expected + ", obtido " + Obtained; }
};

struct TCaseResult {
    std::string File;
    std::string Name;
    std::vector<std::string> Questions;  // UTF-8
    std::vector<TMismatch> Mismatches;
    bool Passed() const { return Mismatches.empty(); }
};

std::string Percent(double percent, int digits = 5) {
    std::string text = FormatGeneral(percent, digits);
    std::replace(text.begin(), text.end(), '.', ',');
    return text + "%";
}

// What one consultation left, as the expectations read it.
class TCaseRun {
public:
    TCaseRun(TExpertSystem& engine, TExplanationRecorder& recorder) : engine_(engine), recorder_(recorder) {}

    void Check(const TTestCase& testCase, TCaseResult& result) {
        for (const TValueExpectation& expectation : testCase.Values) CheckValue(expectation, result);
        if (testCase.Questions) {
            std::vector<std::string> expected;
            for (const std::string& name : *testCase.Questions) expected.push_back(Utf8(name));
            if (!SameNames(expected, result.Questions))
                result.Mismatches.push_back({"perguntas", Joined(expected), Joined(result.Questions)});
        }
    }

private:
    static bool SameNames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto left = Utf8ToCp1252(a[i]);
            const auto right = Utf8ToCp1252(b[i]);
            if (!left || !right || !AnsiSameText(*left, *right)) return false;
        }
        return true;
    }

    static std::string Joined(const std::vector<std::string>& names) {
        if (names.empty()) return "nenhuma";
        std::string text;
        for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
        return text;
    }

    // The variable's values as the results show them, "nenhum valor" when none.
    std::string Holdings(int32_t varCode, const std::vector<THeldValue>& held) {
        std::string text;
        for (const THeldValue& value : held)
            text += (text.empty() ? "" : ", ") + Utf8(recorder_.ResultText(varCode, value)) + " " + Percent(value.Cnf * 100.0);
        return text.empty() ? "nenhum valor" : text;
    }

    bool SameValue(int32_t varCode, const THeldValue& held, const std::string& name) {
        const std::string shown = recorder_.ResultText(varCode, held);
        if (AnsiSameText(shown, name)) return true;
        const auto a = TextToNumber(shown);
        const auto b = TextToNumber(name);
        return !held.IsCode && a && b && *a == *b;
    }

    static bool InBounds(const std::string& op, double obtained, double bound) {
        // Confidences compare as the results show them: five significant digits.
        const double shown = static_cast<double>(TextToNumber(FormatGeneral(obtained, 5)).value_or(obtained));
        if (op == ">=") return shown >= bound;
        if (op == "<=") return shown <= bound;
        if (op == ">") return shown > bound;
        if (op == "<") return shown < bound;
        return shown == bound;
    }

    void CheckValue(const TValueExpectation& expectation, TCaseResult& result) {
        const std::string what = expectation.Text;
        if (!engine_.Vars().FindName(AnsiUpperCase(expectation.Variable))) {
            result.Mismatches.push_back({what, "a vari\u00e1vel " + Utf8(expectation.Variable), "a base n\u00e3o a tem"});
            return;
        }
        const int32_t varCode = engine_.Vars().GetCode();
        const std::vector<THeldValue> held = recorder_.FinalValues(varCode);
        const std::string obtained = Holdings(varCode, held);
        const THeldValue* found = nullptr;
        for (const THeldValue& value : held)
            if (SameValue(varCode, value, expectation.Value)) found = &value;
        switch (expectation.Kind) {
            case TValueExpectation::TKind::Present: {
                std::string expected = Utf8(expectation.Value);
                if (!expectation.Operator.empty())
                    expected += " " + expectation.Operator + " " + Percent(expectation.Percent);
                if (!found || (!expectation.Operator.empty() &&
                               !InBounds(expectation.Operator, found->Cnf * 100.0, expectation.Percent)))
                    result.Mismatches.push_back({what, expected, obtained});
                break;
            }
            case TValueExpectation::TKind::Absent:
                if (found) result.Mismatches.push_back({what, "sem " + Utf8(expectation.Value), obtained});
                break;
            case TValueExpectation::TKind::NoValue: {
                const bool none = std::all_of(held.begin(), held.end(), [](const THeldValue& value) {
                    return value.IsCode && value.Code == kCodeUnknown;
                });
                if (!none) result.Mismatches.push_back({what, "nenhum valor", obtained});
                break;
            }
        }
    }

    TExpertSystem& engine_;
    TExplanationRecorder& recorder_;
};

TCaseResult RunCase(TExpertSystem& engine, TConsultSink& sink, TExplanationRecorder& recorder,
                    const std::string& file, const TTestCase& testCase) {
    TCaseResult result{file, testCase.Name, {}, {}};
    TPromptModel model(&engine);
    engine.OnPrompt = [&](TExpertSystem& e, int32_t varCode) {
        model.SetVarCode(varCode);
        result.Questions.push_back(Utf8(e.VarName(varCode)));
        AnswerFromScript(e, model, sink, testCase.Answers, varCode, "no caso");
    };
    std::optional<std::string> error;
    try {
        engine.Start();
    } catch (const TAnswersError& problem) {
        result.Mismatches.push_back({"respostas", "respostas para todas as perguntas", problem.what()});
        return result;
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    TCaseRun(engine, recorder).Check(testCase, result);
    if (testCase.Error) {
        const bool matches = error && (testCase.Error->empty() || error->find(*testCase.Error) != std::string::npos);
        if (!matches)
            result.Mismatches.push_back({"erro", testCase.Error->empty() ? "um erro" : "erro com \"" + *testCase.Error + "\"",
                                         error ? *error : "a consulta terminou sem erro"});
    } else if (error) {
        result.Mismatches.push_back({"erro", "nenhum erro", *error});
    }
    return result;
}

std::string CoveragePercent(std::size_t part, std::size_t total) {
    return total == 0 ? std::string("0%") : Percent(100.0 * static_cast<double>(part) / static_cast<double>(total), 3);
}

json RulesJson(const std::vector<TRuleCoverage::TRule>& rules) {
    json list = json::array();
    for (const auto& rule : rules) list.push_back({{"number", rule.Number}, {"name", Utf8(rule.Name)}});
    return list;
}

void PrintCoverage(std::ostream& out, const TRuleCoverage::TReport& report) {
    const std::size_t total = report.Total();
    out << "\nCobertura das regras (" << total << " regras):\n";
    const std::pair<const char*, const std::vector<TRuleCoverage::TRule>*> groups[] = {
        {"disparadas", &report.Fired},
        {"avaliadas sem disparar", &report.EvaluatedNotFired},
        {"nunca avaliadas", &report.NeverEvaluated}};
    for (const auto& [title, rules] : groups) {
        out << "  " << title << ": " << rules->size() << " (" << CoveragePercent(rules->size(), total) << ")\n";
        for (const auto& rule : *rules) out << "    REGRA " << rule.Number << " " << Utf8(rule.Name) << "\n";
    }
}

// Text that XML 1.0 takes inside an attribute or an element.
std::string XmlText(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&apos;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    escaped += ' ';
                else
                    escaped += c;
        }
    }
    return escaped;
}

std::string JUnitXml(const std::string& base, const std::vector<TCaseResult>& results) {
    std::size_t failures = 0;
    for (const auto& result : results) failures += !result.Passed();
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"" + XmlText(base) + "\" tests=\"" + std::to_string(results.size()) +
           "\" failures=\"" + std::to_string(failures) + "\">\n";
    std::size_t index = 0;
    while (index < results.size()) {
        const std::string& file = results[index].File;
        std::size_t end = index;
        std::size_t suiteFailures = 0;
        for (; end < results.size() && results[end].File == file; ++end) suiteFailures += !results[end].Passed();
        xml += "  <testsuite name=\"" + XmlText(file) + "\" tests=\"" + std::to_string(end - index) +
               "\" failures=\"" + std::to_string(suiteFailures) + "\" errors=\"0\">\n";
        for (; index < end; ++index) {
            const TCaseResult& result = results[index];
            xml += "    <testcase classname=\"" + XmlText(file) + "\" name=\"" + XmlText(result.Name) + "\"";
            if (result.Passed()) {
                xml += "/>\n";
                continue;
            }
            std::string details;
            for (const auto& mismatch : result.Mismatches) details += mismatch.Text() + "\n";
            xml += ">\n      <failure message=\"" + XmlText(result.Mismatches.front().Text()) + "\">" +
                   XmlText(details) + "</failure>\n    </testcase>\n";
        }
        xml += "  </testsuite>\n";
    }
    xml += "</testsuites>\n";
    return xml;
}

}  // namespace

int RunTest(const TTestOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::pair<std::string, std::vector<TTestCase>>> files;
    for (const std::string& file : options.CaseFiles) {
        std::string reason;
        const auto text = ReadFileText(file, reason);
        if (!text) {
            Report(err, file, reason);
            return kExitCannotOpen;
        }
        auto cases = ParseCaseFile(*text, reason);
        if (!cases) {
            Report(err, file, reason);
            return kExitInvalid;
        }
        files.emplace_back(file, std::move(*cases));
    }

    TConsultSink sink(nullptr);
    TExpertSystem engine(&sink);
    if (!OpenBase(engine, options.BaseFile, options.Password, sink.texts, err)) return kExitCannotOpen;
    engine.ReportEnding = false;
    TExplanationRecorder recorder(engine);
    TRuleCoverage coverage;
    std::vector<TCaseResult> results;
    for (const auto& [file, cases] : files) {
        for (const TTestCase& testCase : cases) {
            results.push_back(RunCase(engine, sink, recorder, file, testCase));
            coverage.Add(recorder);
        }
    }
    const TRuleCoverage::TReport report = coverage.Report(engine);
    std::size_t failed = 0;
    for (const auto& result : results) failed += !result.Passed();

    if (options.Json) {
        json cases = json::array();
        for (const auto& result : results) {
            json mismatches = json::array();
            for (const auto& mismatch : result.Mismatches)
                mismatches.push_back(
                    {{"expectation", mismatch.What}, {"expected", mismatch.Expected}, {"obtained", mismatch.Obtained}});
            cases.push_back({{"file", result.File},
                             {"name", result.Name},
                             {"passed", result.Passed()},
                             {"questions", result.Questions},
                             {"mismatches", std::move(mismatches)}});
        }
        const std::size_t total = report.Total();
        out << json{{"cases", std::move(cases)},
                    {"passed", results.size() - failed},
                    {"failed", failed},
                    {"coverage",
                     {{"rules", total},
                      {"fired", RulesJson(report.Fired)},
                      {"evaluatedNotFired", RulesJson(report.EvaluatedNotFired)},
                      {"neverEvaluated", RulesJson(report.NeverEvaluated)},
                      {"firedPercent", total ? 100.0 * static_cast<double>(report.Fired.size()) / static_cast<double>(total) : 0.0}}}}
                   .dump(2)
            << "\n";
    } else {
        for (const auto& result : results) {
            if (result.Passed()) {
                out << "ok      " << result.Name << "\n";
                continue;
            }
            out << "FALHOU  " << result.Name << ": " << result.Mismatches.front().Text() << "\n";
            for (std::size_t i = 1; i < result.Mismatches.size(); ++i)
                out << "        " << result.Mismatches[i].Text() << "\n";
        }
        out << "\n" << results.size() << " caso(s): " << results.size() - failed << " ok, " << failed << " FALHOU\n";
        PrintCoverage(out, report);
    }
    out.flush();
    if (!out) {
        Report(err, options.BaseFile, "não foi possível escrever na saída padrão");
        return kExitCannotWrite;
    }
    if (options.JUnitFile) {
        std::ofstream junit(*options.JUnitFile, std::ios::binary | std::ios::trunc);
        junit << JUnitXml(options.BaseFile, results);
        junit.close();
        if (!junit) {
            Report(err, *options.JUnitFile, "não foi possível gravar o relatório JUnit");
            return kExitCannotWrite;
        }
    }
    return failed == 0 ? kExitOk : kExitCheckFailed;
}

}  // namespace quorvel::cli
