// quorvel-cli: the headless tool.
#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
    CLI::App app{"Quorvel: ferramenta de linha de comando para bases de conhecimento"};
    app.require_subcommand(1);
    CLI11_PARSE(app, argc, argv);
    return 0;
}
