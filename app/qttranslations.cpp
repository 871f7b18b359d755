#include "app/qttranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {
const char *const kCatalogues[] = {"qtbase", "qtserialport"};
}

QStringList installQtTranslations(QCoreApplication &application)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                 QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    QStringList inUse;
    for (const char *catalogue : kCatalogues) {
        const QString name = QString::fromLatin1(catalogue) + QStringLiteral("_ru");
        if (auto *installed = application.findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly)) {
            inUse << installed->filePath();
            continue;
        }
        auto *translator = new QTranslator(&application);
        translator->setObjectName(name);
        bool loaded = false;
        for (const QString &folder : folders)
            if ((loaded = translator->load(russian, QString::fromLatin1(catalogue), QStringLiteral("_"), folder)))
                break;
        if (!loaded || !QCoreApplication::installTranslator(translator)) {
            delete translator;
            continue;
        }
        inUse << translator->filePath();
    }
    return inUse;
}

} // namespace app
