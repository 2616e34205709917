#pragma once

#include <QString>

namespace velkora::proposal::detail {

// Whether the start of a file looks like text: no NUL byte, and most bytes printable
// characters, blanks, line ends or UTF-8 sequences. The first MiB is looked at.
struct TextCheck {
    bool text = true;
    QString why; // for a person, when it is not text
};
TextCheck checkText(const QString &path);

// Why a file is not text once a NUL byte has been found at an offset (from 0).
QString nulReason(qint64 offset);

} // namespace velkora::proposal::detail
