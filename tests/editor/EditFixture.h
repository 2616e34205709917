#pragma once

// What the editing tests share: the loaded screen of LoadFixture.h with the user's hands on it
// (the edit buttons, the keys typed into whatever has the focus, cells typed into).

#include "editor/LineEditor.h"
#include "load/LoadFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolBar>
#include <controls/SmallControls.h>

namespace kesta::test {

// The user's hands on the keyboard: keys typed into whatever has the focus, as the user types.
struct Hands {
    static QWidget *focus() { return QApplication::focusWidget(); }
    static void keys(const QString &text)
    {
        for (const QChar c : text)
            QTest::keyClick(focus(), c.toLatin1());
    }
    // Any text typed, one character (code point) a key, into whatever has the focus.
    static void typeText(const QString &text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString character = text.mid(i, n);
            i += n - 1;
            const QChar upper = character.at(0).toUpper();
            int code = upper.unicode() < 0x7f && upper.isLetterOrNumber() ? upper.unicode()
                                                                          : int(Qt::Key_unknown);
            if (character == QLatin1String(" "))
                code = Qt::Key_Space;
            QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, character);
            QApplication::sendEvent(focus(), &press);
            QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, character);
            QApplication::sendEvent(focus(), &release);
        }
    }
    static void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus(), k, modifiers);
    }
    // Types a text into a grid cell and leaves it with TAB (the last cell of a row with Enter,
    // which also moves on).
    static void typeCell(velkora::controls::DataGrid *grid, int row, const QString &column,
                         const QString &text)
    {
        grid->setFocus();
        QVERIFY(grid->setCurrentCell(row, grid->columnIndex(column)));
        typeText(text);
        grid->commitCellEdit();
    }
};

class EditScreen : public LoadScreen, public Hands {
public:
    explicit EditScreen(const QString &connectionName = {}) : LoadScreen(connectionName)
    {
        screen->activateWindow();
        if (!QTest::qWaitForWindowActive(screen.get()))
            qWarning("EditScreen: the screen did not become active");
    }

    velkora::controls::FlatButton *button(int index) const
    {
        return child<velkora::controls::FlatButton>(
            qPrintable(QStringLiteral("cmdControles_%1").arg(index)));
    }
    void click(int index) const { QTest::mouseClick(button(index), Qt::LeftButton); }
    // The visible edit buttons' captions, in index order.
    QString visibleButtons() const
    {
        QStringList shown;
        for (int i = 0; i < 5; ++i) {
            if (button(i)->isVisible())
                shown << button(i)->text();
        }
        return shown.join(',');
    }
    // Does what the user does, step by step: "1" and "2" are keys typed and confirmed, "Nuevo",
    // "Editar", "Eliminar", "Aceptar" and "Cancelar" the edit buttons, "Escape" that key, "close"
    // the window's close, "click" a click on Cancel's button, "@name" the focus put on a
    // control, ">text" the text typed where the focus is; any other step is a toolbar command by
    // its shortcut. True when a close closed the screen.
    bool perform(const QString &steps)
    {
        static const QStringList buttons{"Nuevo", "Editar", "Eliminar", "Aceptar", "Cancelar"};
        bool closed = false;
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "1" || step == "2")
                typeKey(step);
            else if (buttons.contains(step))
                click(int(buttons.indexOf(step)));
            else if (step == "Escape")
                key(Qt::Key_Escape);
            else if (step == "close")
                closed = screen->close();
            else if (step == "click")
                clickCommand("Cancel");
            else if (step.startsWith('@'))
                child(qPrintable(step.mid(1)))->setFocus();
            else if (step.startsWith('>'))
                keys(step.mid(1));
            else
                command(qPrintable(step));
        }
        return closed;
    }
    // Clicks a cell of the line grid, as the user does.
    void clickLine(int row, int column = 0) const
    {
        Grid *grid = lineGrid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(row, column)).center());
    }
    // Runs a toolbar command as the user does, with its shortcut.
    void command(const char *name) const
    {
        QAction *action = toolbar()->action(QString::fromLatin1(name));
        QVERIFY2(action, name);
        QTest::keySequence(screen.get(), action->shortcut());
    }

    // Clicks a toolbar command's button, as the user does with the mouse (or its entry in the
    // toolbar's extension menu, where the button folds when the screen is narrow).
    void clickCommand(const char *name) const
    {
        QAction *action = toolbar()->action(QString::fromLatin1(name));
        QVERIFY2(action && toolbar()->isOffered(action->objectName()), name);
        QWidget *button = toolbar()->findChild<QToolBar *>()->widgetForAction(action);
        if (button && button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            action->trigger();
    }

    // Types texts into cells of one grid row, column by column.
    void typeCells(Grid *grid, int row,
                   std::initializer_list<std::pair<const char *, QString>> cells) const
    {
        for (const auto &[column, text] : cells)
            typeCell(grid, row, QString::fromUtf8(column), text);
    }
    // The line grid's, the field grid's and the field store's rows, to compare before and after.
    QStringList held() const
    {
        return gridRows(lineGrid()) + QStringList{"--"} + gridRows(fieldGrid()) +
               QStringList{"--"} + storeRows(store());
    }

    // The rows of the field grid without their Linea_ID.
    QStringList fieldRows() const
    {
        QStringList rows = gridRows(fieldGrid());
        for (QString &row : rows)
            row = row.section('|', 0, 7);
        return rows;
    }
};

// The store's keys, in its order.
inline QStringList storeKeys(const editor::FieldStore &store)
{
    QStringList keys;
    for (int i = 0; i < store.count(); ++i)
        keys << store.key(i);
    return keys;
}

// Types a text into a box as the user does (over what it holds).
inline void typeInto(EditScreen &s, const char *box, const QString &text)
{
    auto *w = s.child(box);
    w->setFocus();
    w->selectAll();
    s.key(Qt::Key_Delete);
    s.typeText(text);
}

// "Nuevo" of the lines, and the line type 0001 typed in: `description`, its ID at column 1 of
// one character.
inline void typeFirstLine(EditScreen &s, const char *description)
{
    s.click(0);
    s.typeCells(
        s.lineGrid(), 0,
        {{"Orden", "1"}, {"Descripción", description}, {"Posicion", "1"}, {"Longitud", "1"}});
}

// A TEXTO field 1 of `length` characters at column 1 added to the line under edit, and
// "Aceptar".
inline void addTextFieldAndAccept(EditScreen &s, const char *length)
{
    s.fieldGrid()->setFocus();
    s.key(Qt::Key_Insert);
    s.typeCells(s.fieldGrid(), 0,
                {{"ID", "1"}, {"Posicion", "1"}, {"Longitud", length}, {"Tipo", "T"}});
    s.click(3);
}

// Two line types, 0001 "H" (fields 0001 NUMERO, 0002 TEXTO) and 0002 "D" (field 0001 Fecha),
// stored under key 0001.
inline void writeTwoLineFormat(const TestDatabase &db)
{
    LineRow first, second;
    second.id = "0002", second.lineId = "D", second.lineDescription = "Detalle";
    second.position = 1, second.length = 1;
    insertLine(db, first);
    insertLine(db, second);
    FieldRow f;
    for (const auto &[line, id, tipo, description] :
         {std::tuple{"0001", "0001", "01", "Cuenta"}, std::tuple{"0001", "0002", "02", "Nombre"},
          std::tuple{"0002", "0001", "03", "Fecha"}}) {
        f.lineId = line, f.id = id, f.tipo = tipo, f.description = description;
        insertField(db, f);
    }
}

} // namespace kesta::test

// In a test function: a fresh SQLite database `db` holding writeTwoLineFormat's load format, and
// the edit screen `s` over it; fails the test when the database is not available.
#define KESTA_TWO_LINE_SCREEN()                                                                    \
    ::kesta::test::TestDatabase db;                                                                \
    KESTA_REQUIRE(db);                                                                             \
    ::kesta::test::writeTwoLineFormat(db);                                                         \
    ::kesta::test::EditScreen s(db.connectionName())

// As KESTA_TWO_LINE_SCREEN, with the format loaded by its key and under the toolbar's Edit.
#define KESTA_TWO_LINE_EDIT()                                                                      \
    KESTA_TWO_LINE_SCREEN();                                                                       \
    s.typeKey("1");                                                                                \
    s.command("Edit")
