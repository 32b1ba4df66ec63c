#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;

namespace hzm {

// Installs the desktop program's translation for the locale's language, and Qt's own in the same
// language for the standard dialogs' buttons, on the application. English, or a language without
// a translation of the program, leaves every text as it is. Returns the translations installed ("hzm_de",
// "qtbase_de"). Only the desktop program calls this: hzmctl's output stays English for the scripts that read
// it.
QStringList installTranslations(QCoreApplication *app, const QLocale &locale = QLocale());

} // namespace hzm
