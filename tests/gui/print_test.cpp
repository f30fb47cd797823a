// Printing and export through the workbench's functions: a print to PDF read
// back with pdftotext, the progress dialog and its Cancel, the PDF offered
// when no printer is installed, the two export commands with their file
// dialog and working folder, and the refusals of a base that may only be
// executed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <optional>
#include <vector>

#include "ExReport.h"
#include "ExSystem.h"
#include "Export.h"
#include "MessageBoxSink.h"
#include "PrintDlg.h"
#include "PrintSetup.h"

using quorvel::TMsgButtons;
using quorvel::TMsgKind;
using quorvel::TMsgResult;
using quorvel::TReportKind;
using quorvel::TReportStatus;

Q_DECLARE_METATYPE(quorvel::TReportKind)

namespace {

// Answers every message box (with `answer`) and keeps what was shown.
class TMessageRecorder {
public:
    explicit TMessageRecorder(TMsgResult answer = TMsgResult::Ok) {
        quorvel::gui::SetMessageHook([this, answer](TMsgKind kind, TMsgButtons, const QString& text) {
            kinds.push_back(kind);
            texts << text;
            return std::optional<TMsgResult>(answer);
        });
    }
    ~TMessageRecorder() { quorvel::gui::SetMessageHook({}); }
    std::vector<TMsgKind> kinds;
    QStringList texts;
};

// Runs the action on the next modal window as soon as it is shown.
void OnNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Types a full path into a file dialog's name box and confirms it, as a user would.
void ChooseFile(QFileDialog* dialog, const QString& path) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit != nullptr);
    edit->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}

// Answers a file dialog: notes the name it proposed and chooses `path` (or
// cancels when it is empty).
void AnswerFileDialog(QString* proposed, const QString& path) {
    OnNextModal([proposed, path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) {
            modal->close();
            return;
        }
        if (proposed) *proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        ChooseFile(dialog, path);
    });
}

QString Fixture(const QString& name) { return QStringLiteral(QUORVEL_TEST_DATA "/report/") + name; }

// The expected text, naming the base's file as given.
QStringList ExpectedLines(const QString& name, const QString& currentFile) {
    QFile file(Fixture(name));
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.startsWith(QStringLiteral("  Arquivo original: ")))
            line = QStringLiteral("  Arquivo original: ") + currentFile;
    return lines;
}

// What reading a PDF back can vouch for: the words of every line, in order.
// (Blanks are guessed from the letters' places, so runs of them come back
// approximately; empty lines and page breaks are not kept.)
QStringList Printed(const QStringList& lines) {
    QStringList kept;
    for (const QString& line : lines)
        if (const QString words = line.simplified(); !words.isEmpty()) kept << words;
    return kept;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList PdfText(const QString& pdf) {
    return Run(QStringLiteral("pdftotext"),
               {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")})
        .split(QLatin1Char('\n'));
}

// The title of a PDF, as the print job's title.
QString PdfTitle(const QString& pdf) {
    for (const QString& line : Run(QStringLiteral("pdfinfo"), {pdf}).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Title:"))) return line.mid(6).trimmed();
    return QString();
}

// The printer writes a PDF file instead of printing.
void PrintToPdf(QPrinter& printer, const QString& pdf) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
}

bool Load(quorvel::TExpertSystem& engine) { return engine.Load(Fixture(QStringLiteral("completa.bcm")).toStdString()); }

bool HasPdfToText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

// A print into a PDF file `name` of a fresh folder; the test loads `engine`.
struct TPdfJob {
    explicit TPdfJob(const QString& name) : pdf(dir.filePath(name)) { PrintToPdf(printer, pdf); }
    quorvel::TExpertSystem engine;
    QTemporaryDir dir;
    const QString pdf;
    QPrinter printer{QPrinter::HighResolution};
};

QWidget* VisibleTopLevel(const QString& objectName) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == objectName && widget->isVisible()) return widget;
    return nullptr;
}

const QString kBaseFile = QStringLiteral("/bases/Vinhos.bcm");

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void progressDialog() {
        TdialogPrint dialog;
        dialog.SetPrinter(QStringLiteral("Laser"), QStringLiteral("LPT1:"));
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Imprimindo"));
        QCOMPARE(dialog.labelPrinting->text(), QStringLiteral("Imprimindo na"));
        QCOMPARE(dialog.labelPrinter->text(), QStringLiteral("Laser em LPT1:"));
        QCOMPARE(dialog.size(), QSize(300, 100));
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(dialog.btnCancel->text(), QStringLiteral("Cancelar"));
        for (const auto& cancel : std::vector<std::function<void()>>{
                 [&] { QTest::mouseClick(dialog.btnCancel, Qt::LeftButton); },
                 [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }, [&] { dialog.close(); }}) {
            PrintCancelled = false;
            cancel();
            QVERIFY(PrintCancelled);
            // The print, not the user, closes the dialog.
            QVERIFY(dialog.isVisible());
        }
    }

    void printToPdfHoldsTheReport_data() {
        QTest::addColumn<TReportKind>("kind");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("title");
        QTest::newRow("base") << TReportKind::Base << QStringLiteral("completa.relatorio.txt")
                              << QStringLiteral("Imprimindo base de conhecimento");
        QTest::newRow("codes") << TReportKind::Codes << QStringLiteral("completa.codigos.txt")
                               << QStringLiteral("Imprimindo estrutura da base de conhecimento");
    }
    void printToPdfHoldsTheReport() {
        QFETCH(TReportKind, kind);
        QFETCH(QString, expected);
        QFETCH(QString, title);
        if (!HasPdfToText()) QSKIP("pdftotext (poppler-utils) is not installed");
        TMessageRecorder messages;
        TPdfJob job(QStringLiteral("relatorio.pdf"));
        QVERIFY(Load(job.engine));
        QCOMPARE(PrintReport(nullptr, job.printer, kind, job.engine, kBaseFile), TReportStatus::Done);
        QVERIFY(messages.texts.isEmpty());
        QCOMPARE(Printed(PdfText(job.pdf)), Printed(ExpectedLines(expected, kBaseFile)));
        QCOMPARE(PdfTitle(job.pdf), title);
        QVERIFY(VisibleTopLevel(QStringLiteral("dialogPrint")) == nullptr);
    }

    // Cancel during the report: nothing is printed, the PDF is not left behind.
    void cancelPrintsNothing() {
        TMessageRecorder messages;
        TPdfJob job(QStringLiteral("cancelado.pdf"));
        QVERIFY(Load(job.engine));
        QString shownPrinter;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TdialogPrint*>(VisibleTopLevel(QStringLiteral("dialogPrint")));
            if (dialog == nullptr) return;
            shownPrinter = dialog->labelPrinter->text();
            QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
        });
        QCOMPARE(PrintReport(nullptr, job.printer, TReportKind::Base, job.engine, kBaseFile), TReportStatus::Cancelled);
        QCOMPARE(shownPrinter, QStringLiteral("PDF em ") + QFileInfo(job.pdf).absoluteFilePath());
        QVERIFY(!QFile::exists(job.pdf));
        QVERIFY(messages.texts.isEmpty());
        QVERIFY(VisibleTopLevel(QStringLiteral("dialogPrint")) == nullptr);
    }

    void unwritablePdfIsReported() {
        TMessageRecorder messages;
        TPdfJob job(QStringLiteral("nao/existe.pdf"));
        QVERIFY(Load(job.engine));
        QCOMPARE(PrintReport(nullptr, job.printer, TReportKind::Base, job.engine, kBaseFile),
                 TReportStatus::WriteFailed);
        QCOMPARE(messages.texts.size(), 1);
        QCOMPARE(messages.kinds.front(), TMsgKind::Error);
        QVERIFY(messages.texts.front().contains(QStringLiteral("nao/existe.pdf")));
    }

    // The print dialog answered: printed as chosen there (a PDF file here);
    // cancelled, nothing is printed.
    void printDialogPrintsAsChosen() {
        if (!HasPdfToText()) QSKIP("pdftotext (poppler-utils) is not installed");
        TMessageRecorder messages;
        TPdfJob job(QStringLiteral("escolhido.pdf"));
        QVERIFY(Load(job.engine));

        OnNextModal([](QWidget* modal) { modal->close(); });
        QVERIFY(!PrintWithDialog(nullptr, job.printer, TReportKind::Base, job.engine, kBaseFile));
        QVERIFY(!QFileInfo::exists(job.pdf));

        bool seen = false;
        OnNextModal([&seen](QWidget* modal) {
            auto* dialog = qobject_cast<TdialogPrintSetup*>(modal);
            QVERIFY(dialog != nullptr);
            seen = true;
            QVERIFY(dialog->btnPreview->isVisible());
            QVERIFY(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
            QVERIFY(dialog->testOption(QAbstractPrintDialog::PrintToFile));
            dialog->accept();
        });
        QVERIFY(PrintWithDialog(nullptr, job.printer, TReportKind::Base, job.engine, kBaseFile));
        QVERIFY(seen);
        QCOMPARE(Printed(PdfText(job.pdf)),
                 Printed(ExpectedLines(QStringLiteral("completa.relatorio.txt"), kBaseFile)));
        QVERIFY(messages.texts.isEmpty());
    }

    // The dialog's preview shows the report's pages; closed, nothing is
    // printed; its print button prints the same report.
    void previewFromThePrintDialog() {
        if (!HasPdfToText()) QSKIP("pdftotext (poppler-utils) is not installed");
        TPdfJob job(QStringLiteral("visto.pdf"));
        QVERIFY(Load(job.engine));
        for (const bool print : {false, true}) {
            int pages = 0;
            OnNextModal([&pages, print](QWidget* modal) {
                auto* dialog = qobject_cast<TdialogPrintSetup*>(modal);
                QVERIFY(dialog != nullptr);
                QTest::mouseClick(dialog->btnPreview, Qt::LeftButton);
                OnNextModal([&pages, print](QWidget* next) {
                    auto* preview = qobject_cast<QPrintPreviewDialog*>(next);
                    QVERIFY(preview != nullptr);
                    QCOMPARE(preview->objectName(), QStringLiteral("dialogPrintPreview"));
                    auto* widget = preview->findChild<QPrintPreviewWidget*>();
                    QVERIFY(widget != nullptr);
                    widget->updatePreview();
                    pages = widget->pageCount();
                    if (print)
                        widget->print(), preview->accept();
                    else
                        preview->reject();
                });
            });
            QCOMPARE(PrintWithDialog(nullptr, job.printer, TReportKind::Base, job.engine, kBaseFile), print);
            QVERIFY(pages >= 2);
            QCOMPARE(QFileInfo::exists(job.pdf), print);
        }
        QCOMPARE(Printed(PdfText(job.pdf)),
                 Printed(ExpectedLines(QStringLiteral("completa.relatorio.txt"), kBaseFile)));
    }

    // With no printer installed the print offers a PDF file of the base's name.
    void noPrinterOffersAPdf() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a printer is installed here");
        quorvel::TExpertSystem engine;
        QVERIFY(Load(engine));
        QTemporaryDir dir;
        {
            TMessageRecorder messages(TMsgResult::No);
            QVERIFY(!PrintBase(nullptr, engine, kBaseFile, dir.path()));
            QCOMPARE(messages.kinds, std::vector<TMsgKind>({TMsgKind::Confirmation}));
            QVERIFY(messages.texts.front().contains(QStringLiteral("PDF")));
            QVERIFY(QDir(dir.path()).isEmpty());
        }
        TMessageRecorder messages(TMsgResult::Yes);
        QString proposed;
        const QString pdf = dir.filePath(QStringLiteral("escolhido.pdf"));
        AnswerFileDialog(&proposed, pdf);
        QVERIFY(PrintBase(nullptr, engine, kBaseFile, dir.path()));
        QCOMPARE(proposed, QStringLiteral("Vinhos.pdf"));
        QVERIFY(QFileInfo(pdf).size() > 0);
        // Cancelling the file dialog prints nothing.
        AnswerFileDialog(nullptr, QString());
        QVERIFY(!PrintBase(nullptr, engine, kBaseFile, dir.path()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"escolhido.pdf"}));
    }

    void paginate_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("pages");  // rows joined by "|", pages in order
        QTest::newRow("fits") << QStringList({"abc", "", "de"}) << 10 << 5 << QStringList({"abc||de"});
        QTest::newRow("page breaks") << QStringList({"1", "2", "3", "4", "5"}) << 10 << 2
                                     << QStringList({"1|2", "3|4", "5"});
        QTest::newRow("wraps at a blank") << QStringList({"um dois tres"}) << 8 << 5 << QStringList({"um dois|tres"});
        QTest::newRow("cuts a word too long") << QStringList({"abcdefghij"}) << 4 << 5 << QStringList({"abcd|efgh|ij"});
        QTest::newRow("indentation is not a place to wrap")
            << QStringList({"      abcdefgh"}) << 8 << 5 << QStringList({"      ab|cdefgh"});
        QTest::newRow("wrapped rows go on the next page")
            << QStringList({"aaaa bbbb", "c"}) << 5 << 1 << QStringList({"aaaa", "bbbb", "c"});
    }
    void paginate() {
        QFETCH(QStringList, lines);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QStringList, pages);
        std::vector<std::string> input;
        for (const QString& line : lines) input.push_back(line.toStdString());
        QStringList got;
        for (const auto& page : PaginateReport(input, columns, rows)) {
            QStringList joined;
            for (const QString& row : page) joined << row;
            got << joined.join(QLatin1Char('|'));
        }
        QCOMPARE(got, pages);
    }

    void exportWritesTheFileAndMovesTheWorkingFolder_data() {
        QTest::addColumn<TReportKind>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("base") << TReportKind::Base << QStringLiteral("completa.relatorio.txt");
        QTest::newRow("codes") << TReportKind::Codes << QStringLiteral("completa.codigos.txt");
    }
    void exportWritesTheFileAndMovesTheWorkingFolder() {
        QFETCH(TReportKind, kind);
        QFETCH(QString, expected);
        const auto run = [kind](quorvel::TExpertSystem& engine, QString& folder) {
            return kind == TReportKind::Base ? ExportBase(nullptr, engine, folder, kBaseFile)
                                             : ExportCodes(nullptr, engine, folder, kBaseFile);
        };
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        QVERIFY(Load(engine));
        QTemporaryDir start;
        QTemporaryDir other;
        QString workingFolder = start.path();

        // Cancelled: nothing written, the folder stays.
        AnswerFileDialog(nullptr, QString());
        QVERIFY(!run(engine, workingFolder));
        QCOMPARE(workingFolder, start.path());

        QString proposed;
        const QString file = other.filePath(QStringLiteral("exportada.txt"));
        AnswerFileDialog(&proposed, file);
        QVERIFY(run(engine, workingFolder));
        QCOMPARE(proposed, QStringLiteral("Vinhos.txt"));
        QCOMPARE(workingFolder, QFileInfo(file).absolutePath());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString end = QString::fromLatin1(quorvel::kLineEnd.data(), quorvel::kLineEnd.size());
        QStringList lines = QString::fromUtf8(written.readAll()).split(end);
        QCOMPARE(lines.takeLast(), QString());
        QCOMPARE(lines, ExpectedLines(expected, kBaseFile));
        QVERIFY(messages.texts.isEmpty());
    }

    // The main window's dialogExport is used when given; a file that cannot
    // be written is reported and still moves the working folder.
    void exportThroughTheGivenDialogAndFailures() {
        TMessageRecorder messages;
        quorvel::TExpertSystem engine;
        QVERIFY(Load(engine));
        QTemporaryDir dir;
        QFileDialog dialogExport(nullptr, QStringLiteral("Exportar base de conhecimento"));
        dialogExport.setOption(QFileDialog::DontUseNativeDialog);
        dialogExport.setAcceptMode(QFileDialog::AcceptSave);
        QString workingFolder;
        const QString file = dir.filePath(QStringLiteral("codigos.txt"));
        bool usedGiven = false;
        OnNextModal([&](QWidget* modal) {
            usedGiven = modal == &dialogExport;
            ChooseFile(&dialogExport, file);
        });
        QVERIFY(ExportCodes(nullptr, engine, workingFolder, kBaseFile, &dialogExport));
        QVERIFY(usedGiven);
        QVERIFY(QFileInfo(file).size() > 0);

        // A name taken by a folder cannot be written: the folder stays.
        const QString taken = dir.filePath(QStringLiteral("ocupado.txt"));
        QVERIFY(QDir().mkpath(taken + QStringLiteral("/dentro")));
        workingFolder.clear();
        QVERIFY(!ExportReportTo(nullptr, TReportKind::Base, engine, workingFolder, kBaseFile, taken));
        QCOMPARE(messages.kinds, std::vector<TMsgKind>({TMsgKind::Error}));
        QVERIFY(messages.texts.front().startsWith(QStringLiteral("Não foi possível gravar ")));
        QVERIFY(messages.texts.front().contains(taken));
        QCOMPARE(workingFolder, QFileInfo(taken).absolutePath());
        QVERIFY(QFileInfo(taken + QStringLiteral("/dentro")).isDir());
    }

    void refusedForABaseThatMayOnlyBeExecuted() {
        quorvel::TExpertSystem engine;
        QVERIFY(Load(engine));
        engine.AccessLevel = quorvel::kAccessConsultOnly;
        QTemporaryDir dir;
        QString workingFolder = dir.path();
        const std::vector<std::function<bool()>> commands = {
            [&] { return PrintBase(nullptr, engine, kBaseFile, workingFolder); },
            [&] { return ExportBase(nullptr, engine, workingFolder, kBaseFile); },
            [&] { return ExportCodes(nullptr, engine, workingFolder, kBaseFile); },
        };
        for (const auto& command : commands) {
            TMessageRecorder messages;
            QVERIFY(!command());
            QCOMPARE(messages.texts, QStringList({QString::fromUtf8(quorvel::kReportNotAllowed)}));
            QVERIFY(QApplication::activeModalWidget() == nullptr);
        }
        QCOMPARE(workingFolder, dir.path());
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
