#include "TextRules.h"

namespace velkora::formats {

qsizetype firstNonTextCharacter(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return i;
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return i;
            if (QChar::isNonCharacter(QChar::surrogateToUcs4(c, text.at(i + 1))))
                return i;
            ++i;
            continue;
        }
        if (c.isLowSurrogate() || c.isNonCharacter())
            return i;
    }
    return -1;
}

} // namespace velkora::formats
