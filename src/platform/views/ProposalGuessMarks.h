#pragma once

#include "controls/DataGrid.h"
#include "proposal/Proposal.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>

namespace velkora::views {

// What a proposal guessed, shown on the grid rows it was entered into: a field row whose field
// carries a guess (a value the same on every line taken as data, a date format chosen among
// several, decimals that may be implied...) shows it as the tooltip of its cells and of its
// row header, for as long as the row still holds what was proposed (its position, length,
// value and format). A row the user changes shows it no more, and clear() (the format saved,
// or another one started) forgets them all.
class ProposalGuessMarks : public QObject {
    Q_OBJECT
public:
    // The field grid's columns that name a row's field and hold what was proposed.
    struct Columns {
        int lineOrder = -1;
        int id = -1;
        int position = -1;
        int length = -1;
        int value = -1;
        int format = -1;
    };

    ProposalGuessMarks(controls::DataGrid *fields, Columns columns, QObject *parent = nullptr);

    // The proposal as entered: line types ordered "0001"... and fields numbered "0001"..., in
    // the proposal's order.
    void take(const proposal::Proposal &proposal);
    void clear();

    // The tooltip of a field row: its field's guess while the row holds what was proposed,
    // else empty.
    QString guessAt(int row) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Proposed {
        QString guess;
        QString position;
        QString length;
        QString value;
        QString format;
    };
    QString cellText(int row, int column) const;

    controls::DataGrid *m_fields;
    Columns m_columns;
    QHash<QPair<QString, QString>, Proposed> m_guesses; // by line order and field number
};

} // namespace velkora::views
