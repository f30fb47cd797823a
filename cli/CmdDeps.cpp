#include "CmdDeps.h"

#include "CliCommon.h"
#include "ExDepend.h"
#include "ExSystem.h"
#include "ExText.h"
#include "OpenBase.h"

namespace quorvel::cli {

int RunDeps(const TDepsOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.BaseFile;
    TCollectingSink sink;
    TExpertSystem base(&sink);
    if (!OpenBase(base, file, options.Password, sink.Texts(), err)) return kExitCannotOpen;
    // The workbench offers the analysis only to those who may see the rules.
    if (!base.RulesMayBeShown()) {
        ReportExecuteOnly(err, file, base, "a análise de dependências");
        return kExitCannotOpen;
    }

    const std::size_t before = sink.Texts().size();
    const TDependencyAnalysis analysis(base);
    for (std::size_t i = before; i < sink.Texts().size(); ++i) Report(err, file, sink.Texts()[i]);

    // Line by line: a long chain indents its lines far, and they are never held at once.
    for (const TDependNode& node : analysis.Nodes()) {
        WriteBlanks(out, static_cast<std::size_t>(node.Level) * 2);
        out << Cp1252ToUtf8(node.Text) << '\n';
    }
    if (!analysis.Conflicts().empty()) {
        out << '\n';
        for (const TDependConflict& conflict : analysis.Conflicts())
            out << Cp1252ToUtf8(analysis.ConflictLine(conflict)) << '\n';
    }
    out.flush();
    if (!out) {
        Report(err, file, "não foi possível escrever na saída padrão");
        return kExitCannotWrite;
    }
    if (analysis.Truncated())
        Report(err, file,
               "a árvore foi interrompida em " + std::to_string(analysis.Nodes().size()) +
                   " nós: variáveis alcançadas por muitos caminhos não foram todas expandidas");
    if (analysis.Incomplete()) Report(err, file, "memória insuficiente: a análise ficou incompleta");
    if (analysis.HasConflict()) {
        Report(err, file, msg::DependencyConflict);
        return kExitCheckFailed;
    }
    // An analysis cut short by memory cannot vouch for the base.
    return analysis.Incomplete() ? kExitIncomplete : kExitOk;
}

}  // namespace quorvel::cli
