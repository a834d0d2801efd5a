#include <QSocketNotifier>

#include "app/Platform.h"

namespace ornyx::app {

QObject* WatchWaitHandle(int handle, QObject* parent, std::function<void()> raised) {
    auto* notifier = new QSocketNotifier(handle, QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, std::move(raised));
    return notifier;
}

}  // namespace ornyx::app
