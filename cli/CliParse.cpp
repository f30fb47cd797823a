#include "CliParse.h"

#include <regex>

#include "CliCommon.h"
#include "ExVersion.h"

namespace quorvel::cli {

namespace {

// CLI11's own texts and what the user reads instead; $1 and $2 are the
// names and values CLI11 puts in them.
struct TTranslation {
    const char* English;  // a regular expression over the whole message
    const char* Portuguese;
};

const TTranslation kTranslations[] = {
    {"A subcommand is required", "falta o comando"},
    {"(.*) is required", "falta $1"},
    {"The following arguments? (?:was|were) not expected: (.*)", "argumento inesperado: $1"},
    {"(.*) requires (.*)", "$1 exige $2"},
    {"(.*) excludes (.*)", "$1 não pode ser usado com $2"},
    {"(\\S+): \\d+ required \\S* missing", "$1 precisa de um valor"},
    {"Expected exactly \\d+ arguments? to (\\S+), got \\d+", "$1 precisa de um valor"},
    {"Expected at least \\d+ arguments? to (\\S+), got \\d+", "$1 precisa de um valor"},
    {"(\\S+): too many inputs for a flag", "$1 não aceita valor"},
    {"(\\S+): Should be true/false or a number", "$1 não aceita valor"},
    {"(.*) was given a disallowed flag override", "$1 não aceita valor"},
    {"The value (.*) is not an allowed value for (.*)", "o valor $1 não é permitido em $2"},
    {"Could not convert: (.*)", "valor inválido: $1"},
    {"(\\S+): At Most \\d+ required but received \\d+", "$1 foi dado mais vezes do que aceita"},
    {"(\\S+): At least \\d+ required but received \\d+", "$1 precisa de mais valores"},
};

const std::pair<const char*, const char*> kLabels[] = {
    {"Usage", "Uso"},
    {"OPTIONS", "OPÇÕES"},
    {"SUBCOMMAND", "COMANDO"},
    {"SUBCOMMANDS", "COMANDOS"},
    {"REQUIRED", "OBRIGATÓRIO"},
    {"Positionals", "Argumentos"},
    {"TEXT", "TEXTO"},
    {"Env", "Variável"},
    {"Needs", "Exige"},
    {"Excludes", "Exclui"},
};

}  // namespace

std::string PortugueseParseError(const CLI::Error& error) {
    const std::string english = error.what();
    for (const TTranslation& translation : kTranslations) {
        const std::regex pattern(translation.English);
        if (std::regex_match(english, pattern)) return std::regex_replace(english, pattern, translation.Portuguese);
    }
    return "linha de comando inválida (" + english + ")";
}

void SetUpPortuguese(CLI::App& app) {
    auto formatter = std::make_shared<CLI::Formatter>();
    for (const auto& [key, label] : kLabels) formatter->label(key, label);
    formatter->column_width(34);
    app.formatter(formatter);
    app.option_defaults()->group("Opções");
    app.group("Comandos");
    // Made again so that they take the Portuguese group and texts.
    app.set_help_flag("-h,--help", "Mostra esta ajuda e termina");
    app.set_version_flag("--version", std::string("quorvel-cli ") + kVersion, "Mostra a versão e termina");
    app.footer(ExitStatusHelp());
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return "quorvel-cli: " + PortugueseParseError(error) + "\nUse --help para ver as opções.\n";
    });
}

void FinishPortuguese(CLI::App& app) {
    for (CLI::App* command : app.get_subcommands({})) command->set_help_flag("-h,--help", "Mostra esta ajuda e termina");
}

int ParseErrorStatus(const CLI::ParseError& error) {
    return error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success) ? kExitOk : kExitUsage;
}

}  // namespace quorvel::cli
