#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

namespace hzm {

namespace {

// The window's words in the option lists; numbered entries keep their number.
const char *const kNumberedEntries[] = {
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Zone %1"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Group %1"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Input %1"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Line %1"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Mic %1")};
const char *const kWordEntries[] = {
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Off"),     QT_TRANSLATE_NOOP("hzm::OptionLists", "None"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Mono"),    QT_TRANSLATE_NOOP("hzm::OptionLists", "Stereo"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Factory"), QT_TRANSLATE_NOOP("hzm::OptionLists", "Default"),
    QT_TRANSLATE_NOOP("hzm::OptionLists", "Last")};

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

QString displayedEntry(const QString &entry) {
    for (const char *word : kWordEntries) {
        if (entry == QLatin1String(word))
            return QCoreApplication::translate("hzm::OptionLists", word);
    }
    static const QRegularExpression numbered(QStringLiteral("^(\\S+) (\\d+)$"));
    const QRegularExpressionMatch match = numbered.match(entry);
    if (match.hasMatch()) {
        for (const char *format : kNumberedEntries) {
            if (match.captured(1) + QLatin1String(" %1") == QLatin1String(format))
                return QCoreApplication::translate("hzm::OptionLists", format).arg(match.captured(2));
        }
    }
    return entry;
}

} // namespace hzm
