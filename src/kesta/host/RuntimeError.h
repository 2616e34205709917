#pragma once

#include <QString>
#include <stdexcept>

namespace kesta::host {

// A run-time error raised by a service, a control or the component itself.
// Handlers that trap errors show description(); the others let it reach their caller.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    const QString &description() const noexcept { return m_description; }

private:
    QString m_description;
};

} // namespace kesta::host
