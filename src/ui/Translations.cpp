#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace hzm {

namespace {

// Loads name_<language> from folder for the first of the locale's languages that has one and
// returns that language; English, the language the texts are written in, ends the search.
QString install(QCoreApplication *app, const QLocale &locale, const QString &name, const QString &folder) {
    for (const QString &language : locale.uiLanguages()) {
        if (language == QLatin1String("C") || language.startsWith(QLatin1String("en")))
            return QString();
        auto *translator = new QTranslator(app);
        if (translator->load(QLocale(language), name, QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator);
            return QLocale(language).name().section(QLatin1Char('_'), 0, 0);
        }
        delete translator;
    }
    return QString();
}

} // namespace

QStringList installTranslations(QCoreApplication *app, const QLocale &locale) {
    const QString language = install(app, locale, QStringLiteral("hzm"), QStringLiteral(":/i18n"));
    if (language.isEmpty())
        return {};
    QStringList installed{QStringLiteral("hzm_") + language};
    // Qt's buttons in the same language, not in one the rest of the window does not speak.
    if (!install(app, QLocale(language), QStringLiteral("qtbase"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))
             .isEmpty())
        installed << QStringLiteral("qtbase_") + language;
    return installed;
}

} // namespace hzm
