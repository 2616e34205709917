#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QAction;

namespace velkora::controls {
class DataGrid;
class FlatButton;
} // namespace velkora::controls

namespace kesta::editor {

class FieldStore;
struct FieldRowInput;
struct LineRowInput;
struct Refusal;

// The line editor: the edit of one line type in the line grid and its field definitions in the
// field grid, between a start button ("Nuevo", "Editar") and an end button ("Aceptar",
// "Cancelar"), and the deletion of a line type ("Eliminar"). It owns the edit state
// (LineEditActive, EditedLineRow), the checks and the commit into the field store.
//
// Beyond the plain edit it keeps the field store consistent with the line grid:
// - the commit replaces the line type's store entries as they stood when the edit began (by
//   the line's order number at that moment), whatever the user did to the field rows;
// - a deleted line type takes its store entries with it;
// - edits that would make two store entries collide (field numbers "1" and "01", a line number
//   that another line has) are refused with a message, never with a run-time error.
class LineEditor : public QObject {
    Q_OBJECT
public:
    struct Parts {
        velkora::controls::DataGrid *lines = nullptr;             // ssLinea
        velkora::controls::DataGrid *fields = nullptr;            // ssDetalle
        FieldStore *store = nullptr;                              // lvDetalle's store
        std::array<velkora::controls::FlatButton *, 5> buttons{}; // cmdControles(0..4)
        QWidget *owner = nullptr;                                 // messages' owner (the screen)
        std::function<void()> cancelSave;                         // the toolbar's CancelSave
        std::function<void(const QString &)> refill;              // RellenaDetalle
        // What went of the line types as loaded, for what belongs to them (their rules): the
        // fields (by their origins, FieldStore) that an accepted line edit removed from the
        // line type loaded as `loadedOrder`, and a deleted line type.
        std::function<void(const QString &loadedOrder, const QStringList &origins)> fieldsGone;
        std::function<void(const QString &loadedOrder)> lineGone;
    };

    enum Button { Nuevo = 0, Editar = 1, Eliminar = 2, Aceptar = 3, Cancelar = 4 };

    LineEditor(Parts parts, QObject *parent = nullptr);

    bool LineEditActive() const { return m_active; }
    int EditedLineRow() const { return m_editedRow; }

    // The click handler of the edit buttons; an index outside 0 to 4 does nothing.
    void click(int index);
    void startNew();   // "Nuevo"
    void startEdit();  // "Editar"
    void deleteLine(); // "Eliminar", after the question
    // Every line type and every field definition go, without a question (the caller asked);
    // a line edit in progress ends without a commit.
    void removeAllLines();
    bool accept(); // "Aceptar": the checks, then the commit; false when refused
    void cancel(); // "Cancelar"

    // The toolbar's New, Edit and Cancel end any line edit without a commit.
    void reset();

    // The line types as the load shows them (their orders), so that what belongs to one (its
    // stored rules) can follow it when its order changes: a commit that changes a line type's
    // order carries it, a deletion ends it, a line type entered since has none.
    void setLoadedOrders(const QStringList &orders);
    // The order the line type now at `order` was loaded under; empty when it was not loaded.
    QString loadedOrderOf(const QString &order) const { return m_loadedOrders.value(order); }

    // Every column of both grids takes typing or not, except the field grid's Tipo.
    void lockEditColumns(bool locked);
    void showStartGroup();
    void showEndGroup();

    // Field rows during a line edit (the keys Down/Insert and Ctrl+Delete, and the field
    // grid's menu). Outside a line edit they do nothing and return false.
    bool addFieldRow();
    bool removeFieldRow();
    // Whether Down on the field grid adds a row: on its last row, or in an empty grid.
    bool downAddsFieldRow() const;

signals:
    void lineEditActiveChanged(bool active);

private:
    void setActive(bool active);
    LineRowInput lineInput(int row) const;
    QList<FieldRowInput> fieldInputs() const;
    void commit(const LineRowInput &line, const QList<FieldRowInput> &fields);
    void dropBlankFieldRows();
    // The origins of the edited line type's stored fields that none of the field rows carries.
    QStringList originsGone(const QStringList &kept) const;
    void showFault(const Refusal &refusal);
    void refillCurrent();

    Parts m_parts;
    bool m_active = false;
    int m_editedRow = -1;
    QString m_orderAtStart; // the edited line's Orden when the edit began; empty for a new line
    // Where the line's fields read when the edit began (fieldColumns): the overlaps told on
    // "Aceptar" are only those the edit brought (newOverlaps).
    QStringList m_columnsAtStart;
    QHash<QString, QString> m_loadedOrders; // Orden now -> Orden at the load
    QAction *m_addField = nullptr;
    QAction *m_removeField = nullptr;
};

// The type code of a position in the type list ("01" .. "05").
QString typeCode(int listPosition);

} // namespace kesta::editor
