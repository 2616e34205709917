#include "SpanishLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>
#include <memory>

namespace velkora::app {

namespace {

// Where Qt's translations are: Qt's own folder, then Debian's (qt6-translations-l10n).
QStringList translationFolders()
{
    QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                        QStringLiteral("/usr/share/qt6/translations")};
    folders.removeDuplicates();
    return folders;
}

// Whether the locale groups the digits of a large number as it should: some versions of Qt's
// locale data leave the first group of Spain's numbers unseparated ("1331.525").
bool groupsDigits(const QLocale &locale)
{
    const QString group = locale.groupSeparator();
    return locale.toString(1331525) ==
           QLatin1Char('1') + group + QStringLiteral("331") + group + QStringLiteral("525");
}

} // namespace

QLocale SpanishLocale::choose(const QLocale &system)
{
    const QLocale wanted =
        system.language() == QLocale::Spanish ? system : QLocale(QLocale::Spanish, QLocale::Spain);
    if (groupsDigits(wanted))
        return wanted;
    // Another Spanish locale that writes numbers and short dates alike, and groups well.
    QList<QLocale> alike =
        QLocale::matchingLocales(QLocale::Spanish, QLocale::AnyScript, QLocale::AnyTerritory);
    std::sort(alike.begin(), alike.end(),
              [](const QLocale &a, const QLocale &b) { return a.name() < b.name(); });
    for (const QLocale &other : alike) {
        if (other.decimalPoint() == wanted.decimalPoint() &&
            other.groupSeparator() == wanted.groupSeparator() &&
            other.dateFormat(QLocale::ShortFormat) == wanted.dateFormat(QLocale::ShortFormat) &&
            groupsDigits(other))
            return other;
    }
    return wanted;
}

bool SpanishLocale::apply(QCoreApplication &app, const QLocale &system)
{
    const QLocale locale = choose(system);
    QLocale::setDefault(locale);
    for (const QString &folder : translationFolders()) {
        auto translator = std::make_unique<QTranslator>(&app);
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(translator.release());
            return true;
        }
    }
    return false;
}

} // namespace velkora::app
