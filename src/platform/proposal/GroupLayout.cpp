#include "GroupLayout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace velkora::proposal::detail {

int GroupLayout::digits(int column) const
{
    const int *c = counts.data() + size_t(column) * ShapeSymbols;
    int n = 0;
    for (int d = 0; d < 10; ++d)
        n += c[d];
    return n;
}

std::vector<GroupLayout> groupLayouts(const IdSample &sample, const std::vector<int> &lines,
                                      const std::vector<int> &labels, int groups)
{
    const int width = sample.width();
    std::vector<GroupLayout> layouts(static_cast<size_t>(groups));
    for (GroupLayout &g : layouts)
        g.counts.assign(size_t(width) * ShapeSymbols, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (labels[i] < 0)
            continue;
        GroupLayout &g = layouts[size_t(labels[i])];
        ++g.lines;
        const quint8 *shape = sample.shape(lines[i]);
        int *counts = g.counts.data();
        for (int j = 0; j < width; ++j)
            ++counts[j * ShapeSymbols + shape[j]];
    }
    return layouts;
}

double layoutBits(const GroupLayout &group)
{
    const int width = int(group.counts.size() / ShapeSymbols);
    const double n = double(group.lines);
    if (n == 0)
        return 0;
    const double price = 0.5 * std::log2(n + 1.0);
    double bits = width;
    for (int j = 0; j < width; ++j) {
        const double digits = group.digits(j);
        if (digits == 0 || digits == n)
            continue;
        const double p = digits / n;
        bits += n * -(p * std::log2(p) + (1 - p) * std::log2(1 - p)) + price;
    }
    return bits;
}

namespace {

// Of the shares of a group's lines in a column: digits, words (letters or blanks), signs,
// then each digit.
constexpr int Kinds = 3 + 10;

std::array<double, Kinds> shares(const GroupLayout &g, int column)
{
    const double n = double(std::max<qint64>(1, g.lines));
    std::array<double, Kinds> s{};
    s[0] = g.digits(column) / n;
    s[1] = (g.count(column, LetterSymbol) + g.count(column, BlankSymbol)) / n;
    s[2] = g.count(column, SignSymbol) / n;
    for (int d = 0; d < 10; ++d)
        s[size_t(3 + d)] = g.count(column, d) / n;
    return s;
}

} // namespace

bool sameLayout(const GroupLayout &a, const GroupLayout &b)
{
    const int width = int(a.counts.size() / ShapeSymbols);
    auto firm = [](const GroupLayout &g) {
        return 1.0 - double(tolerated(g.lines)) / double(std::max<qint64>(1, g.lines));
    };
    const double firmA = firm(a), firmB = firm(b);
    // A digit that stands on every line says something of a group's layout only on lines
    // enough to tell it from chance.
    const size_t kindsA = a.lines >= ReliableLines ? Kinds : 3;
    const size_t kindsB = b.lines >= ReliableLines ? Kinds : 3;
    double differ = 0;
    int content = 0;
    for (int j = 0; j < width; ++j) {
        const bool blankA = a.count(j, BlankSymbol) == a.lines;
        const bool blankB = b.count(j, BlankSymbol) == b.lines;
        content += !blankA || !blankB;
        // Where a group holds one kind on all its lines but 1 %, the share of the other
        // group's lines that hold another.
        const std::array<double, Kinds> x = shares(a, j), y = shares(b, j);
        double weight = 0;
        for (size_t k = 0; k < kindsA; ++k)
            if (x[k] >= firmA)
                weight = std::max(weight, 1.0 - y[k]);
        for (size_t k = 0; k < kindsB; ++k)
            if (y[k] >= firmB)
                weight = std::max(weight, 1.0 - x[k]);
        differ += weight;
    }
    return differ < std::max(2.0, content / 5.0);
}

} // namespace velkora::proposal::detail
