// Where the program's shared data is: the tips file and the example bases.
// An installed program finds it in share/quorvel/ of its installation, or of
// any XDG data folder; a program run from its build folder finds the tips
// beside itself and the examples in the build's examples/ folder.
#pragma once

#include <QString>
#include <QStringList>

// The folders looked in, in order, for a program in `programFolder`.
QStringList DataFolders(const QString& programFolder);
QStringList DataFolders();

// The first file or folder called `name` in `folders`; empty when none has it.
QString FindDataFile(const QString& name, const QStringList& folders = DataFolders());

// The example bases' folder; empty when there is none.
QString ExamplesFolder();
