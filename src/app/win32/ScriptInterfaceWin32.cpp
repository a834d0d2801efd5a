#include "app/ScriptInterface.h"

namespace ornyx::app {

std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg&, QString&) {
    return nullptr;
}

const char* ScriptInterfaceHelp() {
    return "";
}

}  // namespace ornyx::app
