// The print dialog of the platform (printer, copies, pages, print to PDF)
// with a button to the print preview, in front of the print of a report.
#pragma once

#include <QPrintDialog>

#include "ExReport.h"

class QPrinter;
class QPushButton;
class QWidget;

class TdialogPrintSetup : public QPrintDialog {
    Q_OBJECT

public:
    // What exec() returns when the user asked for the preview.
    static constexpr int kPreview = 2;

    TdialogPrintSetup(QPrinter* printer, QWidget* parent);
    QPushButton* btnPreview = nullptr;
};

// Shows the print dialog over `printer` and prints the report as chosen, or
// shows the preview (from which it may be printed too). True when printed.
bool PrintWithDialog(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                     quorvel::TExpertSystem& expertSystem, const QString& currentFile);

// The preview of the report on `printer`'s pages; its print button prints it.
// True when it was printed from there.
bool PreviewReport(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                   quorvel::TExpertSystem& expertSystem, const QString& currentFile);

// The print command: the print dialog (printer, copies, pages, print to PDF,
// and a preview), then the report. When no printer is installed the user may
// save it as a PDF file instead (the file dialog opens in `folder`, proposing
// the base's name). True when printed.
bool PrintBase(QWidget* parent, quorvel::TExpertSystem& expertSystem, const QString& currentFile,
               const QString& folder = QString());
