#include "Export.h"

#include <QFileDialog>
#include <QFileInfo>
#include <memory>

#include "ExSystem.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

using quorvel::TReportKind;
using quorvel::TReportStatus;

namespace {

void ShowError(QWidget* parent, const QString& text) {
    quorvel::gui::ShowMessage(parent, quorvel::TMsgKind::Error, quorvel::TMsgButtons::Ok, text);
}

bool Export(QWidget* parent, TReportKind kind, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
            const QString& currentFile, QFileDialog* dialog) {
    if (!expertSystem.RulesMayBeShown()) {
        ShowError(parent, QString::fromUtf8(quorvel::kReportNotAllowed));
        return false;
    }
    std::unique_ptr<QFileDialog> own;
    if (dialog == nullptr) {
        own = MakeExportDialog(parent);
        dialog = own.get();
    }
    if (!workingFolder.isEmpty() && QFileInfo(workingFolder).isDir()) dialog->setDirectory(workingFolder);
    dialog->selectFile(QString::fromStdString(quorvel::ProposedExportName(currentFile.toStdString())));
    if (quorvel::gui::ExecModal(*dialog) != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return false;
    return ExportReportTo(parent, kind, expertSystem, workingFolder, currentFile, dialog->selectedFiles().front());
}

}  // namespace

std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Exportar base de conhecimento"));
    dialog->setObjectName(QStringLiteral("dialogExport"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setNameFilters({QStringLiteral("Arquivos texto (*.txt)"), QStringLiteral("Todos os arquivos (*)")});
    return dialog;
}

bool ExportReportTo(QWidget* parent, TReportKind kind, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
                    const QString& currentFile, const QString& fileName) {
    std::string error;
    const TReportStatus status =
        quorvel::WriteReportFile(kind, expertSystem, currentFile.toStdString(), fileName.toStdString(), error);
    if (status == TReportStatus::NotAllowed) {
        ShowError(parent, QString::fromUtf8(quorvel::kReportNotAllowed));
        return false;
    }
    workingFolder = QFileInfo(fileName).absolutePath();
    if (status != TReportStatus::Done) {
        QString text = QString::fromStdString(error);
        if (!text.isEmpty()) text[0] = text[0].toUpper();
        ShowError(parent, text);
        return false;
    }
    return true;
}

bool ExportBase(QWidget* parent, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
                const QString& currentFile, QFileDialog* dialog) {
    return Export(parent, TReportKind::Base, expertSystem, workingFolder, currentFile, dialog);
}

bool ExportCodes(QWidget* parent, quorvel::TExpertSystem& expertSystem, QString& workingFolder,
                 const QString& currentFile, QFileDialog* dialog) {
    return Export(parent, TReportKind::Codes, expertSystem, workingFolder, currentFile, dialog);
}
