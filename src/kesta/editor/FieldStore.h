#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QTreeView>

namespace kesta::editor {

// The field store: every field definition of every line type of the shown load format, as a
// keyed, ordered list. Each row has a key ("K-" + line number + "-" + field number), an item
// text (line number + "-" + field number) and nine text columns. Rows keep their insertion
// order; a second row with a key already held is refused with host::RuntimeError.
//
// As a table model: column 0 is the item text ("Llave"), columns 1..9 the sub-items.
//
// Each row also has an origin that no column shows: the number the shown format's rules know
// the field by in its line type (the number it is stored under after a load, its Id when the
// rules were last taken from the screen), empty for a field entered since. A line edit carries
// it from the field grid's row to the committed entry, so that a rule stays with its field
// whatever numbers the field and the others take.
class FieldStore : public QAbstractTableModel {
    Q_OBJECT
public:
    enum SubItem {
        Llave = 0,
        Id = 1,
        Descripcion,
        Posicion,
        Longitud,
        Tipo,
        Valor,
        Formato,
        Trim,
        LineaID,
        ColumnCount
    };

    explicit FieldStore(QObject *parent = nullptr);

    static QString keyFor(const QString &line, const QString &field);
    static QString textFor(const QString &line, const QString &field);

    int count() const;
    // Appends a row; a key already held raises host::RuntimeError.
    void add(const QString &key, const QString &text);
    // Row index of a key, -1 when none.
    int find(const QString &key) const;
    QString key(int row) const;
    QString text(int row) const;
    QString subItem(int row, int sub) const;
    // Writes through a fresh lookup of the row by its key; an unknown key raises.
    void setSubItem(const QString &key, int sub, const QString &value);
    void removeAt(int row);
    void clear();

    QString origin(int row) const;
    // Every row's Id becomes its origin: the rules now know each field by the number it shows.
    void takeIdsAsOrigins();

    // One row as a whole: key, item text and the sub-items Id .. LineaID (in that order).
    struct Entry {
        QString key;
        QString text;
        QStringList subItems; // Id, Descripcion, Posicion, Longitud, Tipo, Valor, Formato,
                              // Trim, LineaID
        QString origin = {};  // see the class's note; empty for a field entered since
    };
    // Appends rows in order, in one insertion. A key already held (by the store or by an
    // earlier entry) raises host::RuntimeError as add() does: the entries before it are kept.
    void append(const QList<Entry> &entries);
    // Removes every row whose LineaID is `lineaId` (one pass, order of the others kept);
    // returns how many went.
    int removeLine(const QString &lineaId);
    // Replaces one line type's rows: those whose LineaID is `removedLineaId` go, `added` are
    // appended in order. All or nothing: when a new key is already held by a remaining row or
    // repeats within `added`, host::RuntimeError is raised and the store stays as it was.
    void replaceLine(const QString &removedLineaId, const QList<Entry> &added);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString key;
        QString text;
        QStringList sub; // ColumnCount entries; index 0 unused
        QString origin = {};
    };
    void reindexFrom(int row);

    QList<Row> m_rows;
    QHash<QString, int> m_index;
};

// The hidden list view `lvDetalle` that carries the field store; never shown.
class FieldStoreView : public QTreeView {
    Q_OBJECT
public:
    explicit FieldStoreView(QWidget *parent = nullptr);
    FieldStore *store() const;
    Q_INVOKABLE void clearValue();

protected:
    void setVisible(bool visible) override;

private:
    FieldStore *m_store;
};

} // namespace kesta::editor
