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

// A write that conflicted with another user's write of the same rows at the same moment (a
// serialization failure, a deadlock, a key written meanwhile, a database locked by another
// writer): nothing of it was kept, and trying again after a reload may succeed.
class ConflictError : public RuntimeError {
public:
    using RuntimeError::RuntimeError;
};

// What an error says to the user: a RuntimeError's description, any other error's text.
inline QString descriptionOf(const std::exception &error)
{
    if (const auto *runtime = dynamic_cast<const RuntimeError *>(&error))
        return runtime->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace kesta::host
