#include "CmdLint.h"

#include <nlohmann/json.hpp>

#include "CliCommon.h"
#include "CmdBuild.h"
#include "ExBaseText.h"
#include "ExLint.h"
#include "ExSystem.h"
#include "ExText.h"
#include "OpenBase.h"

namespace quorvel::cli {

namespace {

const char* SeverityText(TLintSeverity severity) { return severity == TLintSeverity::Error ? "erro" : "aviso"; }

const char* SubjectName(TLintSubject subject) {
    switch (subject) {
        case TLintSubject::Rule: return "rule";
        case TLintSubject::Variable: return "variable";
        case TLintSubject::Target: return "target";
        case TLintSubject::Question: return "question";
        case TLintSubject::Formula: return "formula";
        case TLintSubject::Settings: return "settings";
    }
    return "";
}

}  // namespace

int RunLint(const TLintOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    // Standard input is read once, and is a source unless it starts as a binary base.
    std::optional<std::string> input;
    bool source = IsBaseTextFileName(file);
    if (source || IsStandardStream(file)) {
        std::string reason;
        input = ReadFileText(file, reason);
        if (!input) {
            Report(err, file, reason);
            return kExitCannotOpen;
        }
        source = source || !HasBaseSignature({reinterpret_cast<const uint8_t*>(input->data()), input->size()});
    }
    // A source is compiled, and its lines name where each finding stands.
    std::optional<TBaseTextSourceMap> map;
    if (source) {
        map.emplace();
        int status = kExitOk;
        if (!CompileBaseText(file, options.Password, *input, base, err, status, &*map, "; nada foi verificado"))
            return status;
    } else if (!(input ? OpenBaseBytes(base, file, *input, options.Password, sink.Texts(), err)
                       : OpenBase(base, file, options.Password, sink.Texts(), err))) {
        return kExitCannotOpen;
    }
    if (!base.RulesMayBeShown()) {
        ReportExecuteOnly(err, file, base, "a verificação");
        return kExitCannotOpen;
    }
    const std::vector<TLintFinding> findings = map ? LintBase(base, SourceLines(base, *map)) : LintBase(base);
    std::size_t errors = 0;
    for (const TLintFinding& finding : findings) errors += finding.Severity == TLintSeverity::Error;

    if (options.Json) {
        nlohmann::json list = nlohmann::json::array();
        for (const TLintFinding& finding : findings) {
            nlohmann::json item = {{"code", finding.Code},
                                   {"severity", finding.Severity == TLintSeverity::Error ? "error" : "warning"},
                                   {"subject", SubjectName(finding.Subject)},
                                   {"message", Cp1252ToUtf8(finding.Message)}};
            if (finding.Line) item["line"] = *finding.Line;
            if (finding.RuleCode) item["rule"] = finding.RuleCode;
            if (finding.VarCode) item["variable"] = finding.VarCode;
            list.push_back(std::move(item));
        }
        out << nlohmann::json{{"findings", std::move(list)},
                              {"errors", errors},
                              {"warnings", findings.size() - errors}}
                   .dump(2)
            << '\n';
    } else {
        for (const TLintFinding& finding : findings) {
            // "file:line: " for a source, the form editors and terminals recognise.
            if (finding.Line) out << file << ':' << *finding.Line << ": ";
            out << finding.Code << ' ' << SeverityText(finding.Severity) << ' ';
            out << Cp1252ToUtf8(finding.Message) << '\n';
        }
        out << errors << " erro(s), " << findings.size() - errors << " aviso(s)\n";
    }
    out.flush();
    if (!out) {
        Report(err, file, "não foi possível escrever na saída padrão");
        return kExitCannotWrite;
    }
    return errors > 0 ? kExitCheckFailed : kExitOk;
}

}  // namespace quorvel::cli
