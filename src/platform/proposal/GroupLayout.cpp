#include "GroupLayout.h"

#include <algorithm>
#include <cmath>

namespace velkora::proposal::detail {

int GroupLayout::pure(int column) const
{
    const int *c = counts.data() + size_t(column) * 4;
    const qint64 need = lines - tolerated(lines);
    for (int k = 0; k < 4; ++k)
        if (c[k] >= need && c[k] > 0)
            return k;
    return -1;
}

std::vector<GroupLayout> groupLayouts(const IdSample &sample, const std::vector<int> &lines,
                                      const std::vector<int> &labels, int groups)
{
    const int width = sample.width();
    std::vector<GroupLayout> layouts(static_cast<size_t>(groups));
    for (GroupLayout &g : layouts)
        g.counts.assign(size_t(width) * 4, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (labels[i] < 0)
            continue;
        GroupLayout &g = layouts[size_t(labels[i])];
        ++g.lines;
        const quint8 *shape = sample.shape(lines[i]);
        int *counts = g.counts.data();
        for (int j = 0; j < width; ++j)
            ++counts[j * 4 + shape[j]];
    }
    return layouts;
}

double layoutBits(const GroupLayout &group)
{
    const int width = int(group.counts.size() / 4);
    const double n = double(group.lines);
    if (n == 0)
        return 0;
    const double price = 0.5 * std::log2(n + 1.0);
    double bits = width;
    for (int j = 0; j < width; ++j) {
        const double digits = group.counts[size_t(j) * 4 + DigitAt];
        if (digits == 0 || digits == n)
            continue;
        const double p = digits / n;
        bits += n * -(p * std::log2(p) + (1 - p) * std::log2(1 - p)) + price;
    }
    return bits;
}

bool sameLayout(const GroupLayout &a, const GroupLayout &b)
{
    const int width = int(a.counts.size() / 4);
    int differ = 0, content = 0;
    for (int j = 0; j < width; ++j) {
        const bool blankA = a.counts[size_t(j) * 4 + BlankAt] == a.lines;
        const bool blankB = b.counts[size_t(j) * 4 + BlankAt] == b.lines;
        content += !blankA || !blankB;
        const int x = a.pure(j), y = b.pure(j);
        if (x < 0 || y < 0 || x == y)
            continue;
        // Letters against blanks is where one text ends and another goes on.
        if (x == DigitAt || y == DigitAt || x == OtherAt || y == OtherAt)
            ++differ;
    }
    return differ < std::max(2, content / 10);
}

} // namespace velkora::proposal::detail
