// Where the program finds its tips and example bases: installed, in
// share/quorvel/ beside its bin/ folder; in a build tree, beside itself and in
// the build's examples/ folder.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "DataFiles.h"

class DataFilesTest : public QObject {
    Q_OBJECT

    static void Touch(const QString& path) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void installedLayout() {
        QTemporaryDir prefix;
        const QString data = prefix.filePath(QStringLiteral("share/quorvel"));
        Touch(data + QStringLiteral("/QUORVEL.TIP"));
        Touch(data + QStringLiteral("/examples/credito_pessoal.bcm"));
        const QStringList folders = DataFolders(prefix.filePath(QStringLiteral("bin")));
        QCOMPARE(FindDataFile(QStringLiteral("QUORVEL.TIP"), folders), data + QStringLiteral("/QUORVEL.TIP"));
        QCOMPARE(FindDataFile(QStringLiteral("examples"), folders), data + QStringLiteral("/examples"));
        QVERIFY(FindDataFile(QStringLiteral("NENHUM.TIP"), folders).isEmpty());
    }

    void buildTreeLayout() {
        QTemporaryDir build;
        const QString program = build.filePath(QStringLiteral("workbench"));
        Touch(program + QStringLiteral("/QUORVEL.TIP"));
        Touch(build.filePath(QStringLiteral("examples/cuidados_plantas.bcm")));
        const QStringList folders = DataFolders(program);
        QCOMPARE(FindDataFile(QStringLiteral("QUORVEL.TIP"), folders), program + QStringLiteral("/QUORVEL.TIP"));
        QCOMPARE(FindDataFile(QStringLiteral("examples"), folders), build.filePath(QStringLiteral("examples")));
    }
};

QTEST_MAIN(DataFilesTest)
#include "data_files_test.moc"
