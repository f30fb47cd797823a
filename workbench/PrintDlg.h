// Printing a knowledge base: the progress dialog TdialogPrint ("Imprimindo")
// and the print of the report through QPrinter, as plain lines with page
// breaks. With no printer installed the print offers a PDF file instead.
#pragma once

#include <QDialog>
#include <QString>

#include "ExReport.h"

class QCloseEvent;
class QLabel;
class QPrinter;
class QPushButton;
class QWidget;

// The program's one cancel flag for printing: cleared when a print starts,
// set by the progress dialog's "Cancelar".
extern bool PrintCancelled;

class TdialogPrint : public QDialog {
    Q_OBJECT

public:
    explicit TdialogPrint(QWidget* parent = nullptr);
    // The second label: the printer's name, " em " and its port.
    void SetPrinter(const QString& name, const QString& port);

    QLabel* labelPrinting = nullptr;
    QLabel* labelPrinter = nullptr;
    QPushButton* btnCancel = nullptr;

    // Esc and closing the window cancel the print like the button; the
    // dialog stays until the print closes it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void btnCancelClick();
};

// Prints a report on `printer` (a printer or a PDF file, already chosen),
// showing the progress dialog meanwhile. The report is made first, and the
// printer gets nothing when it is cancelled; a PDF file is then removed. A
// printer or file that cannot be written is reported in an error box.
quorvel::TReportStatus PrintReport(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                                   quorvel::TExpertSystem& expertSystem, const QString& currentFile);

// Paints the whole report on `printer`'s pages, without the progress dialog
// (the print preview draws its pages so). False when the printer failed.
bool PaintReport(QPrinter& printer, quorvel::TReportKind kind, quorvel::TExpertSystem& expertSystem,
                 const QString& currentFile);

// The lines of a report laid out on pages: at most `columns` characters a
// line (longer lines wrap, at a blank when there is one) and `rows` lines a
// page.
std::vector<std::vector<QString>> PaginateReport(const std::vector<std::string>& lines, int columns, int rows);
