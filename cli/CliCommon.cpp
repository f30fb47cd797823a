#include "CliCommon.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace quorvel::cli {

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
    err << "quorvel-cli: " << subject << ": " << text << '\n';
}

std::optional<std::string> ReadFileText(const std::string& name, std::string& reason) {
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) {
        reason = "é uma pasta, não um arquivo";
        return std::nullopt;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        reason = std::filesystem::exists(name, error) ? "não foi possível abrir o arquivo (sem permissão de leitura?)"
                                                      : "arquivo não encontrado";
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        reason = "erro de leitura";
        return std::nullopt;
    }
    return text;
}

}  // namespace quorvel::cli
