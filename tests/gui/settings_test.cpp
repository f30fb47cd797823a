// The settings file QUORVEL.INI and the recent-files list kept in it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "IniFile.h"
#include "RecentFiles.h"

using quorvel::gui::RecentFileEntries;
using quorvel::gui::SettingsFilePath;
using quorvel::gui::TIniFile;
using quorvel::gui::UpdateRecentFiles;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Sets or removes an environment variable for the life of the object.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const QString& value) : name_(name), had_(qEnvironmentVariableIsSet(name)) {
        old_ = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }
    ~TScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void settingsFileFollowsTheEnvironment_data() {
        QTest::addColumn<QString>("configDir");
        QTest::addColumn<QString>("xdgConfigHome");
        QTest::addColumn<QString>("expected");
        const QString none;
        QTest::newRow("own folder wins") << "/srv/quorvel-cfg" << "/xdg" << "/srv/quorvel-cfg/QUORVEL.INI";
        QTest::newRow("XDG config home") << none << "/xdg" << "/xdg/quorvel/QUORVEL.INI";
        QTest::newRow("empty own folder is unset") << "" << "/xdg" << "/xdg/quorvel/QUORVEL.INI";
        QTest::newRow("relative XDG is ignored") << none << "rel/dir" << "/home/ana/.config/quorvel/QUORVEL.INI";
        QTest::newRow("default under home") << none << none << "/home/ana/.config/quorvel/QUORVEL.INI";
    }
    void settingsFileFollowsTheEnvironment() {
        QFETCH(QString, configDir);
        QFETCH(QString, xdgConfigHome);
        QFETCH(QString, expected);
        TScopedEnv home("HOME", QStringLiteral("/home/ana"));
        TScopedEnv own("QUORVEL_CONFIG_DIR", configDir);
        TScopedEnv xdg("XDG_CONFIG_HOME", xdgConfigHome);
        QCOMPARE(QDir::cleanPath(SettingsFilePath()), expected);
    }

    // The layout SaveSettings writes: every section and key of the settings
    // file, read back by a fresh reader.
    void writesTheWholeLayoutWithLiteralKeysAndReadsItBack() {
        QTemporaryDir dir;
        // The folder does not exist yet: the first write creates it.
        const QString path = dir.filePath(QStringLiteral("nova/pasta/QUORVEL.INI"));
        {
            TIniFile ini(path);
            ini.WriteInteger("Janela Principal", "Cima", 12);
            ini.WriteInteger("Janela Principal", "Esquerda", -4);
            ini.WriteInteger("Janela Principal", "Largura", 800);
            ini.WriteInteger("Janela Principal", "Altura", 600);
            ini.WriteInteger("Janela Principal", "Estado", 1);
            ini.WriteString("Geral", "Pasta de trabalho", QStringLiteral("/home/joão/bases"));
            ini.WriteBool("Geral", "Dica do dia", false);
            ini.WriteInteger("Geral", "Última dica do dia", 7);
            ini.WriteString("Arquivos", "1", QStringLiteral("/home/joão/bases/Crédito.bcm"));
            ini.WriteInteger("Ferramentas consulta", "Dock", 3);
            ini.WriteInteger("Ferramentas consulta", "Linha", 0);
            ini.WriteInteger("Ferramentas consulta", "Posição dock", 2);
            ini.WriteBool("Ferramentas consulta", "Visível", true);
            QVERIFY(ini.Ok());
        }
        const QByteArray expected =
            "[Janela Principal]\nCima=12\nEsquerda=-4\nLargura=800\nAltura=600\nEstado=1\n\n"
            "[Geral]\nPasta de trabalho=/home/jo\xC3\xA3o/bases\nDica do dia=0\n\xC3\x9Altima dica do dia=7\n\n"
            "[Arquivos]\n1=/home/jo\xC3\xA3o/bases/Cr\xC3\xA9" "dito.bcm\n\n"
            "[Ferramentas consulta]\nDock=3\nLinha=0\nPosi\xC3\xA7\xC3\xA3o dock=2\nVis\xC3\xADvel=1\n";
        QCOMPARE(ReadBytes(path), expected);

        const TIniFile back(path);
        QCOMPARE(back.ReadInteger("Janela Principal", "Estado", 0), 1);
        QCOMPARE(back.ReadInteger("Janela Principal", "Esquerda", 10), -4);
        QCOMPARE(back.ReadString("Geral", "Pasta de trabalho"), QStringLiteral("/home/joão/bases"));
        QCOMPARE(back.ReadBool("Geral", "Dica do dia", true), false);
        QCOMPARE(back.ReadInteger("Geral", "Última dica do dia", 0), 7);
        QCOMPARE(back.ReadInteger("Ferramentas consulta", "Posição dock", -1), 2);
        QCOMPARE(back.ReadBool("Ferramentas consulta", "Visível", false), true);
        QCOMPARE(RecentFileEntries(back), QStringList{QStringLiteral("/home/joão/bases/Crédito.bcm")});
    }

    void missingFileOrKeyGivesTheDefaults_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("defaultValue");
        QTest::newRow("top") << "Janela Principal" << "Cima" << 10;
        QTest::newRow("left") << "Janela Principal" << "Esquerda" << 10;
        QTest::newRow("width") << "Janela Principal" << "Largura" << 500;
        QTest::newRow("height") << "Janela Principal" << "Altura" << 200;
        QTest::newRow("state") << "Janela Principal" << "Estado" << 0;
        QTest::newRow("last tip") << "Geral" << "Última dica do dia" << 0;
        QTest::newRow("toolbar dock") << "Ferramentas arquivo" << "Dock" << -1;
        QTest::newRow("not a number") << "Geral" << "Lixo" << 42;
    }
    void missingFileOrKeyGivesTheDefaults() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, defaultValue);
        QTemporaryDir dir;
        const QString absent = dir.filePath(QStringLiteral("QUORVEL.INI"));
        const TIniFile none(absent);
        QCOMPARE(none.ReadInteger(section, key, defaultValue), defaultValue);
        QVERIFY(!none.HasKey(section, key));
        QVERIFY2(!QFile::exists(absent), "reading must not create the file");

        // A file that has other keys, and one that is not a number.
        const QString other = dir.filePath(QStringLiteral("other.ini"));
        WriteBytes(other, "[Geral]\nLixo=12abc\nDica do dia=0\n");
        const TIniFile partial(other);
        QCOMPARE(partial.ReadInteger(section, key, defaultValue), defaultValue);
        QCOMPARE(partial.ReadBool("Geral", "Dica do dia", true), false);
        QCOMPARE(partial.ReadBool("Geral", "Ausente", true), true);
        QCOMPARE(partial.ReadString("Geral", "Ausente", QStringLiteral("x")), QStringLiteral("x"));
    }

    // Files edited by hand or left by an older program: blanks, CRLF, a BOM,
    // comments, keys in another case and Windows-1252 text.
    void readsFilesWrittenElsewhereAndRewritesThemInPlace() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUORVEL.INI"));
        WriteBytes(path,
                   "; comment\r\n[Geral]\r\n  pasta de TRABALHO =  /bases \r\n"
                   "[Ferramentas ajuda]\r\nPosi\xE7\xE3o dock=3\r\n");
        TIniFile ini(path);
        QCOMPARE(ini.ReadString("Geral", "Pasta de trabalho"), QStringLiteral("/bases"));
        QCOMPARE(ini.ReadInteger("ferramentas AJUDA", "Posição dock", -1), 3);

        ini.WriteInteger("Ferramentas ajuda", "POSIÇÃO DOCK", 4);
        ini.WriteInteger("Janela Principal", "Estado", 2);
        QVERIFY(ini.Ok());
        QCOMPARE(ReadBytes(path),
                 QByteArray("[Geral]\npasta de TRABALHO=/bases\n\n[Ferramentas ajuda]\nPosi\xC3\xA7\xC3\xA3o dock=4\n\n"
                            "[Janela Principal]\nEstado=2\n"));

        WriteBytes(path, "\xEF\xBB\xBF[Geral]\nDica do dia=0\n");
        QCOMPARE(TIniFile(path).ReadBool("Geral", "Dica do dia", true), false);
    }

    // A value with a line break would plant keys of its own in the file.
    void refusesLineBreaksAndReportsFailedWrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUORVEL.INI"));
        TIniFile ini(path);
        ini.WriteBool("Geral", "Dica do dia", true);
        QVERIFY(ini.Ok());
        const QByteArray before = ReadBytes(path);
        ini.WriteString("Geral", "Pasta de trabalho", QStringLiteral("/x\n[Geral]\nDica do dia=0"));
        QVERIFY(!ini.Ok());
        QCOMPARE(ReadBytes(path), before);
        QCOMPARE(TIniFile(path).ReadBool("Geral", "Dica do dia", false), true);
        QVERIFY(!TIniFile(path).HasKey("Geral", "Pasta de trabalho"));

        // A folder that cannot be made: its parent is a file.
        WriteBytes(dir.filePath(QStringLiteral("file")), "x");
        TIniFile blocked(dir.filePath(QStringLiteral("file/QUORVEL.INI")));
        blocked.WriteInteger("Janela Principal", "Estado", 1);
        QVERIFY(!blocked.Ok());
    }

    void updatesAreStoredOnceAtTheEnd() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUORVEL.INI"));
        TIniFile ini(path);
        ini.BeginUpdate();
        ini.WriteInteger("Janela Principal", "Cima", 1);
        ini.WriteInteger("Janela Principal", "Esquerda", 2);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(ini.ReadInteger("Janela Principal", "Esquerda", 10), 2);
        QVERIFY(ini.EndUpdate());
        QCOMPARE(ReadBytes(path), QByteArray("[Janela Principal]\nCima=1\nEsquerda=2\n"));
    }

    // ---------------------------------------------------------------- recent files

    void recentFilesMoveToTheTop_data() {
        QTest::addColumn<QStringList>("initial");  // "1" ... "4" before
        QTest::addColumn<QStringList>("opened");   // current files, in turn
        QTest::addColumn<QStringList>("stored");   // "1" ... "4" after
        QTest::addColumn<QStringList>("menu");     // the non-empty entries
        const QString a = "/b/A.bcm", b = "/b/B.bcm", c = "/b/C.bcm", d = "/b/D.bcm", e = "/b/E.bcm";
        const QStringList abcd{a, b, c, d};
        QTest::newRow("A to E in turn") << QStringList() << QStringList{a, b, c, d, e} << QStringList{e, d, c, b}
                                        << QStringList{e, d, c, b};
        QTest::newRow("second entry") << abcd << QStringList{b} << QStringList{b, a, c, d} << QStringList{b, a, c, d};
        QTest::newRow("fourth entry") << abcd << QStringList{d} << QStringList{d, a, b, c} << QStringList{d, a, b, c};
        QTest::newRow("first entry") << abcd << QStringList{a} << abcd << abcd;
        QTest::newRow("new file") << abcd << QStringList{e} << QStringList{e, a, b, c} << QStringList{e, a, b, c};
        QTest::newRow("base never saved") << abcd << QStringList{QString()} << QStringList{"", a, b, c}
                                          << QStringList{a, b, c};
        QTest::newRow("never saved, then saved")
            << abcd << QStringList{QString(), e} << QStringList{e, "", a, b} << QStringList{e, a, b};
        QTest::newRow("short list") << QStringList{a} << QStringList{b} << QStringList{b, a, "", ""}
                                    << QStringList{b, a};
        // Paths differing in case are different files here.
        QTest::newRow("case is kept") << QStringList{"/b/Base.bcm"} << QStringList{"/b/base.bcm"}
                                      << QStringList{"/b/base.bcm", "/b/Base.bcm", "", ""}
                                      << QStringList{"/b/base.bcm", "/b/Base.bcm"};
    }
    void recentFilesMoveToTheTop() {
        QFETCH(QStringList, initial);
        QFETCH(QStringList, opened);
        QFETCH(QStringList, stored);
        QFETCH(QStringList, menu);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QUORVEL.INI"));
        {
            TIniFile ini(path);
            for (int k = 0; k < initial.size(); ++k) ini.WriteString("Arquivos", QString::number(k + 1), initial[k]);
            for (const QString& file : opened) UpdateRecentFiles(ini, file);
        }
        const TIniFile back(path);
        QStringList after;
        for (int k = 1; k <= 4; ++k) after << back.ReadString("Arquivos", QString::number(k));
        QCOMPARE(after, stored);
        QCOMPARE(RecentFileEntries(back), menu);
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
