#include "platform/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace {
// Owned by the application object, so it never outlives it.
QPointer<QTranslator> g_qtTranslator;
} // namespace

bool LoadQtTranslations(const QLocale& locale)
{
    delete g_qtTranslator.data(); // a translator takes itself out when deleted
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || locale.language() == QLocale::English || locale.language() == QLocale::C)
        return false;
    auto* translator = new QTranslator(application);
    // "qt" gathers the translations of every Qt module the program uses.
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    g_qtTranslator = translator;
    return true;
}
