#pragma once

// Writes a sample file for a test; a file that cannot be written ends the test run.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace samples {

inline QString writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace samples
