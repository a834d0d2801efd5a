#include "app/Platform.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ornyx::app {

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

bool InstallQtTranslations(QCoreApplication& application, i18n::Language language) {
    QString locale;
    switch (language) {
        case i18n::Language::ChineseSimplified:
            locale = "zh_CN";
            break;
        case i18n::Language::ChineseTraditional:
            locale = "zh_TW";
            break;
        case i18n::Language::Turkish:
            locale = "tr";
            break;
        case i18n::Language::English:
            return true;
    }
    auto* translator = new QTranslator(&application);
    if (!translator->load("qt_" + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace ornyx::app
