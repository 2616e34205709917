#include "TextCheck.h"

#include <QFile>

namespace velkora::proposal::detail {

namespace {

constexpr qint64 LookedAt = 1 << 20;

// The length of a well-formed UTF-8 sequence of two to four bytes at p, or 0.
int utf8Sequence(const unsigned char *p, qint64 left)
{
    const unsigned c = p[0];
    int n = c >= 0xC2 && c <= 0xDF   ? 2
            : c >= 0xE0 && c <= 0xEF ? 3
            : c >= 0xF0 && c <= 0xF4 ? 4
                                     : 0;
    if (n == 0 || n > left)
        return 0;
    for (int i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    return n;
}

} // namespace

QString nulReason(qint64 offset)
{
    return QStringLiteral("no es un archivo de texto: tiene bytes nulos (el primero en el byte "
                          "%1). Elija el archivo de texto del que proponer el formato de carga.")
        .arg(offset + 1);
}

TextCheck checkText(const QString &path)
{
    TextCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return check; // the reading says why
    const QByteArray bytes = file.read(LookedAt);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qint64 n = bytes.size();
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        check.text = false;
        check.why = nulReason(nul);
        return check;
    }
    qint64 controls = 0, foreign = 0;
    for (qint64 i = 0; i < n;) {
        const unsigned c = p[i];
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') || c == 0x7F)
                ++controls;
            ++i;
            continue;
        }
        if (const int length = utf8Sequence(p + i, n - i)) {
            i += length;
            continue;
        }
        ++foreign; // a byte of Windows-1252 text, which a text in Spanish has few of
        ++i;
    }
    // Mostly bytes that are not text, or control characters in more than one byte in ten.
    if (n > 0 && (2 * (controls + foreign) > n || 10 * controls > n)) {
        check.text = false;
        check.why = QStringLiteral("no es un archivo de texto: %1 de cada 100 de sus primeros "
                                   "bytes no son caracteres de texto. Elija el archivo de texto "
                                   "del que proponer el formato de carga.")
                        .arg(qRound(100.0 * double(controls + foreign) / double(n)));
    }
    return check;
}

} // namespace velkora::proposal::detail
