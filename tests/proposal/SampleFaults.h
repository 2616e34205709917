#pragma once

// The faults that real producers leave in their files, put into generated samples: a few bad
// lines (a blank date, a "-" or a letter in an amount), and files that are not text at all.

#include "ProposalSamples.h"

#include <QList>

namespace proposal_test {

// Text written over a line at a column (from 1).
struct Fault {
    qsizetype line = 0; // index in the list, from 0
    int column = 1;
    QString text;
};

inline QStringList withFaults(QStringList lines, const QList<Fault> &faults)
{
    for (const Fault &f : faults)
        lines[f.line].replace(f.column - 1, f.text.size(), f.text);
    return lines;
}

// The indices of the lines that hold `code` at `column` (from 1): every `step`-th of them from
// the `first`-th, `count` of them.
inline QList<qsizetype> linesOf(const QStringList &lines, int column, const QString &code,
                                int count, int first = 10, int step = 97)
{
    QList<qsizetype> found;
    int seen = 0;
    for (qsizetype i = 0; i < lines.size() && found.size() < count; ++i) {
        if (lines.at(i).mid(column - 1, code.size()) != code)
            continue;
        if (seen >= first && (seen - first) % step == 0)
            found << i;
        ++seen;
    }
    return found;
}

// Bytes of no text: a deterministic mix of every byte value, with or without NUL bytes.
inline QByteArray binaryBytes(qsizetype size, bool nul, quint64 seed = 5)
{
    Random r(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes) {
        auto v = static_cast<unsigned char>(r.below(256));
        if (!nul && v == 0)
            v = 0x01;
        b = static_cast<char>(v);
    }
    return bytes;
}

} // namespace proposal_test
