#include "app/DesktopNotifier.h"

namespace ornyx::app {

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

}  // namespace ornyx::app
