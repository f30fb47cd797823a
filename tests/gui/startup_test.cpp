// What the workbench does as it starts: its command line (help and version
// in Portuguese, the base to open) and Qt's own texts in Portuguese.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "CommandLine.h"
#include "ExVersion.h"
#include "Translations.h"

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(quorvel::gui::InstallQtTranslations()); }

    void helpAndVersionAreAnsweredOnTheTerminal_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("textOnly");
        QTest::addColumn<bool>("help");
        QTest::newRow("--help") << QStringList{"quorvel", "--help"} << true << true;
        QTest::newRow("-h") << QStringList{"quorvel", "-h"} << true << true;
        QTest::newRow("--version") << QStringList{"quorvel", "--version"} << true << false;
        QTest::newRow("-v with a base") << QStringList{"quorvel", "gripe", "-v"} << true << false;
        QTest::newRow("a base") << QStringList{"quorvel", "gripe"} << false << false;
        QTest::newRow("after --") << QStringList{"quorvel", "--", "--help"} << false << false;
    }

    void helpAndVersionAreAnsweredOnTheTerminal() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, textOnly);
        QFETCH(bool, help);
        QCOMPARE(TCommandLine::AsksForTextOnly(arguments), textOnly);
        TCommandLine commandLine;
        QVERIFY(commandLine.Parse(arguments));
        QCOMPARE(commandLine.HelpRequested(), help);
        QCOMPARE(commandLine.VersionRequested(), textOnly && !help);
    }

    void theHelpAndTheVersionSpeakPortuguese() {
        TCommandLine commandLine;
        QVERIFY(commandLine.Parse({"quorvel", "--help"}));
        const QString help = commandLine.HelpText();
        for (const char* part : {"Uso: quorvel [opções] [base]", "Opções:", "--help", "--version", "Argumentos:",
                                 "\".bcm\"", "\".BCM\""})
            QVERIFY2(help.contains(QString::fromUtf8(part)), part);
        for (const char* english : {"Usage", "Options", "Displays", "version information"})
            QVERIFY2(!help.contains(QLatin1String(english)), english);
        QCOMPARE(TCommandLine::VersionText(), QStringLiteral("Quorvel %1\n").arg(QLatin1String(quorvel::kVersion)));
    }

    void theBaseToOpenAndWhatIsRefused() {
        TCommandLine commandLine;
        QVERIFY(commandLine.Parse({"quorvel", "examples/credito_pessoal"}));
        QCOMPARE(commandLine.BaseName(), QStringLiteral("examples/credito_pessoal"));
        TCommandLine none;
        QVERIFY(none.Parse({"quorvel"}));
        QVERIFY(none.BaseName().isEmpty());
        TCommandLine two;
        QVERIFY(!two.Parse({"quorvel", "a.bcm", "b.bcm"}));
        QVERIFY(two.ErrorText().contains(QStringLiteral("Só uma base")));
        TCommandLine unknown;
        QVERIFY(!unknown.Parse({"quorvel", "--depressa"}));
        QVERIFY(unknown.ErrorText().contains(QStringLiteral("quorvel --help")));
    }

    // The file dialogs, the standard buttons and the edit boxes' menus in Portuguese.
    void qtTextsArePortuguese() {
        QFileDialog dialog(nullptr, QStringLiteral("Abrir base de conhecimento"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const auto label = [&](const char* name) {
            const auto* found = dialog.findChild<QLabel*>(QLatin1String(name));
            return found ? found->text() : QString();
        };
        QCOMPARE(label("lookInLabel"), QCoreApplication::translate("QFileDialog", "Look in:"));
        QVERIFY(!label("lookInLabel").isEmpty() && label("lookInLabel") != QLatin1String("Look in:"));
        QVERIFY2(label("fileNameLabel").contains(QStringLiteral("Nome do arquivo")), qPrintable(label("fileNameLabel")));
        QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel | QDialogButtonBox::Close);
        const auto caption = [&](QDialogButtonBox::StandardButton which) {
            return box.button(which)->text().remove(QLatin1Char('&'));
        };
        QCOMPARE(caption(QDialogButtonBox::Open), QStringLiteral("Abrir"));
        QCOMPARE(caption(QDialogButtonBox::Cancel), QStringLiteral("Cancelar"));
        QCOMPARE(caption(QDialogButtonBox::Close), QStringLiteral("Fechar"));
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QCOMPARE(menu->actions().front()->text(), QStringLiteral("&Desfazer") + QLatin1Char('\t') +
                                                      QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText));
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
