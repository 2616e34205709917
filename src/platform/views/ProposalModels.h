#pragma once

#include "proposal/Proposal.h"

#include <QAbstractTableModel>

namespace velkora::views {

// The proposed line types of a proposal, one row each, in the proposal's order.
class ProposedLineTypesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Where each line type's ID stands: a record type's segments have theirs elsewhere.
    enum Column {
        Id = 0,
        Position,
        Length,
        Description,
        Lines,
        FirstLine,
        Confidence,
        ColumnCount
    };

    explicit ProposedLineTypesModel(const proposal::Proposal &proposal, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<proposal::ProposedLineType> m_lineTypes;
};

// The proposed fields of one line type, one row each, numbered "0001"... as they are stored.
class ProposedFieldsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Number = 0,
        Description,
        Position,
        Length,
        Type,
        Format,
        Value,
        Trim,
        Confidence,
        ColumnCount
    };

    explicit ProposedFieldsModel(QObject *parent = nullptr);

    // Shows the fields of another line type (an empty list shows none).
    void setFields(const QList<proposal::ProposedField> &fields);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<proposal::ProposedField> m_fields;
};

// A confidence from 0 to 1 as a person reads it: "95 %".
QString confidenceText(double confidence);

} // namespace velkora::views
