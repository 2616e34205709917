#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

namespace velkora::proposal::detail {

// The numbers that a trailer holds side by side in one run of digits (a count, a hash and two
// totals with nothing between them): every part of the run, read on each of the trailer's
// lines, is compared with the running totals the line's rules could check (a count of lines,
// or a sum of a field, from the file's start or since a group header). A part that equals one
// of them on every line is a number of its own; the parts kept are those the file shows
// plainly (docs/proposal.md, "Numbers side by side"). Only the parts still standing are kept,
// never a line.
// The fewest digits a number must have to hold a sum too long for it as its last digits (a
// control hash of 10 digits): a narrower one that equals a sum's last digits may be any number
// (the last digit of a sequence number, as often as not).
inline constexpr int MinTruncatedWidth = 6;

class SideBySide {
public:
    // What a part is compared with, on the line being read: a count (the number of lines) or
    // a sum (of values of `decimals` decimals; a sum too long for the part keeps its last
    // digits, as control totals do). `telling`: a count of 2 or more, or a sum of 2 lines or
    // more that is not 0.
    struct Total {
        __int128 value = 0;
        int decimals = 0;
        bool sum = false;
        bool telling = false;
    };
    // The totals by number, in the order they are preferred (the first that a part equals
    // names it).
    using TotalOf = std::function<Total(int)>;

    // A part kept: the run's digits [left, right) (from 0), the total it equals and on how
    // many lines it was compared.
    struct Part {
        int left = 0;
        int right = 0;
        int total = 0;
        qint64 confirmed = 0;
    };

    // `width` digits; `totals` totals to compare the parts with.
    SideBySide(int width, int totals);

    // One line's digits (exactly `width` ASCII digits).
    void line(const char *digits, const TotalOf &totalOf);

    // The numbers the run holds, from the left; none when it shows no part plainly.
    std::vector<Part> parts() const;

private:
    struct Candidate {
        int right = 0;
        int total = 0;
        int left = 0;        // the widest part ending at `right` that still equals the total
        int significant = 0; // the most significant digits it has held
        int evidence = 0;    // significant digits over the lines where its value changed
        int changes = 0;     // those lines
        qint64 last = -1;    // its value on the last line
        qint64 confirmed = 0;
        bool telling = false;
        bool zeroAfter = false; // the digit after it is a zero on some line (or the run ends)
    };
    struct Pick;
    // The leftmost part ending at `right`, from `from` on, that equals the total; `right` when
    // none does. `values[l]` is the value of the digits [l, right).
    static int matchFrom(const qint64 *values, int from, int right, const Total &total);
    void follow(Candidate &c, const qint64 *values, const Total &total);
    bool acceptable(const Candidate &c, bool anchored) const;
    bool anchoredAt(const Candidate &c, const std::vector<Pick> &picked) const;

    int m_width;
    int m_totals;
    bool m_started = false;
    std::vector<Candidate> m_candidates; // by `right`, then by preference
    qint64 m_lines = 0;                  // lines read
    std::vector<qint64> m_values;        // the values of the parts ending at one right end
    const char *m_line = nullptr;        // the digits of the line being read
    std::vector<Total> m_asked;          // the totals asked for on a line,
    std::vector<qint64> m_askedOn;       // and on which (m_lines)
};

// Whether a number of `width` digits may equal the total: a sum that fits it, or one too long
// for it when it is wide enough to keep the sum's last digits (MinTruncatedWidth).
bool keepsLastDigits(int width, const SideBySide::Total &total);

} // namespace velkora::proposal::detail
