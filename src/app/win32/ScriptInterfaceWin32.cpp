#include "app/ScriptInterface.h"

namespace ornyx::app {

std::unique_ptr<QObject> OfferScriptInterface(CHidMouseDlg&, QString&) {
    return nullptr;
}

}  // namespace ornyx::app
