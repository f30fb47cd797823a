// Bases kept as text (.bct) in the workbench: opened like .bcm files, their
// errors listed with their lines in a dialog, and written by Save As.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "Base.h"
#include "BaseTextFile.h"
#include "CodeRows.h"
#include "Main.h"
#include "Passwd.h"
#include "main_test_support.h"

using namespace maintest;

namespace {

const char* const kText =
    "BASE Gripe em texto\n"
    "VARIÁVEL SIM/NÃO Febre\n"
    "  PERGUNTA Tem febre?\n"
    "VARIÁVEL Diagnóstico\n"
    "  VALOR Gripe\n"
    "OBJETIVO Diagnóstico\n"
    "REGRA Gripe\n"
    "  SE Febre = Sim\n"
    "  ENTÃO Diagnóstico = Gripe CNF 80%\n";

QStringList Rows(const TCodeList* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->RowText(i);
    return rows;
}

}  // namespace

class BaseTextTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString Path(const QString& name) const { return dir_->filePath(name); }

private slots:
    void init() {
        RemoveSettings();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void aTextOpensLikeABase() {
        WriteAll(Path("gripe.bct"), kText);
        TfrmMain frame;
        TMessageScript messages;
        ChooseFile(Path("gripe.bct"));
        Command(frame, "btnOpen")->trigger();
        QVERIFY(frame.BaseOpen);
        QCOMPARE(frame.CurrentFile, Path("gripe.bct"));
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("gripe.bct"));
        QCOMPARE(frame.BaseWindow()->RuleCount(), 1);
        QCOMPARE(frame.ExpertSystem().BaseName, std::string("Gripe em texto"));
        QVERIFY(messages.shown.empty());
        QVERIFY(FileDialogOf(frame, "dialogOpen")->nameFilters().contains(QStringLiteral("Bases em texto (*.bct)")));
    }

    void errorsAreListedWithTheirLinesAndTheOpenBaseStays() {
        QVERIFY(MakeBase(Path("aberta.bcm")));
        WriteAll(Path("errada.bct"), "VARIÁVEL A\n  VALOR x\nREGRA\n  SE A = y\n  ENTÃO B = x\nPALAVRA\n");
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("aberta.bcm")));
        QStringList rows;
        QString summary;
        QString caption;
        WhenModal<TdialogTextErrors>([&](TdialogTextErrors* dialog) {
            caption = dialog->windowTitle();
            summary = dialog->labelSummary->text();
            rows = Rows(dialog->listErrors);
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        });
        QVERIFY(!frame.OpenBase(Path("errada.bct")));
        QCOMPARE(caption, QStringLiteral("Erros no texto da base"));
        QCOMPARE(summary, QStringLiteral("O texto errada.bct não pôde ser aberto: 3 erro(s)."));
        QCOMPARE(rows, QStringList({QStringLiteral("linha 4, coluna 10: a variável \"A\" não tem o valor \"y\""),
                                    QStringLiteral("linha 5, coluna 9: variável \"B\" não declarada"),
                                    QStringLiteral("linha 6, coluna 1: linha não reconhecida: \"PALAVRA\" não é "
                                                   "uma palavra-chave")}));
        QCOMPARE(frame.CurrentFile, Path("aberta.bcm"));
        QVERIFY(frame.BaseOpen);
        QCOMPARE(frame.BaseWindow()->RuleCount(), 2);
        QVERIFY(messages.shown.empty());
    }

    // Save As offers the text beside the binary base; the chosen filter gives the suffix.
    void saveAsWritesTheTextThatOpensAgain() {
        QVERIFY(MakeBase(Path("origem.bcm")));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("origem.bcm")));
        QCOMPARE(frame.DialogSave()->nameFilters(),
                 QStringList({QStringLiteral("Bases de Conhecimento (*.bcm)"), QStringLiteral("Bases em texto (*.bct)"),
                              QStringLiteral("Todos os arquivos (*)")}));
        QString suffix;
        WhenModal<QFileDialog>([&, this](QFileDialog* dialog) {
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            // What choosing the second file type does.
            types->setCurrentIndex(1);
            emit types->activated(1);
            emit types->textActivated(types->itemText(1));
            suffix = dialog->defaultSuffix();
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(Path("copia"));
            static_cast<QDialog*>(dialog)->accept();
        });
        Command(frame, "mnuSaveAs")->trigger();
        QCOMPARE(suffix, QStringLiteral("bct"));
        QCOMPARE(frame.CurrentFile, Path("copia.bct"));
        const QByteArray text = ReadAll(Path("copia.bct"));
        QVERIFY(text.startsWith("BASE Base de teste\n"));
        QVERIFY(text.contains("REGRA Gripe\n  SE Febre = Sim\n"));
        QVERIFY(messages.shown.empty());

        // The first frame still holds the text open, so the second one is told so and opens it read-only.
        TfrmMain again;
        QVERIFY(again.OpenBase(Path("copia.bct")));
        QCOMPARE(again.BaseWindow()->RuleCount(), 2);
        std::vector<uint8_t> first;
        std::vector<uint8_t> second;
        QVERIFY(frame.ExpertSystem().SaveBytes(first));
        QVERIFY(again.ExpertSystem().SaveBytes(second));
        QVERIFY(first == second);
    }

    // A protected base's text carries the password only when the user says so.
    void theUserDecidesWhetherTheTextCarriesThePassword() {
        TBaseOptions options;
        options.restriction = 3;
        QVERIFY(MakeBase(Path("protegida.bcm"), options));
        TfrmMain frame;
        TMessageScript messages;
        WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) {
            dialog->Password->setText(QStringLiteral("segredo"));
            dialog->OKBtn->click();
        });
        QVERIFY(frame.OpenBase(Path("protegida.bcm")));
        for (const TMsgResult answer : {TMsgResult::Cancel, TMsgResult::No, TMsgResult::Yes}) {
            messages.Clear();
            messages.answers = {answer};
            QFile::remove(Path("protegida.bct"));
            ChooseFile(Path("protegida.bct"));
            Command(frame, "mnuSaveAs")->trigger();
            QCOMPARE(messages.Texts().size(), 1);
            QVERIFY(messages.Texts().front().startsWith(QStringLiteral("A base tem senha. Gravar a senha no texto?")));
            const QByteArray text = ReadAll(Path("protegida.bct"));
            QCOMPARE(QFile::exists(Path("protegida.bct")), answer != TMsgResult::Cancel);
            if (answer == TMsgResult::Cancel) continue;
            QVERIFY(text.contains("UTILIZAR SENHA\n"));
            QCOMPARE(text.contains("SENHA segredo\n"), answer == TMsgResult::Yes);
        }
    }
};

QTEST_MAIN(BaseTextTest)
#include "base_text_test.moc"
