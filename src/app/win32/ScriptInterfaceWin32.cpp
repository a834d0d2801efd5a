#include "app/ScriptInterface.h"

namespace ornyx::app {

std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg&,
                                              const std::function<void(const std::string&)>&) {
    return nullptr;
}

const char* ScriptInterfaceHelp() {
    return "";
}

}  // namespace ornyx::app
