// The workbench's command line: "--help" and "--version" in Portuguese, and
// the knowledge base to open.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class TCommandLine {
public:
    TCommandLine();

    // Reads the arguments (the program's name first, Qt's own options already
    // taken out). False for a command line that makes no sense (ErrorText).
    bool Parse(const QStringList& arguments);

    bool HelpRequested() const { return parser_.isSet(help_); }
    bool VersionRequested() const { return parser_.isSet(version_); }
    // The base named on the command line, empty when none.
    QString BaseName() const;

    QString HelpText() const;
    static QString VersionText();
    // Why the command line was refused, with a pointer to --help.
    QString ErrorText() const;

    // Whether these arguments ask only for the help or the version, so that
    // they can be answered before any window (or display) exists.
    static bool AsksForTextOnly(const QStringList& arguments);

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};
