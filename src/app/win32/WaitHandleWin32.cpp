#include <QWinEventNotifier>
#include <cstdint>

#include "app/Platform.h"

namespace ornyx::app {

// A socket notifier cannot watch an event object: it never fires for one.
QObject* WatchWaitHandle(int handle, QObject* parent, std::function<void()> raised) {
    auto* notifier = new QWinEventNotifier(
        reinterpret_cast<Qt::HANDLE>(static_cast<std::intptr_t>(handle)), parent);
    QObject::connect(notifier, &QWinEventNotifier::activated, parent, std::move(raised));
    return notifier;
}

}  // namespace ornyx::app
