// quorvel-cli: the headless tool. Each subcommand lives in its own Cmd*.cpp;
// this file only describes the command line and runs the chosen one.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <new>

#include "CliCommon.h"
#include "CmdBuild.h"
#include "CmdCodes.h"
#include "CmdConsult.h"
#include "CmdDeps.h"
#include "CmdDump.h"
#include "CmdReport.h"
#include "CmdText.h"
#include "ExSystem.h"

namespace {

using namespace quorvel::cli;

// What the chosen subcommand does once the command line has been parsed.
using TAction = std::function<int()>;

void AddDump(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TDumpOptions>();
    auto password = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("dump", "Mostra a base como um documento JSON na saída padrão");
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm)")->required();
    CLI::Option* passwordOption =
        command->add_option("--password", *password, "Senha de acesso (sem ela: a entrada em branco)");
    command->callback([&action, options, password, passwordOption] {
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options] { return RunDump(*options, std::cout, std::cerr); };
    });
}

void AddBuild(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TBuildOptions>();
    auto password = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "build", "Compila o texto de uma base (.bct) ou um documento JSON e grava a base (o inverso de text e dump)");
    command->add_option("fonte", options->SourceFile, "Texto da base (.bct) ou documento JSON")->required();
    command->add_option("-o,--output", options->Output, "Arquivo da base a gravar (.bcm)")->required();
    CLI::Option* passwordOption = command->add_option(
        "--password", *password, "Senha de uma base protegida cujo texto não traz a SENHA (só para .bct)");
    command->callback([&action, options, password, passwordOption] {
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options] { return RunBuild(*options, std::cout, std::cerr); };
    });
}

void AddText(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TTextOptions>();
    auto password = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("text", "Escreve a base como texto legível (.bct), que build compila de volta");
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm)")->required();
    command->add_option("-o,--output", options->Output, "Arquivo de texto a gravar (sem ele: a saída padrão)");
    CLI::Option* passwordOption =
        command->add_option("--password", *password, "Senha de acesso (sem ela: a entrada em branco)");
    command->add_flag("--incluir-senha", options->IncludePassword,
                      "Escreve também a senha da base no texto (exige acesso total)");
    command->callback([&action, options, password, passwordOption] {
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options] { return RunText(*options, std::cout, std::cerr); };
    });
}

void AddConsult(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TConsultOptions>();
    auto answers = std::make_shared<std::string>();
    auto password = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("consult", "Consulta a base no terminal, ou com as respostas de um arquivo");
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm)")->required();
    CLI::Option* answersOption =
        command->add_option("--answers", *answers, "Arquivo de respostas: uma linha \"variável = resposta\" por pergunta");
    CLI::Option* passwordOption =
        command->add_option("--password", *password, "Senha de acesso (sem ela: a entrada em branco)");
    command->add_flag("--json", options->Json, "Escreve perguntas, resultados e árvore como um documento JSON");
    command->add_flag("--arvore", options->Tree, "Mostra a árvore de raciocínio no fim da consulta");
    command->add_flag("--estatisticas", options->Stats,
                      "Mostra na saída de erros o que a consulta custou (regras, premissas, perguntas, tempo)");
    command->callback([&action, options, answers, password, answersOption, passwordOption] {
        if (answersOption->count() > 0) options->AnswersFile = *answers;
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options] { return RunConsult(*options, std::cin, std::cout, std::cerr); };
    });
}

void AddReportCommand(CLI::App& app, TAction& action, const char* name, const char* description,
                      int (*run)(const TReportOptions&, std::ostream&, std::ostream&)) {
    auto options = std::make_shared<TReportOptions>();
    auto password = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm)")->required();
    command->add_option("-o,--output", options->Output, "Arquivo texto a gravar (sem ele: a saída padrão)");
    CLI::Option* passwordOption =
        command->add_option("--password", *password, "Senha de acesso (sem ela: a entrada em branco)");
    command->callback([&action, options, password, passwordOption, run] {
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options, run] { return run(*options, std::cout, std::cerr); };
    });
}

void AddReport(CLI::App& app, TAction& action) {
    AddReportCommand(app, action, "report", "Escreve o relatório da base, como a impressão e a exportação", RunReport);
}

void AddCodes(CLI::App& app, TAction& action) {
    AddReportCommand(app, action, "codes", "Escreve os códigos internos da base (variáveis, valores e regras)",
                     RunCodes);
}

void AddDeps(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TDepsOptions>();
    auto password = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "deps", "Mostra as árvores de dependências dos objetivos; status 1 quando há dependência circular");
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm)")->required();
    CLI::Option* passwordOption =
        command->add_option("--password", *password, "Senha de acesso (sem ela: a entrada em branco)");
    command->callback([&action, options, password, passwordOption] {
        if (passwordOption->count() > 0) options->Password = *password;
        action = [options] { return RunDeps(*options, std::cout, std::cerr); };
    });
}

// Nothing the tool meets may end it by a signal: what escapes a command is
// told in a sentence and ends with kExitInternal.
int ReportInternal(const std::string& text) {
    std::cout.flush();
    Report(std::cerr, "erro interno", text);
    return kExitInternal;
}

int RunGuarded(const TAction& action) {
    try {
        return action();
    } catch (const std::bad_alloc&) {
        return ReportInternal("memória insuficiente para concluir o comando");
    } catch (const std::exception& error) {
        return ReportInternal(error.what());
    } catch (...) {
        return ReportInternal("falha inesperada");
    }
}

// An exception thrown where none may pass (a destructor, a noexcept call)
// would abort; it too gets its sentence and the same status.
[[noreturn]] void OnTerminate() {
    std::cerr << "quorvel-cli: erro interno: falha inesperada (término anormal)" << std::endl;
    std::_Exit(kExitInternal);
}

}  // namespace

int main(int argc, char** argv) {
    std::set_terminate(OnTerminate);
    quorvel::RaiseStackLimit(quorvel::kConsultationStack);
    CLI::App app{"Quorvel: ferramenta de linha de comando para bases de conhecimento"};
    app.require_subcommand(1);
    TAction action;
    AddDump(app, action);
    AddBuild(app, action);
    AddText(app, action);
    AddConsult(app, action);
    AddReport(app, action);
    AddCodes(app, action);
    AddDeps(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitOk : kExitUsage;
    }
    return action ? RunGuarded(action) : kExitUsage;
}
