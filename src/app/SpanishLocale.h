#pragma once

#include <QLocale>

class QCoreApplication;

namespace velkora::app {

// The application speaks Spanish: Qt's own texts (the buttons of its message boxes, its file
// dialogs, its calendar) through Qt's Spanish translations, and numbers and dates through a
// Spanish locale, the user's own when it is a Spanish one, Spain's otherwise. The stored texts
// and the statements keep their fixed formats (they never use the default locale).
class SpanishLocale {
public:
    // The locale used for `system`: itself when its language is Spanish, else Spanish (Spain).
    static QLocale choose(const QLocale &system);
    // Sets the default locale and installs Qt's Spanish translations into the application;
    // returns whether the translations were found (without them Qt's texts stay English).
    static bool apply(QCoreApplication &app, const QLocale &system = QLocale::system());
};

} // namespace velkora::app
