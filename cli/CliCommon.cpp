#include "CliCommon.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "ExSysError.h"

namespace quorvel::cli {

namespace {

constexpr TExitStatus kExitStatusTable[] = {
    {kExitOk, "tudo certo"},
    {kExitCheckFailed, "uma verificação falhou (dependência circular, caso de teste, erro de lint)"},
    {kExitCannotOpen, "a entrada não pôde ser aberta, não é uma base, está danificada ou o acesso foi recusado"},
    {kExitEngineError, "a consulta terminou por um erro do motor de inferência"},
    {kExitAnswersProblem, "as respostas não servem às perguntas, ou acabaram antes do fim"},
    {kExitIncomplete, "a saída foi produzida, mas deixa de fora o que não pode mostrar"},
    {kExitInvalid, "a entrada foi lida, mas não é válida; nada foi gravado"},
    {kExitCannotWrite, "a saída não pôde ser gravada"},
    {kExitUsage, "linha de comando incorreta"},
    {kExitInternal, "falha interna (memória insuficiente, erro inesperado)"},
};

}  // namespace

std::span<const TExitStatus> ExitStatuses() { return kExitStatusTable; }

std::string ExitStatusHelp() {
    std::string text = "Status de saída:\n";
    for (const TExitStatus& status : kExitStatusTable) {
        const std::string number = std::to_string(status.Status);
        text += "  " + number + std::string(4 - number.size(), ' ') + status.Meaning + "\n";
    }
    return text;
}

std::string InputName(const std::string& name) { return IsStandardStream(name) ? "entrada padrão" : name; }

std::string OutputName(const std::string& name) { return IsStandardStream(name) ? "saída padrão" : name; }

TMsgResult TCollectingSink::ShowMessage(TMsgKind, TMsgButtons buttons, const std::string& text) {
    texts_.push_back(text);
    return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
}

std::string TCollectingSink::Joined() const {
    std::string all;
    for (const auto& text : texts_) {
        if (!all.empty()) all += '\n';
        all += text;
    }
    return all;
}

void WriteBlanks(std::ostream& out, std::size_t count) {
    static const std::string blanks(4096, ' ');
    for (; count > blanks.size(); count -= blanks.size()) out.write(blanks.data(), static_cast<std::streamsize>(blanks.size()));
    out.write(blanks.data(), static_cast<std::streamsize>(count));
}

void Report(std::ostream& err, const std::string& subject, const std::string& text) {
    err << "quorvel-cli: " << InputName(subject) << ": " << text << '\n';
}

std::optional<std::string> ReadFileText(const std::string& name, std::string& reason) {
    if (IsStandardStream(name)) {
        std::string text{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
        if (std::cin.bad()) {
            reason = "erro de leitura da entrada padrão";
            return std::nullopt;
        }
        return text;
    }
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) {
        reason = SystemErrorText(EISDIR);
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        reason = errno == ENOENT ? "arquivo não encontrado"
                                 : "não foi possível abrir o arquivo: " + SystemErrorText(errno ? errno : EACCES);
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        reason = "erro de leitura: " + SystemErrorText(errno ? errno : EIO);
        return std::nullopt;
    }
    return text;
}

}  // namespace quorvel::cli
