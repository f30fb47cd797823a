// The two text reports of a knowledge base, line by line: the report of the
// whole base (printed, or exported as text) and the listing of its internal
// codes for programmers of front ends. The lines go to an IReportOutput: the
// workbench prints them, the export and the command-line tool write them to
// a text file.
//
// Report lines are UTF-8: the base's texts are converted as the lines are made.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ExSystem.h"

namespace quorvel {

// The ruled line that frames the reports: 80 hyphens.
inline constexpr std::string_view kReportRuledLine =
    "--------------------------------------------------------------------------------";
inline constexpr const char* kReportGeneratedBy = "Gerado com o Quorvel versão 1.1b";
// The credit lines of the reports' footers.
inline constexpr std::array<const char*, 3> kReportCredits = {
    "Quorvel, ambiente para construção e consulta de sistemas especialistas.",
    "Copyright (c) 2026 Equipe Quorvel. Todos os direitos reservados.",
    "Desenvolvido pela Equipe Quorvel.",
};

// Print-job titles.
inline constexpr const char* kBaseReportJobTitle = "Imprimindo base de conhecimento";
inline constexpr const char* kCodesReportJobTitle = "Imprimindo estrutura da base de conhecimento";

// The platform's line end, for text files.
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// Where the lines of a report go.
class IReportOutput {
public:
    virtual ~IReportOutput() = default;
    // One line (UTF-8, without its end). False when it could not be written:
    // the report stops there.
    virtual bool WriteLine(const std::string& line) = 0;
    // Called where the report lets the host handle its pending events (this
    // is when a Cancel click is seen); true stops the report there.
    virtual bool CancelRequested() { return false; }
};

// Keeps the lines in memory.
class TReportLines : public IReportOutput {
public:
    bool WriteLine(const std::string& line) override {
        Lines.push_back(line);
        return true;
    }
    std::vector<std::string> Lines;
};

enum class TReportStatus {
    Done,
    Cancelled,    // stopped by CancelRequested; the footer was not written
    WriteFailed,  // WriteLine failed
    NotAllowed,   // the base may only be executed (access level 2): nothing written
};

enum class TReportKind { Base, Codes };

// The report of the base: general information, variables, targets, rules,
// questions and the footer. `currentFile` is the base's file (UTF-8), empty
// for a base never saved. The engine's cursors are left as they were.
TReportStatus WriteBaseReport(TExpertSystem& engine, const std::string& currentFile, IReportOutput& out);

// The internal codes: the header, then variables, values and rules listed
// by each of their keys, and the footer.
TReportStatus WriteCodesReport(TExpertSystem& engine, const std::string& currentFile, IReportOutput& out);

TReportStatus WriteReport(TReportKind kind, TExpertSystem& engine, const std::string& currentFile, IReportOutput& out);

// The name the export dialogs propose for a base's file: its name without
// the folder, less a final ".bcm" in any letter case, plus `extension`; empty
// for a base never saved.
std::string ProposedExportName(std::string_view currentFile, std::string_view extension = ".txt");

// Writes the lines to a text file (UTF-8, each line ended by kLineEnd). The
// file is written beside its final place and renamed over it only when
// complete, so a failed write leaves an older file of that name intact; a
// file reached through a symbolic link is replaced where the link points.
// False with the reason (Portuguese) on failure.
bool WriteTextFile(const std::string& name, const std::vector<std::string>& lines, std::string& error);

// A report written to a text file: NotAllowed and WriteFailed carry the
// reason in `error`.
TReportStatus WriteReportFile(TReportKind kind, TExpertSystem& engine, const std::string& currentFile,
                              const std::string& fileName, std::string& error);

// Why a report is refused at access level 2 (UTF-8).
inline constexpr const char* kReportNotAllowed =
    "A permissão de uso desta base restringe o sistema especialista somente à execução: suas regras não podem "
    "ser impressas nem exportadas.";

}  // namespace quorvel
