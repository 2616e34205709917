#include "FixedWidthFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

namespace velkora::views {

namespace {

// The characters that a font of one width must draw alike: a narrow and a wide letter, a digit,
// punctuation, the blank, and letters of Spanish text.
constexpr char16_t SampleCharacters[] = u"iWm0.| ñÑáÉü";

// The families tried when the system's fixed-width font is not really of one width, the one the
// install script installs first.
const QStringList &fallbackFamilies()
{
    static const QStringList families{
        QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
        QStringLiteral("Noto Sans Mono"), QStringLiteral("Noto Mono"), QStringLiteral("Cousine")};
    return families;
}

QFont prepared(QFont font, qreal pointSize)
{
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    font.setKerning(false);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

// A family as the machine has it: none when it is not installed (the font would be another).
bool usable(const QFont &font)
{
    return QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0 &&
           hasEqualAdvances(font);
}

} // namespace

bool hasEqualAdvances(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const QString sample = QString::fromUtf16(SampleCharacters);
    const qreal advance = metrics.horizontalAdvance(sample.at(0));
    if (advance <= 0)
        return false;
    for (const QChar c : sample)
        if (metrics.horizontalAdvance(c) != advance)
            return false;
    // A run is as wide as its characters side by side.
    return metrics.horizontalAdvance(sample) == advance * qreal(sample.size());
}

QFont fixedWidthFont(const QStringList &preferredFamilies, qreal pointSize)
{
    const QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const qreal size = pointSize > 0 ? pointSize : system.pointSizeF();
    for (const QString &family : preferredFamilies) {
        const QFont font = prepared(QFont(family), size);
        if (usable(font))
            return font;
    }
    const QFont systemFixed = prepared(system, size);
    if (hasEqualAdvances(systemFixed))
        return systemFixed;
    for (const QString &family : fallbackFamilies()) {
        const QFont font = prepared(QFont(family), size);
        if (usable(font))
            return font;
    }
    for (const QString &family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family))
            continue;
        const QFont font = prepared(QFont(family), size);
        if (usable(font))
            return font;
    }
    return systemFixed;
}

} // namespace velkora::views
