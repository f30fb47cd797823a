#include "BaseLock.h"

#include <QFileInfo>

#include "MessageBoxSink.h"

TBaseLock::TBaseLock(QObject* owner) : QObject(owner) { setObjectName(QStringLiteral("baseLock")); }

TBaseLock& TBaseLock::Of(QObject& owner) {
    if (auto* lock = owner.findChild<TBaseLock*>(QStringLiteral("baseLock"), Qt::FindDirectChildrenOnly)) return *lock;
    return *new TBaseLock(&owner);
}

QString TBaseLock::LockFileName(const QString& file) { return file + QStringLiteral(".lock"); }

std::unique_ptr<QLockFile> TBaseLock::Take(const QString& file, QString* holder) {
    auto lock = std::make_unique<QLockFile>(LockFileName(file));
    // A lock is stale only when its process is gone, never by age: a base may stay open for days.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) return lock;
    if (holder && lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        *holder = lock->getLockInfo(&pid, &host, &application)
                      ? QStringLiteral("processo %1 em %2").arg(pid).arg(host)
                      : QStringLiteral("outro processo");
    }
    return nullptr;
}

TBaseLock::TOpening TBaseLock::Prepare(QWidget* parent, const QString& file) {
    Abandon();
    pendingFile_ = file;
    // Opened again by this workbench: its own lock carries over.
    if (held_ && heldFile_ == file) {
        pending_ = std::move(held_);
        return TOpening::ReadWrite;
    }
    QString holder;
    pending_ = Take(file, &holder);
    if (pending_ || holder.isEmpty()) return TOpening::ReadWrite;
    const QString question =
        QStringLiteral("A base %1 já está aberta em outra janela do Quorvel (%2). Para não gravar por cima das "
                       "alterações feitas lá, ela pode ser aberta somente para leitura. Deseja abri-la assim?")
            .arg(QFileInfo(file).fileName(), holder);
    const auto answer = quorvel::gui::ShowMessage(parent, quorvel::TMsgKind::Confirmation,
                                                  quorvel::TMsgButtons::YesNo, question);
    return answer == quorvel::TMsgResult::Yes ? TOpening::ReadOnly : TOpening::Refused;
}

void TBaseLock::Opened() {
    held_ = std::move(pending_);
    heldFile_ = pendingFile_;
    pendingFile_.clear();
}

void TBaseLock::Abandon() {
    pending_.reset();
    pendingFile_.clear();
}

void TBaseLock::MovedTo(const QString& file) {
    if (held_ && heldFile_ == file) return;
    if (auto taken = Take(file, nullptr)) {
        held_ = std::move(taken);
        heldFile_ = file;
    } else {
        Release();
    }
}

void TBaseLock::Release() {
    held_.reset();
    heldFile_.clear();
}
