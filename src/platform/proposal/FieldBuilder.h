#pragma once

#include "ColumnStats.h"

namespace velkora::proposal::detail {

// The fields of a line type from what its sampled lines held column by column (see
// docs/proposal.md): separators, dates, then pieces of one class each, typed CONSTANTE,
// NUMERO or TEXTO. A column keeps its class when all its lines but 1 % hold it.
class FieldBuilder {
public:
    // `id` is where the line type's ID stands; `record`, for an ID at a second place, where
    // the record type stands (no field takes either).
    // `years`, when not empty, are the years of the file's dates that read in one format only:
    // of the formats a date reads in, the one that puts it nearest them is taken ("200526" is
    // 2026-05-20 beside dates of 2026, not 2020-05-26), and on a line type of one line (a
    // header, a trailer) one that puts it among them (a year before or after too), or none.
    FieldBuilder(const TypeStats &stats, IdPlace id, IdPlace record = {}, DateYears years = {});

    // The fields, numbered and described; *consistency is the share of the fields' columns
    // that held one class (or one character) on the sampled lines.
    QList<ProposedField> build(double *consistency);
    // The years of the dates proposed that read in no other format and hold several days.
    const DateYears &dateYears() const { return m_dateYears; }

private:
    bool inId(int j) const
    {
        return (j >= m_id.start && j < m_id.start + m_id.length) ||
               (j >= m_record.start && j < m_record.start + m_record.length);
    }
    bool content(int j) const { return t.count(j, BlankAt) < t.sampled; }
    // The class (ClassIndex) that all the column's lines but the tolerated ones hold, or -1.
    int pure(int j) const;
    bool solid(int j) const
    {
        const int c = pure(j);
        return c >= 0 && c != BlankAt;
    }
    // The class that nine in ten of the column's lines hold, or -1: where fields start and end
    // and which may be numbers (the test of the proposal then keeps a NUMERO only when all its
    // lines but 1 % read).
    int major(int j) const;
    // Whether nine lines in ten hold one digit in the column (the zeros that pad a number).
    bool steady(int j) const { return 10 * qint64(t.topDigit(j)) >= 9 * qint64(t.sampled); }
    bool constant(int j) const
    {
        return t.sampled >= 2 && t.present[size_t(j)] == t.sampled && !t.varies[size_t(j)];
    }
    bool usableDate(const DateCandidate &d) const;
    bool readsAsDates(const DateCandidate &d) const;
    bool amongFileYears(const DateCandidate &d) const;
    int yearDistance(const DateCandidate &d) const;
    QString otherReadings(const DateCandidate &d) const;
    bool signColumn(int j) const;
    void addData(int a, int b, const QString &value);
    bool cutBetween(int left, int right) const;

    std::vector<char> separators(int end);
    void segment(int a, int b);
    void piece(int a, int b);
    void digits(int a, int b);
    void number(int a, int b, double sureness);
    void decimals(qsizetype from);
    void add(int a, int b, const QString &type, const QString &format, const QString &value,
             bool trim, double confidence);

    const TypeStats &t;
    IdPlace m_id;
    IdPlace m_record;
    qint64 m_tolerated = 0;
    double m_evidence = 0;
    QList<ProposedField> m_fields;
    std::vector<char> m_space; // per column: a space between two words of one field
    DateYears m_fileYears;
    DateYears m_dateYears;
};

} // namespace velkora::proposal::detail
