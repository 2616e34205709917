#pragma once

// Records of fixed-width columns for the sample files of the tests and the benchmarks.

#include <QString>
#include <initializer_list>

namespace samples {

inline QString number(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

// The texts one after the other, each cut or filled with blanks to its width, and the record
// filled with blanks to `length`.
inline QString fixed(int length, std::initializer_list<int> widths,
                     std::initializer_list<QString> texts)
{
    QString line;
    const int *width = widths.begin();
    for (const QString &text : texts)
        line += text.leftJustified(*width++, u' ', true);
    return line.leftJustified(length, u' ', true);
}

} // namespace samples
