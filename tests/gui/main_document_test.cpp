// The document lifecycle through the main window: New, Open (by dialog, by
// name, from the recent files), protected bases, Save, Save As, the
// conversion question, failed saves and closing with unsaved changes.
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "Base.h"
#include "IniFile.h"
#include "Main.h"
#include "Passwd.h"
#include "StatusBar.h"
#include "main_test_support.h"

using namespace maintest;
using quorvel::gui::TIniFile;

namespace {

const QString kNotABase = QStringLiteral("Este arquivo não é um arquivo Quorvel!");
const QString kDamaged = QStringLiteral("Este arquivo Quorvel está danificado!");
const QString kMissing = QStringLiteral("Arquivo inexistente!");
const QString kSaveChanges = QStringLiteral("Salvar as modificações feitas?");
const QString kConvert =
    QStringLiteral("O arquivo atual é de uma versão anterior do Quorvel. Deseja convertê-lo para Quorvel 1.1?");

QStringList RecentEntries() {
    const TIniFile ini;
    QStringList entries;
    for (int k = 1; k <= 4; ++k) entries << ini.ReadString(QStringLiteral("Arquivos"), QString::number(k));
    return entries;
}

QStringList RecentMenu(const TfrmMain& frame) {
    QStringList items;
    for (QAction* item : RecentFileItems(frame))
        if (item->isVisible()) items << item->text();
    return items;
}

QStringList Rows(const TfrmBase* window) {
    QStringList rows;
    for (int i = 0; i < window->listRules->count(); ++i) rows << window->listRules->RowText(i);
    return rows;
}

// The version marker of a saved base: 0x21 for "1.0", 0x22 for "1.1".
char VersionMarker(const QString& path) { return ReadAll(path).at(9); }

}  // namespace

class MainDocumentTest : public QObject {
    Q_OBJECT

    // A fresh folder for each test.
    std::unique_ptr<QTemporaryDir> dir_;
    QString Path(const QString& name) const { return dir_->filePath(name); }

private slots:
    void init() {
        RemoveSettings();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void newMakesAnUnnamedEmptyBase() {
        TfrmMain frame;
        Command(frame, "btnNew")->trigger();
        TfrmBase* window = frame.BaseWindow();
        QVERIFY(window);
        QVERIFY(frame.BaseOpen);
        QCOMPARE(window->windowTitle(), QStringLiteral("SEM NOME"));
        QVERIFY(frame.CurrentFile.isEmpty());
        QCOMPARE(window->RuleCount(), 0);
        QVERIFY(!window->Modified());
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        // A second New replaces the first window.
        Command(frame, "mnuNew")->trigger();
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QVERIFY(frame.BaseWindow() != window);
    }

    void opensABaseAndListsItsRules() {
        QVERIFY(MakeBase(Path("gripe.bcm")));
        TfrmMain frame;
        TMessageScript messages;
        TFileDialogView seen;
        ChooseFile(Path("gripe.bcm"), &seen);
        Command(frame, "btnOpen")->trigger();
        QVERIFY(seen.shown);
        QCOMPARE(seen.defaultSuffix, QStringLiteral("bcm"));
        QVERIFY(frame.BaseOpen);
        QCOMPARE(frame.CurrentFile, Path("gripe.bcm"));
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("gripe.bcm"));
        QCOMPARE(Rows(frame.BaseWindow()),
                 QStringList({QStringLiteral("REGRA  1     Gripe"), QStringLiteral("REGRA  2     Diagnóstico")}));
        QCOMPARE(frame.BaseWindow()->listRules->currentRow(), 0);
        QCOMPARE(Command(frame, "btnOpenRule")->toolTip(), QStringLiteral("Abrir Regra 1"));
        frame.BaseWindow()->listRules->setCurrentRow(1);
        QCOMPARE(Command(frame, "btnDelete")->toolTip(), QStringLiteral("Excluir Regra 2"));
        QCOMPARE(Command(frame, "btnDelete")->statusTip(), QStringLiteral("Exclui a regra selecionada na lista."));
        QVERIFY(messages.shown.empty());
        QCOMPARE(RecentEntries().front(), Path("gripe.bcm"));
    }

    // Names that do not open a base: the message, and no base is left open.
    void refusesWhatIsNotAnOpenableBase_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");  // empty: no file is written
        QTest::addColumn<QStringList>("messages");
        QByteArray good;
        {
            QTemporaryDir scratch;
            const QString path = scratch.filePath("x.bcm");
            MakeBase(path);
            good = ReadAll(path);
        }
        // "%file" stands for the file's full path.
        QTest::newRow("missing") << "nada.bcm" << QByteArray() << QStringList{kMissing + "\n%file"};
        QTest::newRow("text file") << "texto.bcm" << QByteArray("apenas um texto\n") << QStringList{kNotABase};
        QTest::newRow("damaged") << "danificado.bcm" << good.left(good.size() / 2)
                                 << QStringList{
                                        QStringLiteral("Um erro ocorreu durante a abertura do arquivo. Ele pode estar "
                                                       "danificado, ou não ser realmente do formato Quorvel, ou ainda "
                                                       "ser uma insuficiência de memória do sistema."),
                                        kDamaged};
        QByteArray newer = good;
        newer[9] = 0x23;
        QTest::newRow("newer version") << "nova.bcm" << newer
                                       << QStringList{QStringLiteral(
                                              "Você precisa de uma versão mais nova do Quorvel para abrir essa base!")};
    }

    void refusesWhatIsNotAnOpenableBase() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        if (!content.isEmpty()) WriteAll(Path(file), content);
        for (QString& message : messages) message.replace(QStringLiteral("%file"), Path(file));
        TfrmMain frame;
        TMessageScript shown;
        QVERIFY(!frame.OpenBase(Path(file)));
        QCOMPARE(shown.Texts(), messages);
        QVERIFY(!frame.BaseOpen);
        QVERIFY(frame.MdiArea()->subWindowList().isEmpty());
        QVERIFY(frame.CurrentFile.isEmpty());
        QVERIFY(RecentEntries().join(QString()).isEmpty());
        QVERIFY(!Usable(Command(frame, "btnSave")) && !Usable(Command(frame, "btnGo")));
    }

    void aNameWithoutExtensionGetsBcm() {
        QVERIFY(MakeBase(Path("ASMA.BCM")));
        QVERIFY(MakeBase(Path("asma.dados")));
        QVERIFY(MakeBase(Path("gripe.bcm")));
        QVERIFY(MakeBase(Path("sinusite")));
        QVERIFY(MakeBase(Path("sinusite.bcm")));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("ASMA")));
        QCOMPARE(frame.CurrentFile, Path("ASMA.BCM"));
        // ".bcm" is tried before ".BCM"; a file named as given comes first.
        QVERIFY(frame.OpenBase(Path("gripe")));
        QCOMPARE(frame.CurrentFile, Path("gripe.bcm"));
        QVERIFY(frame.OpenBase(Path("sinusite")));
        QCOMPARE(frame.CurrentFile, Path("sinusite"));
        // Any extension is kept as it is.
        QVERIFY(frame.OpenBase(Path("asma.dados")));
        QCOMPARE(frame.CurrentFile, Path("asma.dados"));
        QVERIFY(messages.shown.empty());
    }

    void aMissingNameLeavesTheOpenBaseAsItWas() {
        QVERIFY(MakeBase(Path("aberta.bcm")));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("aberta.bcm")));
        TfrmBase* window = frame.BaseWindow();
        QVERIFY(!frame.OpenBase(Path("sumiu.bcm")));
        QCOMPARE(messages.Texts(), QStringList{kMissing + "\n" + Path("sumiu.bcm")});
        // Every file tried is named.
        messages.Clear();
        QVERIFY(!frame.OpenBase(Path("sumiu")));
        QCOMPARE(messages.Texts(),
                 QStringList{QStringList({kMissing, Path("sumiu"), Path("sumiu.bcm"), Path("sumiu.BCM")}).join("\n")});
        QCOMPARE(frame.BaseWindow(), window);
        QCOMPARE(frame.CurrentFile, Path("aberta.bcm"));
    }

    // A protected base opened with an empty entry gets its restriction.
    void aProtectedBaseOpensWithItsRestriction_data() {
        QTest::addColumn<int>("restriction");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opens");
        QTest::newRow("nothing") << 0 << QStringLiteral("Não é permitido o uso desse arquivo em nenhuma hipótese!")
                                 << false;
        QTest::newRow("consult only")
            << 2
            << QStringLiteral(
                   "A permissão de uso restringe o sistema especialista somente à execução. Você não poderá "
                   "ver as regras que formam a base de conhecimento.")
            << true;
        QTest::newRow("consult and view")
            << 3
            << QStringLiteral(
                   "Você poderá utilizar o sistema especialista normalmente, mas não será permitida a edição da base!")
            << true;
    }

    void aProtectedBaseOpensWithItsRestriction() {
        QFETCH(int, restriction);
        QFETCH(QString, message);
        QFETCH(bool, opens);
        TBaseOptions options;
        options.restriction = static_cast<int16_t>(restriction);
        QVERIFY(MakeBase(Path("protegida.bcm"), options));
        TfrmMain frame;
        TMessageScript messages;
        // The password dialog: a wrong entry first, then an empty one.
        WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) {
            dialog->Password->setText(QStringLiteral("Segredo"));
            dialog->OKBtn->click();
            dialog->Password->setText(QString());
            dialog->OKBtn->click();
        });
        QCOMPARE(frame.OpenBase(Path("protegida.bcm")), opens);
        QCOMPARE(messages.Texts(), QStringList({QStringLiteral("Senha inválida!"), message}));
        QCOMPARE(frame.BaseOpen, opens);
        QCOMPARE(frame.MdiArea()->subWindowList().size(), opens ? 1 : 0);
        if (!opens) return;
        QCOMPARE(frame.ExpertSystem().AccessLevel, restriction);
        TfrmBase* window = frame.BaseWindow();
        // Consult only: the rules stay out of sight.
        QCOMPARE(window->isMinimized(), restriction == 2);
        QCOMPARE(window->isEnabled(), restriction != 2);
        QCOMPARE(int(frame.ExpertSystem().PasswordBlock.Restriction), restriction);
    }

    void theRightPasswordGivesFullAccessAndCancelRefuses() {
        TBaseOptions options;
        options.restriction = 0;
        QVERIFY(MakeBase(Path("senha.bcm"), options));
        TfrmMain frame;
        TMessageScript messages;
        WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) {
            dialog->Password->setText(QStringLiteral("segredo"));
            dialog->OKBtn->click();
        });
        QVERIFY(frame.OpenBase(Path("senha.bcm")));
        QCOMPARE(frame.ExpertSystem().AccessLevel, 1);
        QVERIFY(messages.shown.empty());
        QVERIFY(Usable(Command(frame, "btnSave")));

        WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) { dialog->CancelBtn->click(); });
        QVERIFY(!frame.OpenBase(Path("senha.bcm")));
        QVERIFY(messages.shown.empty());
        QVERIFY(!frame.BaseOpen);
    }

    void saveOfANewBaseAsksForTheFileInTheWorkingFolder() {
        TfrmMain frame;
        frame.WorkingFolder = dir_->path();
        Command(frame, "btnNew")->trigger();
        frame.BaseWindow()->SetModified(true);
        TFileDialogView seen;
        ChooseFile(Path("nova"), &seen);
        QVERIFY(frame.btnSaveClick());
        QCOMPARE(QFileInfo(seen.proposedFile).fileName(), QStringLiteral("semnome.bcm"));
        QCOMPARE(seen.folder, QDir(dir_->path()).absolutePath());
        QCOMPARE(frame.CurrentFile, Path("nova.bcm"));
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("nova.bcm"));
        QVERIFY(!frame.BaseWindow()->Modified());
        QCOMPARE(RecentEntries().front(), Path("nova.bcm"));
        quorvel::TExpertSystem check;
        QVERIFY(check.Load(QFile::encodeName(Path("nova.bcm")).toStdString()));

        // Cancelling the dialog writes nothing and says so to the close question.
        Command(frame, "mnuNew")->trigger();
        frame.BaseWindow()->SetModified(true);
        ChooseFile(QString());
        QVERIFY(!frame.btnSaveClick());
        QVERIFY(frame.BaseWindow()->SaveCancelled());
        QVERIFY(frame.BaseWindow()->Modified());
    }

    // Every file dialog opens in the working folder, also after it has moved
    // since the dialog was last shown.
    void theFileDialogsOpenInTheWorkingFolder() {
        QVERIFY(MakeBase(Path("pasta.bcm")));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("outra")));
        TfrmMain frame;
        TMessageScript messages;
        frame.WorkingFolder = dir_->path();
        TFileDialogView first;
        ChooseFile(Path("pasta.bcm"), &first);
        Command(frame, "btnOpen")->trigger();
        QCOMPARE(first.folder, QDir(dir_->path()).absolutePath());
        QVERIFY(frame.BaseOpen);

        frame.WorkingFolder = Path("outra");
        for (const char* command : {"btnOpen", "mnuSaveAs", "mnuExportBase"}) {
            TFileDialogView seen;
            ChooseFile(QString(), &seen);
            Command(frame, command)->trigger();
            QVERIFY2(seen.shown, command);
            QCOMPARE(seen.folder, QDir(Path("outra")).absolutePath());
        }
        QVERIFY(messages.shown.empty());
    }

    void saveAsWritesElsewhereAndLeavesTheRecentFiles() {
        QVERIFY(MakeBase(Path("origem.bcm")));
        TfrmMain frame;
        QVERIFY(frame.OpenBase(Path("origem.bcm")));
        const QStringList recent = RecentEntries();
        frame.ExpertSystem().BaseName = "Outro nome";
        frame.BaseWindow()->SetModified(true);
        ChooseFile(Path("copia.bcm"));
        Command(frame, "mnuSaveAs")->trigger();
        QCOMPARE(frame.CurrentFile, Path("copia.bcm"));
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("copia.bcm"));
        QVERIFY(!frame.BaseWindow()->Modified());
        QCOMPARE(RecentEntries(), recent);
        quorvel::TExpertSystem check;
        QVERIFY(check.Load(QFile::encodeName(Path("copia.bcm")).toStdString()));
        QCOMPARE(check.BaseName, std::string("Outro nome"));
    }

    // An older base asks to be converted each time until Yes.
    void savingAnOlderBaseAsksToConvertIt() {
        TBaseOptions options;
        options.version = "1.0";
        QVERIFY(MakeBase(Path("antiga.bcm"), options));
        const QByteArray original = ReadAll(Path("antiga.bcm"));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("antiga.bcm")));
        frame.BaseWindow()->SetModified(true);

        messages.answers = {TMsgResult::Cancel};
        QVERIFY(!frame.btnSaveClick());
        QCOMPARE(messages.Texts(), QStringList{kConvert});
        QVERIFY(frame.BaseWindow()->SaveCancelled());
        QVERIFY(frame.BaseWindow()->Modified());
        QCOMPARE(ReadAll(Path("antiga.bcm")), original);

        messages.Clear();
        messages.answers = {TMsgResult::No};
        frame.ExpertSystem().BaseName = "Mudou";
        QVERIFY(frame.btnSaveClick());
        QCOMPARE(messages.Texts(), QStringList{kConvert});
        QCOMPARE(VersionMarker(Path("antiga.bcm")), char(0x21));
        QVERIFY(!frame.BaseWindow()->Modified());

        messages.Clear();
        messages.answers = {TMsgResult::Yes};
        QVERIFY(frame.btnSaveClick());
        QCOMPARE(messages.Texts(), QStringList{kConvert});
        QCOMPARE(VersionMarker(Path("antiga.bcm")), char(0x22));

        messages.Clear();
        QVERIFY(frame.btnSaveClick());
        QVERIFY(messages.shown.empty());
    }

    // A save that cannot be written is never reported as done.
    void aFailedSaveKeepsTheChangesAndTheOldFile() {
        QVERIFY(MakeBase(Path("grande.bcm")));
        const QByteArray original = ReadAll(Path("grande.bcm"));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("grande.bcm")));
        // A code the file format cannot hold.
        frame.ExpertSystem().Vars().AddVariable(40000, "Fora", false, false);
        frame.BaseWindow()->SetModified(true);
        QVERIFY(!frame.btnSaveClick());
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown[0].kind, TMsgKind::Error);
        QVERIFY(messages.shown[0].text.startsWith(QStringLiteral("A base não foi salva: A base não cabe no formato")));
        QVERIFY(frame.BaseWindow()->Modified());
        QCOMPARE(ReadAll(Path("grande.bcm")), original);

        // Nor does Save As move the base to a file it could not write.
        messages.Clear();
        ChooseFile(Path("outra.bcm"));
        QVERIFY(!frame.mnuSaveAsClick());
        QCOMPARE(frame.CurrentFile, Path("grande.bcm"));
        QVERIFY(!QFile::exists(Path("outra.bcm")));

        // The close question's Yes does not close what could not be saved.
        messages.Clear();
        messages.answers = {TMsgResult::Yes};
        QVERIFY(!frame.BaseWindow()->close());
        QVERIFY(frame.BaseOpen);
        QCOMPARE(messages.shown.size(), std::size_t(2));
        QCOMPARE(messages.shown[0].text, kSaveChanges);
    }

    // The rule-base window and the main window ask before changes are lost.
    void closingWithUnsavedChangesAsks_data() {
        QTest::addColumn<bool>("mainWindow");  // close the main window rather than the base
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");
        for (bool mainWindow : {false, true}) {
            const char* who = mainWindow ? "main window, " : "base, ";
            QTest::newRow(QByteArray(who).append("yes").constData())
                << mainWindow << int(TMsgResult::Yes) << true << true;
            QTest::newRow(QByteArray(who).append("no").constData())
                << mainWindow << int(TMsgResult::No) << true << false;
            QTest::newRow(QByteArray(who).append("cancel").constData())
                << mainWindow << int(TMsgResult::Cancel) << false << false;
        }
    }

    void closingWithUnsavedChangesAsks() {
        QFETCH(bool, mainWindow);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, written);
        QVERIFY(MakeBase(Path("fechar.bcm")));
        TfrmMain frame;
        frame.show();
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("fechar.bcm")));
        frame.ExpertSystem().BaseName = "Alterada";
        frame.BaseWindow()->SetModified(true);
        messages.answers = {TMsgResult(answer)};
        const bool closed = mainWindow ? frame.close() : frame.BaseWindow()->close();
        QCOMPARE(closed, closes);
        QCOMPARE(messages.Texts(), QStringList{kSaveChanges});
        QCOMPARE(messages.shown[0].kind, TMsgKind::Confirmation);
        if (!mainWindow) QCOMPARE(frame.BaseOpen, !closes);
        quorvel::TExpertSystem check;
        QVERIFY(check.Load(QFile::encodeName(Path("fechar.bcm")).toStdString()));
        QCOMPARE(check.BaseName == "Alterada", written);

        // An unchanged base closes without a word.
        if (!closes) {
            messages.Clear();
            frame.BaseWindow()->SetModified(false);
            QVERIFY(frame.BaseWindow()->close());
            QVERIFY(messages.shown.empty());
        }
    }

    // Without its password a base may change on screen, but it is not written.
    void aBaseThatMayNotBeAlteredIsNotWritten() {
        TBaseOptions options;
        options.restriction = 3;
        QVERIFY(MakeBase(Path("visualizar.bcm"), options));
        const QByteArray original = ReadAll(Path("visualizar.bcm"));
        TfrmMain frame;
        TMessageScript messages;
        WhenModal<TdialogPasswd>([](TdialogPasswd* dialog) { dialog->OKBtn->click(); });
        QVERIFY(frame.OpenBase(Path("visualizar.bcm")));
        frame.BaseWindow()->SetModified(true);
        messages.Clear();
        messages.answers = {TMsgResult::Yes};
        QVERIFY(!frame.BaseWindow()->close());
        QCOMPARE(messages.Texts(),
                 QStringList({kSaveChanges, QStringLiteral("Lembre-se de que você não tem permissão para alterar esta "
                                                           "base de conhecimento!")}));
        QCOMPARE(ReadAll(Path("visualizar.bcm")), original);
        messages.answers = {TMsgResult::No};
        QVERIFY(frame.BaseWindow()->close());
        QVERIFY(!frame.BaseOpen);
    }

    void openingAnotherBaseClosesTheOpenOneFirst() {
        QVERIFY(MakeBase(Path("primeira.bcm")));
        QVERIFY(MakeBase(Path("segunda.bcm")));
        TfrmMain frame;
        TMessageScript messages;
        QVERIFY(frame.OpenBase(Path("primeira.bcm")));
        frame.BaseWindow()->SetModified(true);
        messages.answers = {TMsgResult::Cancel};
        QVERIFY(!frame.OpenBase(Path("segunda.bcm")));
        QCOMPARE(frame.CurrentFile, Path("primeira.bcm"));
        // Still open, and still marked as modified.
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("primeira.bcm *"));
        messages.answers = {TMsgResult::No};
        QVERIFY(frame.OpenBase(Path("segunda.bcm")));
        QCOMPARE(frame.MdiArea()->subWindowList().size(), 1);
        QCOMPARE(frame.BaseWindow()->windowTitle(), QStringLiteral("segunda.bcm"));
    }

    void theRecentFilesKeepTheLastFourMostRecentFirst() {
        const QStringList names = {"a.bcm", "b.bcm", "c.bcm", "d.bcm", "e.bcm"};
        for (const QString& name : names) QVERIFY(MakeBase(Path(name)));
        TfrmMain frame;
        for (const QString& name : names) QVERIFY(frame.OpenBase(Path(name)));
        QCOMPARE(RecentEntries(), QStringList({Path("e.bcm"), Path("d.bcm"), Path("c.bcm"), Path("b.bcm")}));
        QCOMPARE(RecentMenu(frame), QStringList({QStringLiteral("&1 e.bcm"), QStringLiteral("&2 d.bcm"),
                                                 QStringLiteral("&3 c.bcm"), QStringLiteral("&4 b.bcm")}));
        QVERIFY(Command(frame, "mnuFileBar")->isVisible());
        QCOMPARE(Command(frame, "mnuLastFile3")->statusTip(), Path("c.bcm"));

        // Opening the second entry moves it to the top, the others keep their order.
        Command(frame, "mnuLastFile2")->trigger();
        QCOMPARE(frame.CurrentFile, Path("d.bcm"));
        QCOMPARE(RecentEntries(), QStringList({Path("d.bcm"), Path("e.bcm"), Path("c.bcm"), Path("b.bcm")}));

        // A new base never saved leaves an empty first entry when it closes.
        Command(frame, "btnNew")->trigger();
        frame.BaseWindow()->close();
        QCOMPARE(RecentEntries(), QStringList({QString(), Path("d.bcm"), Path("e.bcm"), Path("c.bcm")}));
        TfrmMain next;
        QCOMPARE(RecentMenu(next),
                 QStringList({QStringLiteral("&1 d.bcm"), QStringLiteral("&2 e.bcm"), QStringLiteral("&3 c.bcm")}));
    }

    // The export commands write their text file and move the working folder there.
    void exportingMovesTheWorkingFolder() {
        QVERIFY(MakeBase(Path("exportar.bcm")));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("relatorios")));
        TfrmMain frame;
        TMessageScript messages;
        frame.WorkingFolder = dir_->path();
        QVERIFY(frame.OpenBase(Path("exportar.bcm")));
        TFileDialogView seen;
        ChooseFile(Path("relatorios/base.txt"), &seen);
        Command(frame, "mnuExportBase")->trigger();
        QCOMPARE(seen.defaultSuffix, QStringLiteral("txt"));
        QVERIFY(ReadAll(Path("relatorios/base.txt")).contains("Gripe"));
        QCOMPARE(QDir(frame.WorkingFolder).absolutePath(), QDir(Path("relatorios")).absolutePath());
        // Saving does not move it.
        ChooseFile(Path("copia.bcm"));
        QVERIFY(frame.mnuSaveAsClick());
        QCOMPARE(QDir(frame.WorkingFolder).absolutePath(), QDir(Path("relatorios")).absolutePath());
        QVERIFY(messages.shown.empty());
    }

    void hoveringARecentFileShowsItsPath() {
        QVERIFY(MakeBase(Path("caminho.bcm")));
        TfrmMain frame;
        QVERIFY(frame.OpenBase(Path("caminho.bcm")));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        MenuOf(frame, "mnuFile")->popup(frame.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(MenuOf(frame, "mnuFile")));
        MenuOf(frame, "mnuFile")->setActiveAction(Command(frame, "mnuLastFile1"));
        QTRY_COMPARE(frame.StatusPanels().Message(), Path("caminho.bcm"));
        MenuOf(frame, "mnuFile")->hide();
    }
};

QTEST_MAIN(MainDocumentTest)
#include "main_document_test.moc"
