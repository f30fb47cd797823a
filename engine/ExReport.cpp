#include "ExReport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <system_error>

#include "ExConsultTree.h"
#include "ExSysError.h"
#include "ExText.h"

namespace quorvel {

namespace {

// Writes the lines of one report and remembers why it stopped.
class TReportWriter {
public:
    explicit TReportWriter(IReportOutput& out) : out_(out) {}

    // False once the report has stopped.
    bool Going() const { return status_ == TReportStatus::Done; }
    TReportStatus Status() const { return status_; }

    void Line(const std::string& line) {
        if (Going() && !out_.WriteLine(line)) status_ = TReportStatus::WriteFailed;
    }
    // A line built from a base text.
    void BaseLine(std::string_view prefix, std::string_view baseText) {
        if (Going()) Line(std::string(prefix) + Cp1252ToUtf8(baseText));
    }
    void Ruled() { Line(std::string(kReportRuledLine)); }
    void Empty() { Line(std::string()); }

    // Lets the host handle its events; false when the report is to stop.
    bool Poll() {
        if (Going() && out_.CancelRequested()) status_ = TReportStatus::Cancelled;
        return Going();
    }

private:
    IReportOutput& out_;
    TReportStatus status_ = TReportStatus::Done;
};

// The general information: lines 2 to 16 of the base report, the inference
// settings only when `withInference`.
void WriteAbout(TReportWriter& w, TExpertSystem& engine, const std::string& currentFile, bool withInference) {
    w.Line("SOBRE O SISTEMA ESPECIALISTA");
    w.BaseLine("  -- Nome:    ", engine.BaseName);
    w.BaseLine("  -- Autores: ", engine.Authors);
    if (!engine.OpeningText.empty()) {
        w.Line("  -- Resumo:");
        for (const std::string& line : engine.OpeningText) w.BaseLine("     ", line);
    }
    w.Empty();
    if (withInference) {
        const std::pair<const TCnfFormula*, const char*> formulas[] = {
            {&engine.AndFormula, "Fórmula para cálculo de confiança na conjunção: "},
            {&engine.OrFormula, "Fórmula para cálculo de confiança na disjunção: "},
            {&engine.ConclusionFormula, "Fórmula para cálculo de confiança na conclusão: "},
        };
        for (const auto& [formula, title] : formulas)
            if (!formula->UseDefault) w.BaseLine(title, formula->Text);
        w.Line(std::string("Operador de maior precedência: ") + (engine.Precedence == 0 ? "conjunção" : "disjunção"));
        w.Line("Fator de confiança mínimo para aceitação de regra: " +
               std::to_string(std::lround(static_cast<double>(engine.MinimumCnf) * 100.0)));
        if (engine.EvaluateAllPremises) w.Line("As premissas devem ser avaliadas por completo.");
        w.Empty();
    }
    w.Line("SOBRE OS ARQUIVOS");
    w.Line("  Arquivo original: " + currentFile);
    if (engine.HelpFile.empty())
        w.Line("  O sistema não possui recursos de ajuda.");
    else
        w.BaseLine("  Arquivo de ajuda: ", engine.HelpFile);
    w.Ruled();
    w.Empty();
}

void WriteCredits(TReportWriter& w) {
    w.Line(kReportGeneratedBy);
    for (const char* line : kReportCredits) w.Line(line);
}

// Each variable's value records in their Position order (equal positions in
// the order they were entered).
std::map<int32_t, std::vector<const TValNode*>> ValuesByVariable(TExpertSystem& engine) {
    std::map<int32_t, std::vector<const TValNode*>> values;
    for (const TNode* node : engine.Values().Records(kKeyThird)) {
        const auto* value = static_cast<const TValNode*>(node);
        values[value->VarCode].push_back(value);
    }
    for (auto& [varCode, list] : values)
        std::stable_sort(list.begin(), list.end(),
                         [](const TValNode* a, const TValNode* b) { return a->Position < b->Position; });
    return values;
}

void WriteVariables(TReportWriter& w, TExpertSystem& engine) {
    w.Line("VARIÁVEIS");
    w.Empty();
    const auto values = ValuesByVariable(engine);
    for (const TNode* node : engine.Vars().Records(kKeyName)) {
        if (!w.Poll()) return;
        const auto* var = static_cast<const TVarNode*>(node);
        w.BaseLine("  ", var->Name);
        const auto own = values.find(var->Code);
        if (own != values.end()) {
            w.Line("    Valores:");
            for (const TValNode* value : own->second) w.BaseLine("      ", value->Name);
        }
        w.Line("    Tipo:");
        w.Line(var->Multivalued ? "      multivalorada" : var->Numeric ? "      numérica" : "      univalorada");
    }
    w.Empty();
}

void WriteTargets(TReportWriter& w, TExpertSystem& engine) {
    w.Line("OBJETIVOS");
    w.Empty();
    for (const TTargetNode& target : engine.Targets().Items()) {
        if (!w.Poll()) return;
        w.BaseLine("  ", engine.VarName(target.VarCode));
    }
    w.Empty();
}

// A premise's text after its lead ("SE ", a connector...): var op value,
// preceded by "NÃO " when negated.
std::string PremiseLine(TExpertSystem& engine, const TTailNode& premise) {
    return (premise.Negated ? "NÃO " : "") + Cp1252ToUtf8(PremiseText(engine, premise));
}

void WriteRule(TReportWriter& w, TExpertSystem& engine, const TValNode& rule) {
    w.Line("  Regra " + std::to_string(rule.VarCode));
    // The premises up to the one that closes them, as the engine reads them,
    // and never beyond the rule's own premises.
    const std::vector<TTailNode> premises = RulePremises(engine, rule.Code);
    for (std::size_t i = 0; i < premises.size(); ++i) {
        if (i == 0) {
            w.Line("    SE " + PremiseLine(engine, premises[i]));
        } else {
            w.Line("    " + Cp1252ToUtf8(engine.ConnectiveText(premises[i - 1].Connective)) +
                   PremiseLine(engine, premises[i]));
        }
        if (premises[i].Connective == kConnectiveThen) break;
    }
    const std::vector<THeadNode> conclusions = RuleConclusions(engine, rule.Code);
    for (std::size_t j = 0; j < conclusions.size(); ++j) {
        const THeadNode& c = conclusions[j];
        w.Line(std::string(j == 0 ? "    ENTÃO " : "          ") + Cp1252ToUtf8(engine.VarName(c.VarCode)) + " = " +
               Cp1252ToUtf8(engine.ValueTextOf(c.VarCode, c.ValueCode)) + " CNF " +
               CnfText(static_cast<double>(c.Cnf) * 100.0) + "%");
    }
    w.Empty();
}

void WriteRules(TReportWriter& w, TExpertSystem& engine) {
    w.Line("REGRAS");
    w.Empty();
    for (const TNode* node : engine.Rules().Records(kKeyThird)) {
        if (!w.Poll()) return;
        WriteRule(w, engine, *static_cast<const TValNode*>(node));
    }
}

void WriteQuestions(TReportWriter& w, TExpertSystem& engine) {
    w.Line("PERGUNTAS");
    w.Empty();
    TQuestions& questions = engine.Questions();
    for (const TNode* node : engine.Vars().Records(kKeyName)) {
        if (!questions.Find(node->Code)) continue;
        if (!w.Poll()) return;
        const TQuestionNode& question = *questions.CurrentQuestion();
        w.BaseLine("  Variável:", static_cast<const TVarNode*>(node)->Name);
        w.Line("     Pergunta:\"" + Cp1252ToUtf8(question.Text) + "\"");
        for (std::size_t i = 0; i < question.Reasons.size(); ++i)
            w.Line((i == 0 ? "     Motivo:\"" : "            \"") + Cp1252ToUtf8(question.Reasons[i]));
    }
    w.Empty();
}

// One listing of the codes report: its title, an empty line, one line per
// record with the fields joined by ", ", an empty line.
template <class TRecord, class TFields>
void WriteListing(TReportWriter& w, const char* title, const std::vector<TNode*>& records, TFields fields) {
    if (!w.Poll()) return;
    w.Line(title);
    w.Empty();
    for (const TNode* node : records) {
        const std::vector<std::string> parts = fields(*static_cast<const TRecord*>(node));
        std::string line;
        for (std::size_t i = 0; i < parts.size(); ++i) line += (i == 0 ? "" : ", ") + parts[i];
        w.Line(line);
    }
    w.Empty();
}

std::string Number(int32_t value) { return std::to_string(value); }

}  // namespace

TReportStatus WriteBaseReport(TExpertSystem& engine, const std::string& currentFile, IReportOutput& out) {
    if (!engine.RulesMayBeShown()) return TReportStatus::NotAllowed;
    TSavedCursors keep(engine);
    TReportWriter w(out);
    w.Ruled();
    WriteAbout(w, engine, currentFile, true);
    if (w.Poll()) WriteVariables(w, engine);
    if (w.Going()) WriteTargets(w, engine);
    if (w.Going()) WriteRules(w, engine);
    if (w.Going()) WriteQuestions(w, engine);
    if (w.Going()) {
        w.Ruled();
        WriteCredits(w);
        w.Ruled();
    }
    return w.Status();
}

TReportStatus WriteCodesReport(TExpertSystem& engine, const std::string& currentFile, IReportOutput& out) {
    if (!engine.RulesMayBeShown()) return TReportStatus::NotAllowed;
    TSavedCursors keep(engine);
    TReportWriter w(out);
    w.Ruled();
    w.Line("CÓDIGOS INTERNOS DE BASE DE CONHECIMENTO");
    WriteAbout(w, engine, currentFile, false);

    const auto name = [](const TNamedNode& n) { return Cp1252ToUtf8(n.Name); };
    TVars& vars = engine.Vars();
    WriteListing<TVarNode>(w, "Variáveis - CÓDIGO, NOME", vars.Records(kKeyCode), [&](const TVarNode& v) {
        return std::vector<std::string>{Number(v.Code), name(v)};
    });
    WriteListing<TVarNode>(w, "Variáveis - NOME, CÓDIGO", vars.Records(kKeyName), [&](const TVarNode& v) {
        return std::vector<std::string>{name(v), Number(v.Code)};
    });

    TValues& values = engine.Values();
    WriteListing<TValNode>(
        w, "Valores - CÓDIGO, NOME, CÓDIGO DA VARIÁVEL, POSIÇÃO", values.Records(kKeyCode), [&](const TValNode& v) {
            return std::vector<std::string>{Number(v.Code), name(v), Number(v.VarCode), Number(v.Position)};
        });
    WriteListing<TValNode>(
        w, "Valores - NOME, CÓDIGO, CÓDIGO DA VARIÁVEL, POSIÇÃO", values.Records(kKeyName), [&](const TValNode& v) {
            return std::vector<std::string>{name(v), Number(v.Code), Number(v.VarCode), Number(v.Position)};
        });
    WriteListing<TValNode>(
        w, "Valores - CÓDIGO DA VARIÁVEL, CÓDIGO, NOME, POSIÇÃO", values.Records(kKeyThird), [&](const TValNode& v) {
            return std::vector<std::string>{Number(v.VarCode), Number(v.Code), name(v), Number(v.Position)};
        });

    // A rule keeps its number where a value keeps its variable's code.
    TRules& rules = engine.Rules();
    WriteListing<TValNode>(w, "Regras - POSIÇÃO, NOME, CÓDIGO", rules.Records(kKeyThird), [&](const TValNode& r) {
        return std::vector<std::string>{Number(r.VarCode), name(r), Number(r.Code)};
    });
    WriteListing<TValNode>(w, "Regras - CÓDIGO, NOME, POSIÇÃO", rules.Records(kKeyCode), [&](const TValNode& r) {
        return std::vector<std::string>{Number(r.Code), name(r), Number(r.VarCode)};
    });
    WriteListing<TValNode>(w, "Regras - NOME, CÓDIGO, POSIÇÃO", rules.Records(kKeyName), [&](const TValNode& r) {
        return std::vector<std::string>{name(r), Number(r.Code), Number(r.VarCode)};
    });

    w.Ruled();
    WriteCredits(w);
    w.Empty();
    w.Line("           Utilize esses códigos na programação");
    w.Line("           de front-ends com a Quorvel VCL");
    w.Ruled();
    return w.Status();
}

TReportStatus WriteReport(TReportKind kind, TExpertSystem& engine, const std::string& currentFile, IReportOutput& out) {
    return kind == TReportKind::Base ? WriteBaseReport(engine, currentFile, out)
                                     : WriteCodesReport(engine, currentFile, out);
}

std::string ProposedExportName(std::string_view currentFile, std::string_view extension) {
#ifdef _WIN32
    const auto slash = currentFile.find_last_of("/\\:");
#else
    const auto slash = currentFile.find_last_of('/');
#endif
    std::string name(slash == std::string_view::npos ? currentFile : currentFile.substr(slash + 1));
    if (name.size() >= 4 && AnsiUpperCase(std::string_view(name).substr(name.size() - 4)) == ".BCM")
        name.resize(name.size() - 4);
    if (!name.empty()) name += extension;
    return name;
}

bool WriteTextFile(const std::string& name, const std::vector<std::string>& lines, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(name);
    // Write where a symbolic link points, so the link itself stays.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::random_device seed;
    const fs::path temp =
        folder / (".quorvel-export-" + std::to_string(seed()) + "-" + target.filename().string() + ".tmp");

    const auto fail = [&](const std::string& reason) {
        error = "não foi possível gravar " + name + ": " + reason;
        fs::remove(temp, ec);
        return false;
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return fail(SystemErrorText(errno));
        for (const std::string& line : lines) {
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            out.write(kLineEnd.data(), static_cast<std::streamsize>(kLineEnd.size()));
        }
        out.flush();
        if (!out) return fail(SystemErrorText(errno ? errno : EIO));
    }
    // The new file keeps the permissions of the one it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);
    fs::rename(temp, target, ec);
    if (ec) return fail(SystemErrorText(ec));
    error.clear();
    return true;
}

TReportStatus WriteReportFile(TReportKind kind, TExpertSystem& engine, const std::string& currentFile,
                              const std::string& fileName, std::string& error) {
    TReportLines lines;
    const TReportStatus status = WriteReport(kind, engine, currentFile, lines);
    if (status == TReportStatus::NotAllowed) {
        error = kReportNotAllowed;
        return status;
    }
    if (status != TReportStatus::Done) return status;
    return WriteTextFile(fileName, lines.Lines, error) ? TReportStatus::Done : TReportStatus::WriteFailed;
}

}  // namespace quorvel
