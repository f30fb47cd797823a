// The help layer: help files are HTML pages shown in our own viewer, with
// contents, a keyword search and topics by context number (an element whose
// id is the number). The program's own manual stands for "QUORVEL.HLP".
#pragma once

#include <QString>

class QWidget;

namespace quorvel::gui {

// The program's manual (the installed HTML manual), or empty when missing.
QString ProgramHelpFile();
// A base's help file: as stored, then beside the base, then with .html/.htm
// in place of .hlp. Empty when none is found.
QString ResolveBaseHelpFile(const QString& storedName, const QString& baseFile);

// Each returns false (after telling the user) when the file cannot be shown.
bool ShowHelpContents(QWidget* parent, const QString& helpFile);
bool ShowHelpContext(QWidget* parent, const QString& helpFile, int context);
bool ShowHelpSearch(QWidget* parent, const QString& helpFile);
bool ShowHelpOnHelp(QWidget* parent);

}  // namespace quorvel::gui
