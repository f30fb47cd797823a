// The two commands of the File menu's "&Exportar": the base's report as a
// text file ("&Base de Conhecimento...") and the listing of its internal
// codes ("&Códigos..."). Text files are UTF-8 with the platform's line ends.
#pragma once

#include <QString>
#include <memory>

#include "ExReport.h"

class QFileDialog;
class QWidget;

// Each command asks for the file in `dialog` (the main window's
// dialogExport; null: a dialog of the same kind is made), opening it in
// `workingFolder` and proposing the base's file name with ".txt". Confirmed,
// it writes the file and `workingFolder` becomes the chosen file's folder,
// also when the file cannot be written (the user is then told why).
// Cancelled, nothing is written and `workingFolder` stays. True when the
// file was written. Nothing is exported from a base that may only be executed.
bool ExportBase(QWidget* parent, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
                const QString& currentFile, QFileDialog* dialog = nullptr);
bool ExportCodes(QWidget* parent, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
                 const QString& currentFile, QFileDialog* dialog = nullptr);

// The dialog in which both commands ask for the file: "Exportar base de
// conhecimento", text files, asking before overwriting.
std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* parent);

// The writing half of both commands, for a file already chosen.
bool ExportReportTo(QWidget* parent, quorvel::TReportKind kind, quorvel::TExpertSystem& expertSystem,
                    QString& workingFolder, const QString& currentFile, const QString& fileName);
