#include "EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

#include "ExExceptions.h"

namespace {

constexpr const char* kLoopEnded = "A consulta foi interrompida porque o Quorvel está sendo encerrado.";

}  // namespace

void TQtMessageLoop::RunUntil(const std::function<bool()>& done) {
    if (done()) return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!QCoreApplication::instance() || !dispatcher) throw quorvel::EExpertSystem(kLoopEnded);

    // The predicate only changes inside event handlers, so it is checked each
    // time the loop has handled what was pending and is about to sleep.
    QEventLoop loop;
    const QMetaObject::Connection check =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, [&loop, &done] {
            if (done()) loop.quit();
        });
    loop.exec();
    QObject::disconnect(check);
    if (!done()) throw quorvel::EExpertSystem(kLoopEnded);
}
