#pragma once

#include <QString>
#include <QStringList>

namespace velkora::formats {

// A field of a CSV record (RFC 4180): in double quotes, with its quotes doubled, when it holds
// a comma, a double quote, a CR or an LF; as it stands otherwise.
QString csvField(const QString &text);
// A CSV record: the fields joined by commas, ended by CR LF.
QString csvRecord(const QStringList &fields);

} // namespace velkora::formats
