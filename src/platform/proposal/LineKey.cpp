// The ID a line holds at a place: what a line type's Ly_Linea_ID would be to take it.

#include "ProposalInternal.h"

namespace velkora::proposal::detail {

LineKey keyOf(const char32_t *chars, int length)
{
    LineKey k;
    bool content = false;
    int used = length;
    while (used > 0 && chars[used - 1] == U' ')
        --used;
    for (int i = 0; i < length; ++i) {
        const char32_t c = chars[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c > 0xFFFF) {
            k.status = LineKey::Invalid;
            return k;
        }
        const quint8 cls = classOf(c);
        content = content || cls == Digit || cls == Letter;
        if (i < used)
            k.key |= quint64(c) << (16 * i);
    }
    k.status = content ? LineKey::Ok : LineKey::Invalid;
    return k;
}

LineKey lineKey(const char *p, qsizetype n, int start, int length, DecodedLine &scratch)
{
    const int end = start + length;
    bool ascii = n >= end;
    for (int i = 0; ascii && i < end; ++i)
        ascii = static_cast<unsigned char>(p[i]) < 0x80;
    char32_t chars[MaxIdLength];
    if (ascii) {
        for (int i = 0; i < length; ++i)
            chars[i] = static_cast<unsigned char>(p[start + i]);
        return keyOf(chars, length);
    }
    if (n < end)
        return {}; // fewer bytes, so fewer characters
    scratch.decode(p, n, end);
    if (scratch.characters < end)
        return {};
    return keyOf(scratch.chars.data() + start, length);
}

QString keyText(quint64 key)
{
    QString text;
    for (int i = 0; i < MaxIdLength; ++i) {
        const auto c = char16_t((key >> (16 * i)) & 0xFFFF);
        if (c == 0)
            break;
        text += QChar(c);
    }
    return text;
}

} // namespace velkora::proposal::detail
