#include "FieldStoreFiller.h"

namespace kesta::editor {

QString sequenceText(qint64 sequence)
{
    if (sequence < 0)
        return QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
    // The load numbers every field: the digits, zeros before them up to four.
    QString text = QString::number(sequence);
    if (text.size() < 4)
        text.prepend(QString(4 - text.size(), u'0'));
    return text;
}

} // namespace kesta::editor
