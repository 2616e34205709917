// The toolbar: offered commands per flag combination and their shortcuts, the editing state
// through its commands, and the order of its signals with EditMode at each.

#include "controls/Controles.h"
#include "controls/DataGrid.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMetaMethod>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

using velkora::controls::Controles;

namespace {

const QStringList allCommands =
    QString("New Edit Record Reactivate Deactivate Save Cancel Exit B1 B2 B3").split(' ');

// A shown window: the toolbar over a line edit and a one-column grid holding "antes", the
// toolbar set up by `flags` (R record loaded; E, D, A edit, deactivate, reactivate allowed;
// B the extra buttons' captions; X no exit button). `log` holds every signal raised since, with
// EditMode at the moment ("New:edit").
struct Bar {
    QWidget window;
    Controles *bar = new Controles(&window);
    QLineEdit *input = new QLineEdit(&window);
    velkora::controls::DataGrid *grid = new velkora::controls::DataGrid(&window);
    QStringList log;

    explicit Bar(const QString &flags)
    {
        window.setObjectName("window");
        input->setObjectName("input");
        grid->setObjectName("grid");
        auto *layout = new QVBoxLayout(&window);
        for (QWidget *widget : QList<QWidget *>{bar, input, grid})
            layout->addWidget(widget);
        velkora::controls::GridColumn column;
        column.name = "Descripción";
        grid->setColumns({column});
        grid->setCell(grid->AddNew(), 0, "antes");
        grid->Update();
        bar->setRecordLoaded(flags.contains('R'));
        bar->setEditAllowed(flags.contains('E'));
        bar->setDeactivateAllowed(flags.contains('D'));
        bar->setReactivateAllowed(flags.contains('A'));
        bar->setB1Caption(flags.contains('B') ? "Copiar" : "");
        bar->setB2Caption(flags.contains('B') ? "Probar" : "");
        bar->setB3Caption(flags.contains('B') ? "Script" : "");
        bar->setDesignProperty("showexitbutton", flags.contains('X') ? "NO" : "SI");
        const auto note = [this](const QString &name) {
            log << name + (bar->EditMode() ? ":edit" : ":browse");
        };
        for (auto signal :
             {&Controles::New, &Controles::Edit, &Controles::Record, &Controles::Reactivate,
              &Controles::Deactivate, &Controles::Cancel, &Controles::Exit, &Controles::B1Click,
              &Controles::B2Click, &Controles::B3Click}) {
            const QString name = QString(QMetaMethod::fromSignal(signal).name()).remove("Click");
            QObject::connect(bar, signal, bar, [note, name] { note(name); });
        }
        QObject::connect(bar, &Controles::Save, bar,
                         [note](bool isNew) { note(isNew ? "Save(new)" : "Save(existing)"); });
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the window did not become active");
    }
    // Runs commands, DoNew, "confirm" (ConfirmSave) or "refuse" (CancelSave).
    void run(const QString &steps)
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "confirm")
                bar->ConfirmSave();
            else if (step == "refuse")
                bar->CancelSave();
            else if (step == "DoNew")
                bar->DoNew(false);
            else
                bar->action(step)->trigger();
        }
    }
    QString offered() const
    {
        QStringList names = allCommands;
        names.removeIf([this](const QString &name) { return !bar->isOffered(name); });
        return names.join(' ');
    }
};

} // namespace

class TestToolbar : public QObject {
    Q_OBJECT

private slots:
    void commands_data()
    {
        // The flags (see Bar), the steps run, the signals raised and the commands then offered.
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expectedLog");
        QTest::addColumn<QString>("expectedOffered");
        const auto row = [](const char *name, const char *flags, const char *steps, const char *log,
                            const char *offered) {
            QTest::newRow(name) << QString(flags) << QString(steps) << QString(log)
                                << QString(offered);
        };
        const char *viewing = "New Edit Record Reactivate Deactivate Exit B1 B2 B3";
        row("idle", "", "", "", "New Exit");
        row("flags without record", "EDA", "", "", "New Exit");
        row("viewing active", "RED", "", "", "New Edit Record Deactivate Exit");
        row("viewing deactivated", "RA", "", "", "New Record Reactivate Exit");
        row("record, nothing allowed", "R", "", "", "New Record Exit");
        row("extra captions", "B", "", "", "New Exit B1 B2 B3");
        row("no exit button", "X", "", "", "New");
        row("editing existing", "RED", "Edit", "Edit:edit", "Record Save Cancel Exit");
        row("editing new", "REDA", "New", "New:edit", "Save Cancel Exit");
        // The captions stay offered in the editing state; the screen withdraws them itself.
        row("editing new with captions", "B", "DoNew", "New:edit", "Save Cancel Exit B1 B2 B3");
        row("saved", "REDAB", "New Save confirm Edit Save confirm",
            "New:edit Save(new):edit Edit:edit Save(existing):edit", viewing);
        row("cancelled", "REDAB", "New Cancel Edit Cancel",
            "New:edit Cancel:browse Edit:edit Cancel:browse", viewing);
        row("save refused", "RE", "Edit Save refuse Save",
            "Edit:edit Save(existing):edit Save(existing):edit", "Record Save Cancel Exit");
        row("browse commands", "REDAB", "Record Deactivate Reactivate B1 Exit",
            "Record:browse Deactivate:browse Reactivate:browse B1:browse Exit:browse", viewing);
        row("withdrawn commands do nothing", "", "Save Edit Cancel B1", "", "New Exit");
    }
    void commands()
    {
        QFETCH(QString, flags);
        QFETCH(QString, steps);
        QFETCH(QString, expectedOffered);
        for (const QString &name : allCommands) {
            Bar b(flags);
            b.run(steps);
            // No additional fields are configured: both succeed at once, raising nothing.
            QVERIFY(b.bar->SaveAdditionalFields("0001"));
            b.bar->LoadAdditionalFields("0001");
            QTEST(b.log.join(' '), "expectedLog");
            QTEST(b.offered(), "expectedOffered");
            QCOMPARE(b.bar->EditMode(), b.bar->isOffered("Save"));
            // Offered means visible and enabled, and the shortcut raises the command; the rest
            // is hidden and disabled, and its shortcut does nothing.
            const bool offered = expectedOffered.split(' ').contains(name);
            QCOMPARE(b.bar->action(name)->isVisible(), offered);
            QCOMPARE(b.bar->action(name)->isEnabled(), offered);
            b.log.clear();
            b.input->setFocus();
            QTest::keySequence(b.input, b.bar->action(name)->shortcut());
            QCOMPARE(b.log.size(), offered ? 1 : 0);
            QCOMPARE(b.log.value(0).startsWith(name), offered);
        }
    }

    void escapeInACellEditorStaysInTheCell()
    {
        // Escape belongs to the cell editor while one is open: it drops the cell's typing, not the
        // whole edit. Outside the editor it is the toolbar's Cancel.
        Bar b("");
        b.bar->action("New")->trigger();
        b.grid->setFocus();
        QTest::keyClick(b.grid, Qt::Key_X);
        QVERIFY(QApplication::focusWidget() != b.grid);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(b.grid->cell(0, 0).toString(), "antes");
        QCOMPARE(b.log.join(' '), "New:edit");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(b.log.join(' '), "New:edit Cancel:browse");
    }

    void keyCheckStopsKeysNotClicks()
    {
        // The owner's check sees every command key, and only keys: a refused key does nothing,
        // a click on the button and trigger() act without asking.
        Bar b("RE");
        QStringList asked;
        bool allow = false;
        b.bar->setKeyCheck([&](const QString &name) {
            asked << name;
            return allow;
        });
        b.run("Edit");
        b.input->setFocus();
        QTest::keyClick(b.input, Qt::Key_Escape);
        QCOMPARE(asked, QStringList{"Cancel"});
        QCOMPARE(b.log.join(' '), "Edit:edit");
        QVERIFY(b.bar->EditMode());
        QTest::mouseClick(b.bar->findChild<QToolBar *>()->widgetForAction(b.bar->action("Cancel")),
                          Qt::LeftButton);
        QCOMPARE(b.log.join(' '), "Edit:edit Cancel:browse");
        allow = true;
        QTest::keySequence(b.input, b.bar->action("Edit")->shortcut());
        QCOMPARE(asked, (QStringList{"Cancel", "Edit"}));
        QCOMPARE(b.log.join(' '), "Edit:edit Cancel:browse Edit:edit");
    }

    void choiceGoesWithItsCommand()
    {
        // A second way of running B2: its menu entry, a Shift+click on B2's button or its key,
        // offered only while B2 is, and never B2 itself.
        Bar b("B");
        QStringList chosen;
        QObject::connect(b.bar, &Controles::ChoiceClick, b.bar,
                         [&](const QString &name) { chosen << name; });
        QAction *choice = b.bar->addChoice("B2", "B2Otro", "Probar con otro archivo...",
                                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
        QVERIFY(choice && b.bar->action("B2Otro") == choice);
        QVERIFY(!b.bar->addChoice("B2", "B2Otro", "otra vez", {})); // a name is taken once
        QVERIFY(b.bar->isOffered("B2Otro"));
        QWidget *button = b.bar->findChild<QToolBar *>()->widgetForAction(b.bar->action("B2"));
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier);
        b.input->setFocus();
        QTest::keySequence(b.input, choice->shortcut());
        choice->trigger();
        QCOMPARE(chosen, (QStringList{"B2Otro", "B2Otro", "B2Otro"}));
        QCOMPARE(b.log.join(' '), "");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(b.log.join(' '), "B2:browse");

        b.bar->setB2Caption("");
        QVERIFY(!b.bar->isOffered("B2Otro"));
        QTest::keySequence(b.input, choice->shortcut());
        choice->trigger();
        QCOMPARE(chosen.size(), 3);
    }
};

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
