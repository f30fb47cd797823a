#include "PrintDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ExSystem.h"
#include "MessageBoxSink.h"
#include "DialogStacking.h"

bool PrintCancelled = false;

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TReportStatus;

TdialogPrint::TdialogPrint(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialogPrint"));
    setWindowTitle(QStringLiteral("Imprimindo"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(300, 100);

    labelPrinting = new QLabel(QStringLiteral("Imprimindo na"), this);
    labelPrinting->setAlignment(Qt::AlignCenter);
    labelPrinter = new QLabel(this);
    labelPrinter->setAlignment(Qt::AlignCenter);
    labelPrinter->setTextFormat(Qt::PlainText);
    QFont bold = labelPrinter->font();
    bold.setBold(true);
    labelPrinter->setFont(bold);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelPrinting);
    layout->addWidget(labelPrinter);
    layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
    connect(btnCancel, &QPushButton::clicked, this, &TdialogPrint::btnCancelClick);
}

void TdialogPrint::SetPrinter(const QString& name, const QString& port) {
    labelPrinter->setText(port.isEmpty() ? name : name + QStringLiteral(" em ") + port);
}

void TdialogPrint::btnCancelClick() { PrintCancelled = true; }

void TdialogPrint::reject() { btnCancelClick(); }

void TdialogPrint::closeEvent(QCloseEvent* event) {
    btnCancelClick();
    event->ignore();
}

std::vector<std::vector<QString>> PaginateReport(const std::vector<std::string>& lines, int columns, int rows) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    std::vector<std::vector<QString>> pages(1);
    const auto put = [&](const QString& row) {
        if (static_cast<int>(pages.back().size()) == rows) pages.emplace_back();
        pages.back().push_back(row);
    };
    for (const std::string& line : lines) {
        QString rest = QString::fromUtf8(line);
        // A line too long for the page goes on over the next rows rather
        // than being cut at the margin.
        while (rest.size() > columns) {
            int cut = static_cast<int>(rest.lastIndexOf(QLatin1Char(' '), columns));
            if (cut <= 0 || rest.left(cut).trimmed().isEmpty()) cut = columns;
            put(rest.left(cut));
            rest = rest.mid(cut);
            if (rest.startsWith(QLatin1Char(' '))) rest.remove(0, 1);
        }
        put(rest);
    }
    return pages;
}

namespace {

// Collects the report's lines while letting the user's Cancel click through.
class TPrintLines : public quorvel::TReportLines {
public:
    bool CancelRequested() override {
        QCoreApplication::processEvents();
        return PrintCancelled;
    }
};

void ShowError(QWidget* parent, const QString& text) {
    quorvel::gui::ShowMessage(parent, TMsgKind::Error, TMsgButtons::Ok, text);
}

QString PrinterLabel(const QPrinter& printer, QString& port) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        port = QFileInfo(printer.outputFileName()).absoluteFilePath();
        return QStringLiteral("PDF");
    }
    // The port a printer is attached to; the platform reports its location.
    port = QPrinterInfo::printerInfo(printer.printerName()).location();
    return printer.printerName();
}

// Paints the pages; false when the printer failed (or the print was
// cancelled in between: `cancelled` then tells). Without `cancellable` no
// event is processed meanwhile: the print preview must not repaint its
// pages while they are being drawn.
bool PaintPages(QPrinter& printer, const std::vector<std::string>& lines, bool& cancelled, bool cancellable = true) {
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // A fixed-pitch font keeps the report's columns in line.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(10.0);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(metrics.lineSpacing(), 1);
    const QRect page = painter.viewport();
    const int columns = page.width() / std::max(metrics.horizontalAdvance(QLatin1Char('M')), 1);
    const int rows = page.height() / lineHeight;
    const auto pages = PaginateReport(lines, columns, rows);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) {
            if (cancellable) QCoreApplication::processEvents();
            if (cancellable && PrintCancelled) {
                cancelled = true;
                printer.abort();
                painter.end();
                return false;
            }
            if (!printer.newPage()) {
                painter.end();
                return false;
            }
        }
        int y = metrics.ascent();
        for (const QString& row : pages[p]) {
            if (!row.isEmpty()) painter.drawText(0, y, row);
            y += lineHeight;
        }
    }
    return painter.end();
}

}  // namespace

quorvel::TReportStatus PrintReport(QWidget* parent, QPrinter& printer, quorvel::TReportKind kind,
                                   quorvel::TExpertSystem& expertSystem, const QString& currentFile) {
    if (!expertSystem.RulesMayBeShown()) {
        ShowError(parent, QString::fromUtf8(quorvel::kReportNotAllowed));
        return TReportStatus::NotAllowed;
    }
    PrintCancelled = false;
    TdialogPrint dialog(parent);
    QString port;
    const QString name = PrinterLabel(printer, port);
    dialog.SetPrinter(name, port);
    if (const QWidget* over = parent ? parent->window() : nullptr)
        dialog.move(over->geometry().center() - dialog.rect().center());
    dialog.show();
    dialog.repaint();
    QCoreApplication::processEvents();

    printer.setDocName(QString::fromUtf8(kind == quorvel::TReportKind::Base ? quorvel::kBaseReportJobTitle
                                                                            : quorvel::kCodesReportJobTitle));
    TPrintLines lines;
    TReportStatus status = quorvel::WriteReport(kind, expertSystem, currentFile.toStdString(), lines);
    bool cancelled = status == TReportStatus::Cancelled;
    bool failed = false;
    if (status == TReportStatus::Done) {
        // Nothing reaches the printer until the whole report is made, so a
        // cancelled report prints nothing at all.
        failed = !PaintPages(printer, lines.Lines, cancelled);
        if (cancelled)
            status = TReportStatus::Cancelled;
        else if (failed)
            status = TReportStatus::WriteFailed;
    }
    dialog.hide();

    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    if (cancelled && toFile) QFile::remove(printer.outputFileName());
    if (status == TReportStatus::WriteFailed)
        ShowError(parent, toFile ? QStringLiteral("Não foi possível gravar o arquivo PDF \"%1\".").arg(port)
                                 : QStringLiteral("Não foi possível imprimir em %1.").arg(name));
    return status;
}

bool PaintReport(QPrinter& printer, quorvel::TReportKind kind, quorvel::TExpertSystem& expertSystem,
                 const QString& currentFile) {
    quorvel::TReportLines lines;
    if (quorvel::WriteReport(kind, expertSystem, currentFile.toStdString(), lines) != TReportStatus::Done) return false;
    bool cancelled = false;
    return PaintPages(printer, lines.Lines, cancelled, /*cancellable=*/false);
}

