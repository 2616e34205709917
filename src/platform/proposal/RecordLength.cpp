#include "RecordLength.h"

#include "ProposalInternal.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace velkora::proposal::detail {

namespace {

constexpr qint64 LookedAt = 1 << 20;
constexpr int ShortestRecord = 8;
// The bytes compared for each length (a record and the next, column by column).
constexpr qsizetype Compared = 1 << 18;
// A length explains the file when at least this share of its bytes repeats a record later.
constexpr double Explains = 0.5;
// Lengths that repeat this much less than the best are as good.
constexpr double Margin = 0.05;

} // namespace

RecordLength findRecordLength(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    qint64 size = file.size();
    const QByteArray head = file.read(LookedAt);
    const qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    // A line break at the very end does not count.
    if (file.seek(std::max<qint64>(0, size - 2))) {
        const QByteArray tail = file.read(2);
        if (tail.endsWith("\r\n"))
            size -= 2;
        else if (tail.endsWith('\n'))
            size -= 1;
    }
    const qint64 data = size - start;
    const char *b = head.constData() + start;
    const qsizetype have = std::min<qsizetype>(head.size() - start, qsizetype(data));
    if (have < 2 * ShortestRecord || std::memchr(b, '\n', size_t(have)))
        return {};
    RecordLength best;
    std::vector<std::pair<int, double>> scores;
    for (int length = ShortestRecord; length <= MaxColumns && 2 * qsizetype(length) <= have;
         ++length) {
        if (data % length != 0)
            continue;
        const qsizetype compared = std::min<qsizetype>(Compared, have - length);
        qsizetype same = 0;
        for (qsizetype i = 0; i < compared; ++i)
            same += b[i] == b[i + length];
        const double agreement = double(same) / double(compared);
        scores.emplace_back(length, agreement);
        best.agreement = std::max(best.agreement, agreement);
    }
    if (best.agreement < Explains)
        return {};
    for (const auto &[length, agreement] : scores) {
        if (agreement >= best.agreement - Margin) {
            best.length = length;
            best.agreement = agreement;
            best.records = data / length;
            return best;
        }
    }
    return {};
}

} // namespace velkora::proposal::detail
