// The toolbar: offered commands per flag combination, the editing state through its commands,
// the order of its signals with EditMode at each, and shortcuts that act only when offered.

#include "controls/Controles.h"
#include "controls/DataGrid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

using velkora::controls::Controles;

namespace {

const QStringList allCommands = {
    QStringLiteral("New"),        QStringLiteral("Edit"),       QStringLiteral("Record"),
    QStringLiteral("Reactivate"), QStringLiteral("Deactivate"), QStringLiteral("Save"),
    QStringLiteral("Cancel"),     QStringLiteral("Exit"),       QStringLiteral("B1"),
    QStringLiteral("B2"),         QStringLiteral("B3")};

QStringList offeredNow(const Controles &bar)
{
    QStringList offered;
    for (const QString &name : allCommands) {
        if (bar.isOffered(name))
            offered << name;
    }
    return offered;
}

// Records every signal of the toolbar with EditMode at the moment it was raised.
struct SignalLog {
    QStringList entries;

    void attach(Controles &bar)
    {
        const auto note = [this, &bar](const QString &name) {
            entries << QStringLiteral("%1:%2").arg(name, bar.EditMode() ? "edit" : "browse");
        };
        QObject::connect(&bar, &Controles::New, &bar, [note] { note("New"); });
        QObject::connect(&bar, &Controles::Edit, &bar, [note] { note("Edit"); });
        QObject::connect(&bar, &Controles::Record, &bar, [note] { note("Record"); });
        QObject::connect(&bar, &Controles::Reactivate, &bar, [note] { note("Reactivate"); });
        QObject::connect(&bar, &Controles::Deactivate, &bar, [note] { note("Deactivate"); });
        QObject::connect(&bar, &Controles::Save, &bar, [note](bool isNew) {
            note(isNew ? QStringLiteral("Save(new)") : QStringLiteral("Save(existing)"));
        });
        QObject::connect(&bar, &Controles::Cancel, &bar, [note] { note("Cancel"); });
        QObject::connect(&bar, &Controles::Exit, &bar, [note] { note("Exit"); });
        QObject::connect(&bar, &Controles::B1Click, &bar, [note] { note("B1"); });
        QObject::connect(&bar, &Controles::B2Click, &bar, [note] { note("B2"); });
        QObject::connect(&bar, &Controles::B3Click, &bar, [note] { note("B3"); });
    }
};

} // namespace

class TestToolbar : public QObject {
    Q_OBJECT

private slots:
    void commandsHaveNamesShortcutsAndTooltips();
    void offeredCommands_data();
    void offeredCommands();
    void editingStateThroughCommands_data();
    void editingStateThroughCommands();
    void doNewStartsANewRecord();
    void cancelSaveKeepsTheEditingState();
    void extraButtonsShowTheirCaptions();
    void exitButtonFollowsDesignProperty();
    void additionalFieldsSucceedAtOnce();
    void shortcutsActOnlyWhenOffered_data();
    void shortcutsActOnlyWhenOffered();
    void triggeringAWithdrawnCommandDoesNothing();
    void escapeInACellEditorLeavesTheEditingState();
};

void TestToolbar::commandsHaveNamesShortcutsAndTooltips()
{
    Controles bar;
    bar.setCaption(QStringLiteral("Formatos de carga"));
    QCOMPARE(bar.caption(), QStringLiteral("Formatos de carga"));
    QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("caption"))->text(),
             QStringLiteral("Formatos de carga"));

    QSet<QKeySequence> shortcuts;
    for (const QString &name : allCommands) {
        QAction *action = bar.action(name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->objectName(), name);
        QVERIFY2(!action->shortcut().isEmpty(), qPrintable(name));
        QVERIFY2(action->toolTip().contains(action->shortcut().toString(QKeySequence::NativeText)),
                 qPrintable(name));
        shortcuts.insert(action->shortcut());
    }
    QCOMPARE(shortcuts.size(), allCommands.size()); // no two commands share a shortcut
    QVERIFY(!shortcuts.contains(QKeySequence(Qt::ALT | Qt::Key_1)));
    QVERIFY(!shortcuts.contains(QKeySequence(Qt::ALT | Qt::Key_2)));
    QCOMPARE(bar.action(QStringLiteral("Unknown")), nullptr);
    QVERIFY(!bar.isOffered(QStringLiteral("Unknown")));

    // The toolbar lists the commands in the toolbar's order.
    QStringList order;
    for (QAction *action : bar.findChild<QToolBar *>(QStringLiteral("toolbar"))->actions())
        order << action->objectName();
    QCOMPARE(order, allCommands);
}

void TestToolbar::offeredCommands_data()
{
    QTest::addColumn<bool>("recordLoaded");
    QTest::addColumn<bool>("editAllowed");
    QTest::addColumn<bool>("deactivateAllowed");
    QTest::addColumn<bool>("reactivateAllowed");
    QTest::addColumn<QString>("enter"); // "", "New" or "Edit"
    QTest::addColumn<QStringList>("expected");

    const QString none;
    QTest::newRow("idle") << false << false << false << false << none << QStringList{"New", "Exit"};
    QTest::newRow("flags without record")
        << false << true << true << true << none << QStringList{"New", "Exit"};
    QTest::newRow("viewing active") << true << true << true << false << none
                                    << QStringList{"New", "Edit", "Record", "Deactivate", "Exit"};
    QTest::newRow("viewing deactivated") << true << false << false << true << none
                                         << QStringList{"New", "Record", "Reactivate", "Exit"};
    QTest::newRow("record, nothing allowed")
        << true << false << false << false << none << QStringList{"New", "Record", "Exit"};
    QTest::newRow("edit only") << true << true << false << false << none
                               << QStringList{"New", "Edit", "Record", "Exit"};
    QTest::newRow("editing existing") << true << true << true << false << QStringLiteral("Edit")
                                      << QStringList{"Record", "Save", "Cancel", "Exit"};
    QTest::newRow("editing new over a record")
        << true << true << true << true << QStringLiteral("New")
        << QStringList{"Save", "Cancel", "Exit"};
    QTest::newRow("editing new from idle")
        << false << false << false << false << QStringLiteral("New")
        << QStringList{"Save", "Cancel", "Exit"};
}

void TestToolbar::offeredCommands()
{
    QFETCH(bool, recordLoaded);
    QFETCH(bool, editAllowed);
    QFETCH(bool, deactivateAllowed);
    QFETCH(bool, reactivateAllowed);
    QFETCH(QString, enter);
    QFETCH(QStringList, expected);

    Controles bar;
    bar.setRecordLoaded(recordLoaded);
    bar.setEditAllowed(editAllowed);
    bar.setDeactivateAllowed(deactivateAllowed);
    bar.setReactivateAllowed(reactivateAllowed);
    if (!enter.isEmpty()) {
        QVERIFY(bar.isOffered(enter));
        bar.action(enter)->trigger();
        QVERIFY(bar.EditMode());
    }
    QCOMPARE(offeredNow(bar), expected);
    for (const QString &name : allCommands) {
        // Offered means visible and enabled; the rest is hidden and disabled.
        QCOMPARE(bar.action(name)->isVisible(), expected.contains(name));
        QCOMPARE(bar.action(name)->isEnabled(), expected.contains(name));
    }
}

void TestToolbar::editingStateThroughCommands_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expectedLog");
    QTest::addColumn<bool>("editModeAtEnd");

    QTest::newRow("new, save, confirm") << QStringList{"New", "Save", "confirm"}
                                        << QStringList{"New:edit", "Save(new):edit"} << false;
    QTest::newRow("edit, save, confirm")
        << QStringList{"Edit", "Save", "confirm"} << QStringList{"Edit:edit", "Save(existing):edit"}
        << false;
    QTest::newRow("new, cancel") << QStringList{"New", "Cancel"}
                                 << QStringList{"New:edit", "Cancel:browse"} << false;
    QTest::newRow("edit, cancel") << QStringList{"Edit", "Cancel"}
                                  << QStringList{"Edit:edit", "Cancel:browse"} << false;
    QTest::newRow("edit, refused save, save again")
        << QStringList{"Edit", "Save", "refuse", "Save"}
        << QStringList{"Edit:edit", "Save(existing):edit", "Save(existing):edit"} << true;
    QTest::newRow("new, confirm, edit, save")
        << QStringList{"New", "Save", "confirm", "Edit", "Save"}
        << QStringList{"New:edit", "Save(new):edit", "Edit:edit", "Save(existing):edit"} << true;
    QTest::newRow("browse commands")
        << QStringList{"Record", "Deactivate", "Reactivate", "B1", "B2", "B3", "Exit"}
        << QStringList{"Record:browse", "Deactivate:browse", "Reactivate:browse", "B1:browse",
                       "B2:browse",     "B3:browse",         "Exit:browse"}
        << false;
}

void TestToolbar::editingStateThroughCommands()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expectedLog);
    QFETCH(bool, editModeAtEnd);

    Controles bar;
    bar.setRecordLoaded(true);
    bar.setEditAllowed(true);
    bar.setDeactivateAllowed(true);
    bar.setReactivateAllowed(true);
    bar.setB1Caption(QStringLiteral("Copiar"));
    bar.setB2Caption(QStringLiteral("Probar"));
    bar.setB3Caption(QStringLiteral("Script"));
    SignalLog log;
    log.attach(bar);

    for (const QString &step : steps) {
        if (step == QLatin1String("confirm")) {
            bar.ConfirmSave();
        } else if (step == QLatin1String("refuse")) {
            bar.CancelSave();
        } else {
            QVERIFY2(bar.isOffered(step), qPrintable(step));
            bar.action(step)->trigger();
        }
    }
    QCOMPARE(log.entries, expectedLog);
    QCOMPARE(bar.EditMode(), editModeAtEnd);
}

void TestToolbar::doNewStartsANewRecord()
{
    Controles bar;
    bar.setRecordLoaded(true);
    bar.setEditAllowed(true);
    SignalLog log;
    log.attach(bar);
    bool editModeSeen = false;
    connect(&bar, &Controles::New, &bar, [&] { editModeSeen = bar.EditMode(); });

    bar.DoNew(false);
    QVERIFY(editModeSeen);
    QCOMPARE(log.entries, QStringList{"New:edit"});
    QVERIFY(bar.isOffered(QStringLiteral("Save")));
    QVERIFY(!bar.isOffered(QStringLiteral("Edit")));
    bar.action(QStringLiteral("Save"))->trigger();
    QCOMPARE(log.entries.last(), QStringLiteral("Save(new):edit"));
}

void TestToolbar::cancelSaveKeepsTheEditingState()
{
    Controles bar;
    bar.action(QStringLiteral("New"))->trigger();
    const QStringList before = offeredNow(bar);
    bar.CancelSave();
    QVERIFY(bar.EditMode());
    QCOMPARE(offeredNow(bar), before);
    bar.ConfirmSave();
    QVERIFY(!bar.EditMode());
    QCOMPARE(offeredNow(bar), (QStringList{"New", "Exit"}));
}

void TestToolbar::extraButtonsShowTheirCaptions()
{
    Controles bar;
    bar.setB1Caption(QStringLiteral("Copiar"));
    bar.setB3Caption(QStringLiteral("Script"));
    QCOMPARE(bar.action(QStringLiteral("B1"))->text(), QStringLiteral("Copiar"));
    QVERIFY(bar.isOffered(QStringLiteral("B1")));
    QVERIFY(!bar.isOffered(QStringLiteral("B2")));
    QVERIFY(bar.isOffered(QStringLiteral("B3")));
    QVERIFY(bar.action(QStringLiteral("B1"))->toolTip().startsWith(QStringLiteral("Copiar")));

    // The captions stay offered in the editing state; the screen withdraws them itself.
    bar.action(QStringLiteral("New"))->trigger();
    QVERIFY(bar.isOffered(QStringLiteral("B3")));
    bar.setB1Caption(QString());
    QVERIFY(!bar.isOffered(QStringLiteral("B1")));
    QCOMPARE(bar.B1Caption(), QString());
    QCOMPARE(bar.B3Caption(), QStringLiteral("Script"));
}

void TestToolbar::exitButtonFollowsDesignProperty()
{
    Controles bar;
    QVERIFY(bar.isOffered(QStringLiteral("Exit")));
    bar.setDesignProperty(QStringLiteral("showexitbutton"), QStringLiteral("NO"));
    QVERIFY(!bar.isOffered(QStringLiteral("Exit")));
    QCOMPARE(bar.designProperty(QStringLiteral("ShowExitButton")), QStringLiteral("NO"));
    bar.setDesignProperty(QStringLiteral("showexitbutton"), QStringLiteral("SI"));
    QVERIFY(bar.isOffered(QStringLiteral("Exit")));

    bar.setDesignProperty(QStringLiteral("opc_table"), QStringLiteral("Layout"));
    QCOMPARE(bar.designProperty(QStringLiteral("opc_table")), QStringLiteral("Layout"));
    QCOMPARE(bar.designProperty(QStringLiteral("tabwidth")), QString());
}

void TestToolbar::additionalFieldsSucceedAtOnce()
{
    Controles bar;
    SignalLog log;
    log.attach(bar);
    QVERIFY(bar.SaveAdditionalFields(QStringLiteral("0001")));
    bar.LoadAdditionalFields(QStringLiteral("0001"));
    QVERIFY(log.entries.isEmpty());
    QVERIFY(!bar.EditMode());
    bar.setToolbarReady(true);
    QVERIFY(bar.ToolbarReady());
}

void TestToolbar::shortcutsActOnlyWhenOffered_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("recordLoaded");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QStringList>("expectedLog");

    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl+E with a record")
        << int(Qt::Key_E) << ctrl << true << false << QStringList{"Edit:edit"};
    QTest::newRow("Ctrl+E without a record")
        << int(Qt::Key_E) << ctrl << false << false << QStringList{};
    QTest::newRow("Ctrl+E while editing")
        << int(Qt::Key_E) << ctrl << true << true << QStringList{};
    QTest::newRow("Ctrl+S while editing")
        << int(Qt::Key_S) << ctrl << true << true << QStringList{"Save(existing):edit"};
    QTest::newRow("Ctrl+S outside editing")
        << int(Qt::Key_S) << ctrl << true << false << QStringList{};
    QTest::newRow("Esc while editing")
        << int(Qt::Key_Escape) << 0 << true << true << QStringList{"Cancel:browse"};
    QTest::newRow("Esc outside editing")
        << int(Qt::Key_Escape) << 0 << true << false << QStringList{};
    QTest::newRow("Ctrl+N outside editing")
        << int(Qt::Key_N) << ctrl << false << false << QStringList{"New:edit"};
    QTest::newRow("Ctrl+N while editing")
        << int(Qt::Key_N) << ctrl << true << true << QStringList{};
    QTest::newRow("Ctrl+2 without caption")
        << int(Qt::Key_2) << ctrl << true << false << QStringList{};
}

void TestToolbar::shortcutsActOnlyWhenOffered()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, recordLoaded);
    QFETCH(bool, editing);
    QFETCH(QStringList, expectedLog);

    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    auto *layout = new QVBoxLayout(&window);
    auto *bar = new Controles(&window);
    auto *input = new QLineEdit(&window);
    input->setObjectName(QStringLiteral("input"));
    layout->addWidget(bar);
    layout->addWidget(input);
    bar->setRecordLoaded(recordLoaded);
    bar->setEditAllowed(true);
    if (editing)
        bar->action(QStringLiteral("Edit"))->trigger();
    SignalLog log;
    log.attach(*bar);

    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    input->setFocus();
    QTest::keyClick(input, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(log.entries, expectedLog);
}

void TestToolbar::triggeringAWithdrawnCommandDoesNothing()
{
    Controles bar;
    SignalLog log;
    log.attach(bar);
    // Not offered: triggering the action by the program raises nothing either.
    bar.action(QStringLiteral("Save"))->trigger();
    bar.action(QStringLiteral("Edit"))->trigger();
    bar.action(QStringLiteral("B1"))->trigger();
    QVERIFY(log.entries.isEmpty());
    QVERIFY(!bar.EditMode());
}

void TestToolbar::escapeInACellEditorLeavesTheEditingState()
{
    // Escape belongs to the cell editor while one is open: it drops the cell's typing, not the
    // whole edit. Outside the editor it is the toolbar's Cancel.
    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    auto *layout = new QVBoxLayout(&window);
    auto *bar = new Controles(&window);
    auto *grid = new velkora::controls::DataGrid(&window);
    grid->setObjectName(QStringLiteral("grid"));
    velkora::controls::GridColumn column;
    column.name = QStringLiteral("Descripción");
    grid->setColumns({column});
    grid->AddNew();
    grid->setCell(0, 0, QStringLiteral("antes"));
    grid->Update();
    layout->addWidget(bar);
    layout->addWidget(grid);
    bar->action(QStringLiteral("New"))->trigger();
    SignalLog log;
    log.attach(*bar);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    QVERIFY(grid->setCurrentCell(0, 0));

    QTest::keyClick(grid, Qt::Key_X);
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(log.entries.isEmpty());
    QVERIFY(bar->EditMode());
    QCOMPARE(grid->cell(0, 0).toString(), QStringLiteral("antes"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(log.entries, QStringList{"Cancel:browse"});
}

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
