#pragma once

// Records of fixed-width columns for the sample files of the tests and the benchmarks.

#include <QString>
#include <initializer_list>
#include <utility>

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

// A record of `width` characters: blanks with each text placed at its position (from 1), cut
// at the record's end.
inline QString record(int width, std::initializer_list<std::pair<int, QString>> parts)
{
    QString line(width, u' ');
    for (const auto &[position, text] : parts)
        line.replace(position - 1, text.size(), text.left(width - position + 1));
    return line;
}

} // namespace samples
