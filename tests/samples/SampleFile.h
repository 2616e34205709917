#pragma once

// Writes a sample file for a test, of bytes or of lines; a file that cannot be written ends the
// test run.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace samples {

inline QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

enum class Encoding { Utf8, Cp1252 };

// Writes lines with the given line end (after every line, or not after the last one) in UTF-8,
// with or without a byte-order mark, or in Windows-1252 (Latin-1 letters only).
inline QString writeFile(const QString &path, const QStringList &lines,
                         const QByteArray &end = "\n", Encoding encoding = Encoding::Utf8,
                         bool lastEnded = true, bool byteOrderMark = false)
{
    QByteArray bytes = byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        bytes += encoding == Encoding::Utf8 ? lines.at(i).toUtf8() : lines.at(i).toLatin1();
        if (i + 1 < lines.size() || lastEnded)
            bytes += end;
    }
    return writeBytes(path, bytes);
}

} // namespace samples
