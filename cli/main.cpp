// quorvel-cli: the headless tool. Each subcommand lives in its own Cmd*.cpp;
// this file only describes the command line and runs the chosen one.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <new>

#include "CliCommon.h"
#include "CliParse.h"
#include "CmdBuild.h"
#include "CmdCodes.h"
#include "CmdConsult.h"
#include "CmdDeps.h"
#include "CmdDump.h"
#include "CmdLint.h"
#include "CmdReport.h"
#include "CmdTest.h"
#include "CmdText.h"
#include "ExSystem.h"
#include "Password.h"

namespace {

using namespace quorvel::cli;

// What the chosen subcommand does once the command line has been parsed.
using TAction = std::function<int()>;

const char* const kBaseHelp = "Arquivo da base (.bcm; - para a entrada padrão)";

// --password-file, and the old --password; the environment and the terminal come after them.
std::shared_ptr<TPasswordArgs> AddPasswordOptions(CLI::App* command) {
    auto args = std::make_shared<TPasswordArgs>();
    command
        ->add_option("--password-file", args->File,
                     "Lê a senha da primeira linha de ARQUIVO (- para a entrada padrão); sem ela, a variável " +
                         std::string(kPasswordVariable) + " ou uma pergunta no terminal")
        ->type_name("ARQUIVO");
    command->add_option("--password", args->Given, "Obsoleto: a senha fica visível a todos; use --password-file")
        ->type_name("SENHA");
    return args;
}

// Runs `run` with the password decided first.
template <class Options>
TAction WithPassword(std::shared_ptr<TPasswordArgs> args, std::shared_ptr<Options> options,
                     std::function<int(const Options&)> run) {
    return [args, options, run] {
        const int status = ResolvePassword(*args, options->Password, std::cerr);
        return status != kExitOk ? status : run(*options);
    };
}

void AddDump(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TDumpOptions>();
    CLI::App* command = app.add_subcommand("dump", "Mostra a base como um documento JSON na saída padrão");
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    command->add_flag("--with-password", options->WithPassword,
                      "Inclui a senha embaralhada no documento (só com acesso total)");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TDumpOptions>(password, options,
                                            [](const TDumpOptions& o) { return RunDump(o, std::cout, std::cerr); });
    });
}

void AddBuild(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TBuildOptions>();
    CLI::App* command = app.add_subcommand(
        "build", "Compila o texto de uma base (.bct) ou um documento JSON e grava a base (o inverso de text e dump)");
    command
        ->add_option("source", options->SourceFile,
                     "Texto da base (.bct) ou documento JSON (- para um documento JSON na entrada padrão)")
        ->required()
        ->type_name("FONTE");
    command->add_option("-o,--output", options->Output, "Arquivo da base a gravar (.bcm; - para a saída padrão)")
        ->required()
        ->type_name("ARQUIVO");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TBuildOptions>(password, options,
                                             [](const TBuildOptions& o) { return RunBuild(o, std::cout, std::cerr); });
    });
}

void AddText(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TTextOptions>();
    CLI::App* command =
        app.add_subcommand("text", "Escreve a base como texto legível (.bct), que build compila de volta");
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    command->add_option("-o,--output", options->Output, "Arquivo de texto a gravar (sem ele, ou -: a saída padrão)")
        ->type_name("ARQUIVO");
    command->add_flag("--with-password,--incluir-senha", options->IncludePassword,
                      "Escreve também a senha da base no texto (exige acesso total)");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TTextOptions>(password, options,
                                            [](const TTextOptions& o) { return RunText(o, std::cout, std::cerr); });
    });
}

void AddConsult(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TConsultOptions>();
    CLI::App* command = app.add_subcommand("consult", "Consulta a base no terminal, ou com as respostas de um arquivo");
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    command
        ->add_option("--answers", options->AnswersFile,
                     "Arquivo de respostas: uma linha \"variável = resposta\" por pergunta (- para a entrada padrão)")
        ->type_name("ARQUIVO");
    command->add_flag("--json", options->Json, "Escreve perguntas, resultados e árvore como um documento JSON");
    command->add_flag("--tree,--arvore", options->Tree, "Mostra a árvore de raciocínio no fim da consulta");
    command->add_flag("--stats,--estatisticas", options->Stats,
                      "Mostra na saída de erros o que a consulta custou (regras, premissas, perguntas, tempo)");
    command->add_flag("--how", options->How,
                      "Depois dos resultados, mostra como cada valor chegou ao seu grau de confiança (Como?)");
    command->add_option("--why-not", options->WhyNot,
                        "VARIÁVEL=VALOR: diz, no fim, por que o valor não foi concluído (Por que não?)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TConsultOptions>(
            password, options, [](const TConsultOptions& o) { return RunConsult(o, std::cin, std::cout, std::cerr); });
    });
}

void AddReportCommand(CLI::App& app, TAction& action, const char* name, const char* description,
                      int (*run)(const TReportOptions&, std::ostream&, std::ostream&)) {
    auto options = std::make_shared<TReportOptions>();
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    command->add_option("-o,--output", options->Output, "Arquivo texto a gravar (sem ele, ou -: a saída padrão)")
        ->type_name("ARQUIVO");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password, run] {
        action = WithPassword<TReportOptions>(password, options,
                                              [run](const TReportOptions& o) { return run(o, std::cout, std::cerr); });
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
    CLI::App* command = app.add_subcommand(
        "deps", "Mostra as árvores de dependências dos objetivos; status 1 quando há dependência circular");
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TDepsOptions>(password, options,
                                            [](const TDepsOptions& o) { return RunDeps(o, std::cout, std::cerr); });
    });
}

void AddLint(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TLintOptions>();
    CLI::App* command = app.add_subcommand(
        "lint", "Verifica a base sem consultá-la; status 1 quando há erro, 0 com avisos somente");
    command->add_option("base", options->BaseFile, "Arquivo da base (.bcm) ou seu texto (.bct); - para a entrada padrão")
        ->required()
        ->type_name("BASE");
    command->add_flag("--json", options->Json, "Escreve as constatações como um documento JSON");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TLintOptions>(password, options,
                                            [](const TLintOptions& o) { return RunLint(o, std::cout, std::cerr); });
    });
}

void AddTest(CLI::App& app, TAction& action) {
    auto options = std::make_shared<TTestOptions>();
    CLI::App* command = app.add_subcommand(
        "test", "Roda os casos de teste contra a base e mostra a cobertura das regras; status 1 quando um caso falha");
    command->add_option("base", options->BaseFile, kBaseHelp)->required()->type_name("BASE");
    command->add_option("casos", options->CaseFiles, "Arquivos de casos (.caso)")->required()->type_name("CASO");
    command->add_option("--junit", options->JUnitFile, "Grava também os resultados em JUnit XML")
        ->type_name("ARQUIVO");
    command->add_flag("--json", options->Json, "Escreve os resultados e a cobertura como um documento JSON");
    auto password = AddPasswordOptions(command);
    command->callback([&action, options, password] {
        action = WithPassword<TTestOptions>(password, options,
                                            [](const TTestOptions& o) { return RunTest(o, std::cout, std::cerr); });
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
    SetTerminalPromptEnabled(true);
    CLI::App app{"Quorvel: ferramenta de linha de comando para bases de conhecimento", "quorvel-cli"};
    SetUpPortuguese(app);
    app.require_subcommand(1);
    TAction action;
    AddDump(app, action);
    AddBuild(app, action);
    AddText(app, action);
    AddConsult(app, action);
    AddReport(app, action);
    AddCodes(app, action);
    AddDeps(app, action);
    AddLint(app, action);
    AddTest(app, action);
    FinishPortuguese(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return ParseErrorStatus(error);
    }
    return action ? RunGuarded(action) : kExitUsage;
}
