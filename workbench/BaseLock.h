// A lock file beside the open base (BASE.bcm.lock), so that a second
// workbench opening the same base is told that it is open elsewhere and may
// open it read-only instead of writing over the other's changes.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QWidget;

class TBaseLock : public QObject {
    Q_OBJECT

public:
    // The lock kept for the workbench `owner` (made on first use, owned by it).
    static TBaseLock& Of(QObject& owner);

    enum class TOpening { ReadWrite, ReadOnly, Refused };

    // Before `file` is opened: takes its lock aside, or, when another
    // workbench holds it, asks the user whether to open the base read-only.
    // A folder where no lock file can be made opens the base as before.
    TOpening Prepare(QWidget* parent, const QString& file);
    // The base prepared for is open now: its lock replaces the one held.
    void Opened();
    // The base was not opened after all.
    void Abandon();
    // The base is written under another name: the lock goes there too, when it can.
    void MovedTo(const QString& file);
    // The base was closed.
    void Release();

    QString LockedFile() const { return held_ ? heldFile_ : QString(); }

    static QString LockFileName(const QString& file);

private:
    explicit TBaseLock(QObject* owner);
    // Takes the lock of `file`; null when it cannot, `holder` then naming the
    // workbench holding it (empty when no lock file can be made there).
    static std::unique_ptr<QLockFile> Take(const QString& file, QString* holder);

    std::unique_ptr<QLockFile> held_;
    QString heldFile_;
    std::unique_ptr<QLockFile> pending_;
    QString pendingFile_;
};
