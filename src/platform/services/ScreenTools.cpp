#include "ScreenTools.h"

#include "GridTools.h"
#include "controls/DataGrid.h"
#include "host/RuntimeError.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPlainTextEdit>
#include <QPoint>
#include <QPointer>
#include <QTextEdit>
#include <QWidget>
#include <memory>

using kesta::host::RuntimeError;

namespace velkora::services {

namespace {

QList<QWidget *> taggedWidgets(QWidget *screen, int tag, const char *operation)
{
    if (!screen)
        throw RuntimeError(QStringLiteral("%1 needs a screen.").arg(QLatin1String(operation)));
    const QString wanted = QString::number(tag);
    QList<QWidget *> tagged;
    const QList<QWidget *> all = screen->findChildren<QWidget *>();
    for (QWidget *widget : all) {
        const QVariant value = widget->property("Tag");
        if (value.isValid() && value.toString() == wanted)
            tagged << widget;
    }
    return tagged;
}

bool invokeIfPresent(QWidget *widget, const char *signature, const char *name)
{
    if (widget->metaObject()->indexOfMethod(signature) < 0)
        return false;
    return QMetaObject::invokeMethod(widget, name, Qt::DirectConnection);
}

void emptyWidget(QWidget *widget)
{
    if (invokeIfPresent(widget, "clearValue()", "clearValue"))
        return;
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->clear();
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        if (button->isCheckable())
            button->setChecked(false);
    } else if (auto *dateEdit = qobject_cast<QDateTimeEdit *>(widget)) {
        dateEdit->setDate(QDate::currentDate());
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        combo->setCurrentIndex(-1);
        if (combo->isEditable())
            combo->clearEditText();
    } else if (auto *text = qobject_cast<QTextEdit *>(widget)) {
        text->clear();
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        plain->clear();
    } else {
        invokeIfPresent(widget, "clear()", "clear");
    }
}

// A key as typed: the Qt key and the text of one character of the keystroke text.
std::pair<int, QString> keyFor(QChar c)
{
    switch (c.unicode()) {
    case u'\t':
        return {Qt::Key_Tab, QStringLiteral("\t")};
    case u'\r':
    case u'\n':
        return {Qt::Key_Return, QStringLiteral("\r")};
    case u'\b':
        return {Qt::Key_Backspace, QStringLiteral("\b")};
    case 0x1B:
        return {Qt::Key_Escape, QString(QChar(0x1B))};
    case u' ':
        return {Qt::Key_Space, QStringLiteral(" ")};
    default:
        break;
    }
    const QChar upper = c.toUpper();
    if ((upper >= QLatin1Char('A') && upper <= QLatin1Char('Z')) ||
        (upper >= QLatin1Char('0') && upper <= QLatin1Char('9')))
        return {upper.unicode(), QString(c)};
    return {Qt::Key_unknown, QString(c)};
}

} // namespace

void clearScreen(QWidget *screen, int tag)
{
    for (QWidget *widget : taggedWidgets(screen, tag, "ClearScreen")) {
        emptyWidget(widget);
        // Grids and the field store stay enabled so that they can be browsed.
        if (!qobject_cast<QAbstractItemView *>(widget))
            widget->setEnabled(false);
    }
}

void enableScreen(QWidget *screen, int tag)
{
    for (QWidget *widget : taggedWidgets(screen, tag, "EnableScreen"))
        widget->setEnabled(true);
}

void simulateKeys(const QString &keys)
{
    for (const QChar c : keys) {
        // Like a typed key: to the focus widget, or to the active window when nothing has the
        // focus (a window gives TAB to its first control). The events are delivered at once,
        // through the application (so event filters such as a grid's cell editor see them).
        QWidget *target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        if (!target)
            return;
        const auto [key, text] = keyFor(c);
        QPointer<QWidget> guard(target);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &press);
        if (guard) {
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QApplication::sendEvent(guard, &release);
        }
    }
}

void gridCommandShiftF10(QWidget *grid)
{
    gridTable(grid); // refuses what is not a grid
    std::unique_ptr<QMenu> menu(createGridMenu(grid, nullptr));
    // Opened by the mouse: at the pointer.
    if (const auto *dataGrid = qobject_cast<controls::DataGrid *>(grid)) {
        if (const std::optional<QPoint> pointer = dataGrid->mouseMenuPoint()) {
            menu->exec(*pointer);
            return;
        }
    }
    QPoint at = grid->rect().center();
    if (auto *view = qobject_cast<QAbstractItemView *>(grid)) {
        const QRect cell = view->visualRect(view->currentIndex());
        at = cell.isValid() ? view->viewport()->mapTo(grid, cell.bottomLeft())
                            : view->viewport()->pos();
    }
    menu->exec(grid->mapToGlobal(at));
}

// F10 fits every column of the grid to its contents and caption, the grid-wide command that
// users of such grids expect after filling or loading rows whose texts are cut.
void gridCommandF10(QWidget *grid)
{
    fitColumns(grid);
}

} // namespace velkora::services
