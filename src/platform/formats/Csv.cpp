#include "Csv.h"

#include <QRegularExpression>

namespace velkora::formats {

QString csvField(const QString &text)
{
    static const QRegularExpression special(QStringLiteral("[,\"\r\n]"));
    if (!text.contains(special))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvRecord(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString csvFileName(const QString &key, const QString &part)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    QString name = key.trimmed();
    name.replace(unsafe, QStringLiteral("_"));
    QString safePart = part.trimmed();
    safePart.replace(unsafe, QStringLiteral("_"));
    return (name.isEmpty() ? QStringLiteral("formato") : name) + QLatin1Char('_') + safePart +
           QStringLiteral(".csv");
}

bool CsvFile::open(const QStringList &titles)
{
    m_ok = m_file.open(QIODevice::WriteOnly);
    m_buffer = QByteArray("\xEF\xBB\xBF") + csvRecord(titles).toUtf8();
    return m_ok;
}

void CsvFile::write(const QStringList &fields)
{
    m_buffer += csvRecord(fields).toUtf8();
    if (m_buffer.size() >= (1 << 20))
        flush();
}

bool CsvFile::flush()
{
    m_ok = m_ok && m_file.write(m_buffer) == m_buffer.size();
    m_buffer.clear();
    return m_ok;
}

bool CsvFile::commit()
{
    if (!flush()) {
        m_file.cancelWriting();
        return false;
    }
    return m_file.commit();
}

} // namespace velkora::formats
