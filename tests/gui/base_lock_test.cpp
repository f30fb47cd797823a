// Two workbenches and one base: the lock file beside an open base tells the
// second workbench that the base is open elsewhere; it may then open the base
// read-only, and the lock follows the base until it is closed.
#include <QFileInfo>
#include <QtTest>

#include "Base.h"
#include "BaseLock.h"
#include "main_test_support.h"

using namespace maintest;

class BaseLockTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString Path(const QString& name) const { return dir_->filePath(name); }
    static bool Locked(const QString& base) { return QFileInfo::exists(TBaseLock::LockFileName(base)); }

private slots:
    void init() {
        RemoveSettings();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(MakeBase(Path("gripe.bcm")));
    }

    void theSecondWorkbenchMayOpenTheBaseReadOnly() {
        const QString base = Path("gripe.bcm");
        TfrmMain first;
        TfrmMain second;
        TMessageScript messages;
        QVERIFY(first.OpenBase(base));
        QVERIFY(Locked(base));
        QVERIFY(messages.shown.empty());

        // Refused: the second workbench stays as it was.
        messages.answers = {TMsgResult::No};
        QVERIFY(!second.OpenBase(base));
        QCOMPARE(messages.shown.size(), std::size_t(1));
        QCOMPARE(messages.shown.front().kind, TMsgKind::Confirmation);
        QVERIFY(messages.shown.front().text.contains(QStringLiteral("já está aberta em outra janela")));
        QVERIFY(messages.shown.front().text.contains(QStringLiteral("gripe.bcm")));
        QVERIFY(!second.BaseOpen);

        // Accepted: open for reading, never for writing.
        messages.Clear();
        messages.answers = {TMsgResult::Yes};
        QVERIFY(second.OpenBase(base));
        QVERIFY(second.BaseOpen);
        QCOMPARE(second.BaseWindow()->windowTitle(), QStringLiteral("gripe.bcm (somente leitura)"));
        QVERIFY(!Usable(Command(second, QStringLiteral("btnSave"))));
        const QByteArray before = ReadAll(base);
        messages.Clear();
        QVERIFY(!second.btnSaveClick());
        QCOMPARE(ReadAll(base), before);
        // The first workbench still holds the base and writes it.
        QVERIFY(Usable(Command(first, QStringLiteral("btnSave"))));
        QVERIFY(first.btnSaveClick());
        QVERIFY(Locked(base));
    }

    void theLockFollowsTheBaseUntilItIsClosed() {
        const QString base = Path("gripe.bcm");
        TMessageScript messages;
        {
            TfrmMain frame;
            QVERIFY(frame.OpenBase(base));
            // Opened again by the same workbench: no question, still locked.
            QVERIFY(frame.OpenBase(base));
            QVERIFY(messages.shown.empty());
            QVERIFY(Locked(base));
            // Saved under another name: the lock goes with it.
            const QString copy = Path("copia.bcm");
            ChooseFile(copy);
            QVERIFY(frame.mnuSaveAsClick());
            QVERIFY(Locked(copy));
            QVERIFY(!Locked(base));
            // A new base closes the old one and its lock.
            Command(frame, QStringLiteral("btnNew"))->trigger();
            QVERIFY(!Locked(copy));
            QVERIFY(frame.OpenBase(base));
            QVERIFY(Locked(base));
        }
        // The workbench closed: a second one opens the base without a question.
        QVERIFY(!Locked(base));
        TfrmMain other;
        QVERIFY(other.OpenBase(base));
        QVERIFY(messages.shown.empty());
    }
};

QTEST_MAIN(BaseLockTest)
#include "base_lock_test.moc"
