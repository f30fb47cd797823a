#include "PrintSetup.h"

#include <QDialogButtonBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

#include "DialogStacking.h"
#include "ExSystem.h"
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
