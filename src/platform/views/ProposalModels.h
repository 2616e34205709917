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

// The proposed rules, one row each, numbered "0001"... as they are stored: the line type and
// field each belongs to (by number and description; empty for the whole file), its text as
// the test reads it, its description and how sure the proposal is of it.
class ProposedRulesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number = 0, LineType, Field, Rule, Description, Confidence, ColumnCount };

    explicit ProposedRulesModel(const proposal::Proposal &proposal, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    proposal::Proposal m_proposal;
};

// A confidence from 0 to 1 as a person reads it: "95 %".
QString confidenceText(double confidence);

} // namespace velkora::views
