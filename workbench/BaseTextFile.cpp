#include "BaseTextFile.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CodeRows.h"
#include "DialogStacking.h"
#include "ExReport.h"
#include "ExText.h"

namespace quorvel::gui {

namespace {

const QString kBinaryFilter = QStringLiteral("Bases de Conhecimento (*.bcm)");
const QString kTextFilter = QStringLiteral("Bases em texto (*.bct)");
const QString kAllFilter = QStringLiteral("Todos os arquivos (*)");

std::string FileSystemName(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

bool IsBaseTextPath(const QString& path) { return IsBaseTextFileName(path.toStdString()); }

void SetOpenBaseFilters(QFileDialog* dialog) {
    dialog->setNameFilters({QStringLiteral("Bases de Conhecimento (*.bcm *.bct)"), kBinaryFilter, kTextFilter,
                            kAllFilter});
}

void SetSaveBaseFilters(QFileDialog* dialog) {
    dialog->setNameFilters({kBinaryFilter, kTextFilter, kAllFilter});
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter == kTextFilter ? QStringLiteral("bct") : QStringLiteral("bcm"));
    });
}

bool CompileBaseText(QWidget* parent, IMessageSink& sink, const QString& path, std::vector<uint8_t>& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        sink.ShowMessage(TMsgKind::Error, TMsgButtons::Ok,
                         QStringLiteral("Não foi possível ler o arquivo %1.").arg(path).toStdString());
        return false;
    }
    const QByteArray text = file.readAll();
    TExpertSystem compiled(&sink);
    std::vector<TBaseTextError> errors;
    if (!ReadBaseText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), compiled, errors)) {
        TdialogTextErrors dialog(QFileInfo(path).fileName(), errors, parent);
        quorvel::gui::ExecModal(dialog);
        return false;
    }
    if (!compiled.SaveBytes(bytes)) {
        sink.ShowMessage(TMsgKind::Error, TMsgButtons::Ok, "A base do texto não cabe num arquivo: " +
                                                               compiled.LastSaveError());
        return false;
    }
    return true;
}

TSaveOutcome SaveBaseFile(TExpertSystem& engine, IMessageSink& sink, const QString& path, std::string& error) {
    if (!IsBaseTextPath(path)) {
        if (engine.Save(FileSystemName(path))) return TSaveOutcome::Saved;
        error = engine.LastSaveError();
        return TSaveOutcome::Failed;
    }
    TBaseTextWriteOptions options;
    if (!engine.PasswordBlock.Password.empty()) {
        const TMsgResult answer = sink.ShowMessage(
            TMsgKind::Confirmation, TMsgButtons::YesNoCancel,
            "A base tem senha. Gravar a senha no texto? Sem ela, o texto só vira uma base de novo quando a senha "
            "for informada ao compilá-lo.");
        if (answer == TMsgResult::Cancel) return TSaveOutcome::Cancelled;
        options.IncludePassword = answer == TMsgResult::Yes;
    }
    const std::string text = WriteBaseText(engine, options);
    return WriteTextFile(FileSystemName(path), BaseTextLines(text), error) ? TSaveOutcome::Saved : TSaveOutcome::Failed;
}

}  // namespace quorvel::gui

TdialogTextErrors::TdialogTextErrors(const QString& fileName, const std::vector<quorvel::TBaseTextError>& errors,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dialogTextErrors"));
    setWindowTitle(QStringLiteral("Erros no texto da base"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    labelSummary = new QLabel(
        QStringLiteral("O texto %1 não pôde ser aberto: %2 erro(s).").arg(fileName).arg(errors.size()), this);
    labelSummary->setObjectName(QStringLiteral("labelSummary"));
    layout->addWidget(labelSummary);
    // Each row carries the line of its error.
    std::vector<TCodeRows::TRow> rows;
    rows.reserve(errors.size());
    for (const auto& error : errors)
        rows.push_back({QStringLiteral("linha %1, coluna %2: %3")
                            .arg(error.Line)
                            .arg(error.Column)
                            .arg(QString::fromStdString(error.Message)),
                        static_cast<int32_t>(error.Line)});
    listErrors = new TCodeList(false, this);
    listErrors->setObjectName(QStringLiteral("listErrors"));
    listErrors->Rows().Assign(std::move(rows));
    if (listErrors->count() > 0) listErrors->setCurrentRow(0);
    layout->addWidget(listErrors);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(OKBtn, 0, Qt::AlignRight);
    resize(560, 300);
}
