#include "DigitRun.h"

#include "ProposalInternal.h"
#include "formats/LineAnalyzer.h"

#include <algorithm>

namespace velkora::proposal::detail {

namespace {

bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

bool isDate(const ProposedField &field)
{
    return field.typeCode == QLatin1String("03");
}

// A field whose text is digits alone: a NUMERO without decimals, a constant of digits, a date
// without separators (a total of a single trailer may read as a date).
bool isDigits(const ProposedField &field)
{
    if (field.typeCode == QLatin1String("01"))
        return field.format.isEmpty() && !field.trim;
    if (isDate(field))
        return field.format.size() == field.length &&
               std::all_of(field.format.begin(), field.format.end(), [](QChar c) {
                   return c == QLatin1Char('Y') || c == QLatin1Char('M') || c == QLatin1Char('D');
               });
    return field.typeCode == QLatin1String("04") && allDigits(field.value) &&
           field.value.size() == field.length;
}

ProposedField numberAt(int a, int b, double confidence)
{
    ProposedField number;
    number.position = a + 1;
    number.length = b - a;
    number.typeCode = QStringLiteral("01");
    number.confidence = confidence;
    return number;
}

} // namespace

std::vector<DigitRun> digitRuns(const ProposedLineType &type)
{
    std::vector<DigitRun> runs;
    const QList<ProposedField> &fields = type.fields;
    for (int f = 0; f < fields.size();) {
        if (!isDigits(fields.at(f))) {
            ++f;
            continue;
        }
        DigitRun run{.first = f, .count = 0, .start = fields.at(f).position - 1, .width = 0};
        bool number = false;
        int g = f;
        for (; g < fields.size() && isDigits(fields.at(g)) &&
               fields.at(g).position - 1 == run.start + run.width;
             ++g) {
            run.width += fields.at(g).length;
            number = number || fields.at(g).typeCode == QLatin1String("01");
        }
        run.count = g - f;
        if (number && run.width >= DigitRun::MinWidth && run.width <= DigitRun::MaxWidth)
            runs.push_back(run);
        f = g;
    }
    return runs;
}

bool runDigits(const formats::LineAnalyzer &analyzer, const DigitRun &run, std::string &digits)
{
    digits.clear();
    for (int f = run.first; f < run.first + run.count; ++f) {
        const auto [text, size] = analyzer.fieldBytes(f);
        digits.append(text, size_t(size));
    }
    return int(digits.size()) == run.width &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<int> splitRuns(ProposedLineType &type, const std::vector<RunSplit> &splits,
                           std::vector<std::vector<int>> *partFields)
{
    const QList<ProposedField> before = type.fields;
    std::vector<int> indexOf(size_t(before.size()), -1);
    partFields->assign(splits.size(), {});
    QList<ProposedField> after;
    // The least confidence of the run's fields over the columns [a, b).
    auto confidence = [&](const DigitRun &run, int a, int b) {
        double least = 1;
        for (int f = run.first; f < run.first + run.count; ++f) {
            const ProposedField &field = before.at(f);
            if (field.position - 1 < b && a < field.position - 1 + field.length)
                least = std::min(least, field.confidence);
        }
        return least;
    };
    // The columns [a, b) of the run's fields, as the pieces of those that held them (part of a
    // date is a number); between two numbers found, one number when the test can read it.
    auto pieces = [&](const DigitRun &run, int a, int b, bool between) {
        bool whole = false;
        for (int f = run.first; f < run.first + run.count; ++f) {
            const ProposedField &field = before.at(f);
            whole = whole || (field.position - 1 == a && field.length == b - a);
        }
        if (between && !whole && a < b && b - a <= MaxNumberDigits) {
            after << numberAt(a, b, confidence(run, a, b));
            return;
        }
        for (int f = run.first; f < run.first + run.count; ++f) {
            const ProposedField &field = before.at(f);
            const int from = std::max(a, field.position - 1);
            const int to = std::min(b, field.position - 1 + field.length);
            if (from >= to)
                continue;
            if (from == field.position - 1 && to == field.position - 1 + field.length) {
                indexOf[size_t(f)] = int(after.size());
                after << field;
                continue;
            }
            ProposedField piece = isDate(field) ? numberAt(from, to, field.confidence) : field;
            piece.position = from + 1;
            piece.length = to - from;
            if (!piece.value.isEmpty())
                piece.value = field.value.mid(from - (field.position - 1), to - from);
            after << piece;
        }
    };
    size_t next = 0;
    for (int f = 0; f < before.size();) {
        if (next < splits.size() && splits[next].run.first == f) {
            const RunSplit &split = splits[next];
            const DigitRun &run = split.run;
            int column = run.start;
            for (const SideBySide::Part &part : split.parts) {
                const int a = run.start + part.left;
                const int b = run.start + part.right;
                pieces(run, column, a, column > run.start);
                (*partFields)[next].push_back(int(after.size()));
                after << numberAt(a, b, confidence(run, a, b));
                column = b;
            }
            pieces(run, column, run.start + run.width, false);
            f += run.count;
            ++next;
            continue;
        }
        indexOf[size_t(f)] = int(after.size());
        after << before.at(f);
        ++f;
    }
    for (int i = 0; i < after.size(); ++i)
        after[i].description = QStringLiteral("Campo %1").arg(i + 1, 4, 10, QLatin1Char('0'));
    type.fields = after;
    return indexOf;
}

} // namespace velkora::proposal::detail
