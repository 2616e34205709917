#pragma once

#include <QString>
#include <exception>

namespace velkora::formats {

// A failure of the library that its caller reports to the user (a database error, a refused
// statement). The text is meant to be shown as it stands.
class FormatsError : public std::exception {
public:
    explicit FormatsError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

} // namespace velkora::formats
