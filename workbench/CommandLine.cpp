#include "CommandLine.h"

#include "ExVersion.h"

namespace {

const QString kBaseArgument = QStringLiteral(
    "A base de conhecimento a abrir. Um nome sem extensão é procurado\n"
    "                 como foi dado, depois com \".bcm\" e com \".BCM\".");

}  // namespace

TCommandLine::TCommandLine()
    : help_({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Mostra esta ajuda e termina.")),
      version_({QStringLiteral("v"), QStringLiteral("version")},
               QStringLiteral("Mostra a versão do Quorvel e termina.")) {
    parser_.setApplicationDescription(
        QStringLiteral("Quorvel: construção e consulta de sistemas especialistas baseados em regras."));
    parser_.addOption(help_);
    parser_.addOption(version_);
    parser_.addPositionalArgument(QStringLiteral("base"), kBaseArgument, QStringLiteral("[base]"));
}

bool TCommandLine::Parse(const QStringList& arguments) {
    if (!parser_.parse(arguments)) return false;
    if (parser_.positionalArguments().size() > 1 && !HelpRequested() && !VersionRequested()) return false;
    return true;
}

QString TCommandLine::BaseName() const { return parser_.positionalArguments().value(0); }

// Written here, not by the parser, so that every word is Portuguese whatever
// translations the system has.
QString TCommandLine::HelpText() const {
    return QStringLiteral(
        "Uso: quorvel [opções] [base]\n"
        "\n"
        "Quorvel: construção e consulta de sistemas especialistas baseados em regras.\n"
        "Abre a área de trabalho e, quando dada, a base de conhecimento.\n"
        "\n"
        "Opções:\n"
        "  -h, --help     %1\n"
        "  -v, --version  %2\n"
        "\n"
        "Argumentos:\n"
        "  base           %3\n")
        .arg(help_.description(), version_.description(), kBaseArgument);
}

QString TCommandLine::VersionText() { return QStringLiteral("Quorvel %1\n").arg(QLatin1String(quorvel::kVersion)); }

QString TCommandLine::ErrorText() const {
    const QString why = parser_.positionalArguments().size() > 1
                            ? QStringLiteral("Só uma base pode ser aberta de cada vez.")
                            : parser_.errorText();
    return QStringLiteral("quorvel: %1\nUse \"quorvel --help\" para ver as opções.\n").arg(why);
}

bool TCommandLine::AsksForTextOnly(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--")) break;
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help") ||
            argument == QLatin1String("-v") || argument == QLatin1String("--version"))
            return true;
    }
    return false;
}
