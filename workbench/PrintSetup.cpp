#include "PrintSetup.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include "DialogStacking.h"
#include "ExSystem.h"
#include "MessageBoxSink.h"
#include "PrintDlg.h"

TdialogPrintSetup::TdialogPrintSetup(QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent) {
    setObjectName(QStringLiteral("dialogPrintSetup"));
    setWindowTitle(QStringLiteral("Imprimir base de conhecimento"));
    setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
               QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    btnPreview = new QPushButton(QStringLiteral("&Visualizar..."), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    // Qt's own dialog has a button box to put the button in; a platform's
    // dialog without one simply offers no preview.
    if (auto* buttons = findChild<QDialogButtonBox*>())
        buttons->addButton(btnPreview, QDialogButtonBox::ActionRole);
    else
        btnPreview->hide();
    connect(btnPreview, &QPushButton::clicked, this, [this] { done(kPreview); });
}

bool PreviewReport(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                   quorvel::TExpertSystem& expertSystem, const QString& currentFile) {
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("dialogPrintPreview"));
    preview.setWindowTitle(QStringLiteral("Visualizar impressão"));
    bool printed = false;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
        printed = PaintReport(*target, kind, expertSystem, currentFile);
    });
    // The preview paints its pages too; only its print button closes it with Accepted.
    return quorvel::gui::ExecModal(preview) == QDialog::Accepted && printed;
}

bool PrintWithDialog(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                     quorvel::TExpertSystem& expertSystem, const QString& currentFile) {
    TdialogPrintSetup dialog(&printer, parent);
    switch (quorvel::gui::ExecModal(dialog)) {
        case QDialog::Accepted:
            return PrintReport(parent, printer, kind, expertSystem, currentFile) == quorvel::TReportStatus::Done;
        case TdialogPrintSetup::kPreview:
            return PreviewReport(parent, printer, kind, expertSystem, currentFile);
        default:
            return false;
    }
}

bool PrintBase(QWidget* parent, quorvel::TExpertSystem& expertSystem, const QString& currentFile,
               const QString& folder) {
    if (!expertSystem.RulesMayBeShown()) {
        quorvel::gui::ShowMessage(parent, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok,
                                  QString::fromUtf8(quorvel::kReportNotAllowed));
        return false;
    }
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        // The print dialog starts on the default printer.
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(QString::fromUtf8(quorvel::kBaseReportJobTitle));
        return PrintWithDialog(parent, printer, quorvel::TReportKind::Base, expertSystem, currentFile);
    }

    // No printer: rather than failing in silence, offer a PDF file.
    if (quorvel::gui::ShowMessage(parent, quorvel::TMsgKind::Confirmation, quorvel::TMsgButtons::YesNo,
                                  QStringLiteral("Não há nenhuma impressora instalada. Deseja salvar a base de "
                                                 "conhecimento em um arquivo PDF?")) != quorvel::TMsgResult::Yes)
        return false;
    QFileDialog dialog(parent, QStringLiteral("Salvar como PDF"));
    dialog.setObjectName(QStringLiteral("dialogPdf"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.setNameFilters({QStringLiteral("Arquivos PDF (*.pdf)"), QStringLiteral("Todos os arquivos (*)")});
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    dialog.selectFile(QString::fromStdString(quorvel::ProposedExportName(currentFile.toStdString(), ".pdf")));
    if (quorvel::gui::ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dialog.selectedFiles().front());
    return PrintReport(parent, printer, quorvel::TReportKind::Base, expertSystem, currentFile) == quorvel::TReportStatus::Done;
}
