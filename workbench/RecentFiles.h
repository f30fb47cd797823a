// The four most recently used bases, kept in the "Arquivos" section of the
// settings file as full paths, most recent first. Paths keep their case: on
// a case-sensitive file system an upper-cased path names another file.
#pragma once

#include <QString>
#include <QStringList>

#include "IniFile.h"

namespace quorvel::gui {

// Moves the current file (empty for a base never saved) to the top of the list.
void UpdateRecentFiles(TIniFile& ini, const QString& currentFile);
// The non-empty entries "1" ... "4", in order.
QStringList RecentFileEntries(const TIniFile& ini);

}  // namespace quorvel::gui
