#include "DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUORVEL_DATA_FROM_PROGRAM
#define QUORVEL_DATA_FROM_PROGRAM "../share/quorvel"
#endif

QStringList DataFolders(const QString& programFolder) {
    const QDir program(programFolder);
    QStringList folders = {program.absolutePath(), QDir::cleanPath(program.filePath(QStringLiteral(QUORVEL_DATA_FROM_PROGRAM))),
                           QDir::cleanPath(program.filePath(QStringLiteral("..")))};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(QStringLiteral("quorvel"));
    folders.removeDuplicates();
    return folders;
}

QStringList DataFolders() { return DataFolders(QCoreApplication::applicationDirPath()); }

QString FindDataFile(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo::exists(path)) return path;
    }
    return QString();
}

QString ExamplesFolder() {
    const QString folder = FindDataFile(QStringLiteral("examples"));
    return QFileInfo(folder).isDir() ? folder : QString();
}
