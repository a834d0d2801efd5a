#include "skin/MessageBoxSink.h"

#include <QMessageBox>

namespace ornyx::skin {

void MessageBoxSink::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon,
                    QString::fromStdString(caption.empty() ? std::string(kProgramName) : caption),
                    QString::fromStdString(text), QMessageBox::Ok, parent_.data());
    box.exec();
}

}  // namespace ornyx::skin
