// The screen's modes: what each mode lets the user touch, control by control, reached as the
// user reaches it; New with and without an automatic key; the record command; an edit with
// changes is never ended by Escape, Salir or the window's close without a question.

#include "OwnerForm.h"
#include "editor/EditFixture.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>

using namespace kesta::test;
using Kind = TestDatabase::Kind;

namespace {

// How a mode is reached from a fresh screen over the two-line format stored under 0001.
enum class Path {
    Start,
    LoadActive,
    LoadDeactivated,
    NewFromStart,
    EditLoaded,
    NewAfterLoad,
    NewThenCancel,
    EditThenCancel,
    LineEditThenCancel
};

// The usable state of the screen, as one text: each control enabled (E) or disabled (-), the
// visible edit buttons and the toolbar's offered commands.
QString usable(const EditScreen &s)
{
    QString text;
    // Enabled as the mode leaves it: the frame of the hidden tab disables its controls too,
    // which is the tab change's business, not the mode's.
    const auto flag = [&](const char *name) {
        const QWidget *w = s.screen->findChild<QWidget *>(QString::fromLatin1(name));
        text += w->isEnabledTo(w->parentWidget()) ? 'E' : '-';
    };
    for (const char *name :
         {"txtClave", "txtDescripcion", "txtArchivo", "cmdArchivo", "chInverso", "txtUser1",
          "txtUser2", "txtUser3", "txtUser4", "dpUser5", "dpUser6", "ssLinea", "ssDetalle"})
        flag(name);
    text += ' ';
    for (int i = 0; i < 5; ++i) {
        if (s.button(i)->isVisibleTo(s.screen.get()))
            text += s.button(i)->isEnabled() ? 'E' : '-';
        else
            text += '.';
    }
    QStringList offered;
    for (const char *name : {"New", "Edit", "Record", "Reactivate", "Deactivate", "Save", "Cancel",
                             "Exit", "B1", "B2", "B3"}) {
        if (s.toolbar()->isOffered(QString::fromLatin1(name)))
            offered << QString::fromLatin1(name);
    }
    return text + ' ' + offered.join(',');
}

// How an edit was begun, before the user tries to end it.
enum class Begun {
    NewTyped,      // New, a key and a description typed
    NewUntouched,  // New, nothing typed
    NewLineEdit,   // as NewTyped, then "Nuevo" and a line number typed, its cell editor open
    EditChanged,   // Edit of the stored format, its description changed
    EditUntouched, // Edit, nothing changed
};

} // namespace

Q_DECLARE_METATYPE(Path)
Q_DECLARE_METATYPE(Begun)

class tst_Modes : public QObject {
    Q_OBJECT

private slots:
    void modeTable_data();
    void modeTable();
    void automaticKey_data();
    void automaticKey();
    void recordCommandOpensTheShownKey();
    void gridCaptionsAreDrawnInTheirRectangles();
    void unsavedEditIsNotThrownAway_data();
    void unsavedEditIsNotThrownAway();
};

void tst_Modes::modeTable_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expected");
    // Controls: key, description, file, browse, reverse, user 1-4, dates 5-6, line grid, field
    // grid; then the five edit buttons ('.' hidden); then the offered commands.
    QTest::newRow("start") << Path::Start << "Idle"
                           << "E----------EE ---.. New,Exit";
    QTest::newRow("load active") << Path::LoadActive << "Viewing active"
                                 << "E----------EE ---.. New,Edit,Record,Deactivate,Exit,B1,B2,B3";
    QTest::newRow("load deactivated") << Path::LoadDeactivated << "Viewing deactivated"
                                      << "E----------EE ---.. New,Record,Reactivate,Exit,B1,B2,B3";
    QTest::newRow("New from the start") << Path::NewFromStart << "Editing new"
                                        << "EEEEEEEEEEEEE EEE.. Save,Cancel,Exit";
    QTest::newRow("Edit") << Path::EditLoaded << "Editing existing"
                          << "-EEEEEEEEEEEE EEE.. Record,Save,Cancel,Exit,B3";
    QTest::newRow("New over a shown record") << Path::NewAfterLoad << "Editing new"
                                             << "EEEEEEEEEEEEE EEE.. Save,Cancel,Exit,B3";
    QTest::newRow("New, Cancel") << Path::NewThenCancel << "Idle"
                                 << "E----------EE ---.. New,Exit,B3";
    QTest::newRow("Edit, Cancel") << Path::EditThenCancel << "Idle"
                                  << "E----------EE ---.. New,Exit,B3";
    QTest::newRow("line edit, toolbar Cancel") << Path::LineEditThenCancel << "Idle"
                                               << "E----------EE ---.. New,Exit,B3";
}

void tst_Modes::modeTable()
{
    QFETCH(Path, path);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    LineRow deactivated;
    deactivated.key = "0002", deactivated.estado = "BA";
    insertLine(db, deactivated);
    EditScreen s(db.connectionName());

    switch (path) {
    case Path::Start:
        break;
    case Path::LoadActive:
        s.typeKey("1");
        break;
    case Path::LoadDeactivated:
        s.typeKey("2");
        break;
    case Path::NewFromStart:
        s.command("New");
        break;
    case Path::EditLoaded:
        s.typeKey("1");
        s.command("Edit");
        break;
    case Path::NewAfterLoad:
        s.typeKey("1");
        s.command("New");
        break;
    case Path::NewThenCancel:
        s.typeKey("1");
        s.command("New");
        s.command("Cancel");
        break;
    case Path::EditThenCancel:
        s.typeKey("1");
        s.command("Edit");
        s.command("Cancel");
        break;
    case Path::LineEditThenCancel:
        s.typeKey("1");
        s.command("Edit");
        s.click(0);
        s.clickCommand("Cancel");
        break;
    }

    QTEST(kesta::commands::modeName(s.screen->mode()), "mode");
    QTEST(usable(s), "expected");
    QVERIFY(!s.screen->LineEditActive());
    // The key box has the focus wherever the user may type a key; Edit sends it to the
    // description.
    if (path == Path::EditLoaded)
        QCOMPARE(s.focus(), s.child("txtDescripcion"));
    else if (path != Path::Start && path != Path::LoadActive && path != Path::LoadDeactivated)
        QCOMPARE(s.focus(), s.keyBox());
    if (path == Path::NewThenCancel || path == Path::EditThenCancel) {
        QCOMPARE(s.keyBox()->text(), QString());
        QCOMPARE(s.child<QTabWidget>("ssTabZur")->currentIndex(), 0);
        QCOMPARE(s.lineGrid()->Rows() + s.store().count(), 0);
    }
}

void tst_Modes::automaticKey_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<int>("keyEditable");
    QTest::addColumn<qlonglong>("nextKey");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("keyEnabled");
    QTest::addColumn<QString>("message");

    QTest::newRow("off") << QVariant("0") << 0 << 7LL << "" << true << "";
    QTest::newRow("not set") << QVariant() << 0 << 7LL << "" << true << "";
    QTest::newRow("on, key fixed") << QVariant("1") << 0 << 7LL << "0007" << false << "";
    QTest::newRow("on, key editable") << QVariant("SI") << 1 << 42LL << "0042" << true << "";
    QTest::newRow("on, no key left") << QVariant("1") << 0 << 10000LL << "" << true << "7500028";
}

void tst_Modes::automaticKey()
{
    QFETCH(QVariant, setting);
    QFETCH(int, keyEditable);
    QFETCH(qlonglong, nextKey);
    QFETCH(QString, key);
    QFETCH(bool, keyEnabled);
    QFETCH(QString, message);
    EditScreen s;
    s.record->settings.insert("CAT_AUTOCLAVE", setting);
    s.record->nextKey = nextKey;
    s.screen->KeyEditable = keyEditable;

    s.command("New");

    QCOMPARE(s.keyBox()->text(), key);
    QCOMPARE(s.keyBox()->isEnabled(), keyEnabled);
    QCOMPARE(s.record->count("NextKey"), setting.toString().isEmpty() || setting == "0" ? 0 : 1);
    if (message.isEmpty()) {
        QVERIFY(s.record->messages.isEmpty());
        return;
    }
    verifyMessage(s, message, 48, "Velkora");
    QVERIFY(s.record->messages.first().text.contains("(10000)"));
    // The user types a key of four characters at most, as always.
    QCOMPARE(s.focus(), s.keyBox());
    s.keys("123456");
    QCOMPARE(s.keyBox()->text(), QStringLiteral("1234"));
}

void tst_Modes::recordCommandOpensTheShownKey()
{
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    s.typeKey("1");
    s.forget();
    s.command("Record");
    QCOMPARE(s.record->calls,
             (QStringList{"CreateRecordTool()", "OpenRecord(Layout|Ly_Cve_Layout|0001||||)"}));
}

void tst_Modes::gridCaptionsAreDrawnInTheirRectangles()
{
    EditScreen s;
    for (const auto &[grid, caption] :
         {std::pair{s.lineGrid(), "Línea"}, std::pair{s.fieldGrid(), "Detalle"}}) {
        const auto *bar = grid->findChild<QLabel *>("captionBar");
        QVERIFY(bar && bar->isVisible());
        QCOMPARE(bar->text(), QString::fromUtf8(caption));
        // Inside the grid, across its top, above the column captions.
        QVERIFY(grid->rect().contains(bar->geometry()));
        QVERIFY(bar->width() >= grid->width() - 2 * grid->frameWidth());
        QVERIFY(bar->geometry().bottom() < grid->viewport()->geometry().top());
        QVERIFY(grid->horizontalHeader()->geometry().bottom() <
                grid->viewport()->geometry().top() + 1);
    }
}

void tst_Modes::unsavedEditIsNotThrownAway_data()
{
    // How the edit began; what the user does to end it (keys and commands as the user gives
    // them); the answer to a question; whether the question was asked and the edit ended.
    QTest::addColumn<Begun>("begun");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ended");
    const int yes = 6, no = 7;
    QTest::newRow("new, Escape, No") << Begun::NewTyped << "Escape" << no << true << false;
    QTest::newRow("new, Escape, Yes") << Begun::NewTyped << "Escape" << yes << true << true;
    QTest::newRow("new untouched, Escape") << Begun::NewUntouched << "Escape" << 0 << false << true;
    // The first Escape closes the cell editor, the second cancels the line edit, the third (in
    // the line grid) touches nothing.
    QTest::newRow("line edit, Escape three times")
        << Begun::NewLineEdit << "Escape Escape Escape" << 0 << false << false;
    QTest::newRow("line edit, Salir, No") << Begun::NewLineEdit << "Salir" << no << true << false;
    QTest::newRow("edit, Salir, No") << Begun::EditChanged << "Salir" << no << true << false;
    QTest::newRow("edit, Salir, Yes") << Begun::EditChanged << "Salir" << yes << true << true;
    QTest::newRow("edit untouched, Salir") << Begun::EditUntouched << "Salir" << 0 << false << true;
    QTest::newRow("new, close, No") << Begun::NewTyped << "close" << no << true << false;
    QTest::newRow("new, close, Yes") << Begun::NewTyped << "close" << yes << true << true;
    QTest::newRow("edit untouched, close") << Begun::EditUntouched << "close" << 0 << false << true;
    // A click on Cancelar is the user's explicit choice: it discards at once.
    QTest::newRow("new, Cancelar clicked") << Begun::NewTyped << "click" << 0 << false << true;
}

void tst_Modes::unsavedEditIsNotThrownAway()
{
    QFETCH(Begun, begun);
    QFETCH(QString, ending);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, ended);
    TestDatabase db;
    KESTA_REQUIRE(db);
    writeTwoLineFormat(db);
    EditScreen s(db.connectionName());
    velkora::app::OwnerForm owner(QStringLiteral("KESTA"));
    s.screen->setPadre(&owner);
    QSignalSpy unloaded(&owner, &velkora::app::OwnerForm::unloadRequested);
    auto *description = s.child("txtDescripcion");

    const bool editingNew = begun != Begun::EditChanged && begun != Begun::EditUntouched;
    if (editingNew) {
        s.command("New");
        if (begun != Begun::NewUntouched) {
            s.keys("42");
            description->setFocus();
            s.keys("Pagos");
        }
        if (begun == Begun::NewLineEdit) {
            s.click(0);
            QCOMPARE(s.focus(), s.lineGrid());
            s.keys("1"); // opens the Orden cell's editor
            QVERIFY(s.focus() != s.lineGrid());
        }
    } else {
        s.typeKey("1");
        s.command("Edit");
        if (begun == Begun::EditChanged)
            s.keys("X");
    }
    const QString key = s.keyBox()->text();
    const QString typedDescription = description->text();
    const QStringList lines = gridRows(s.lineGrid());
    const QStringList store = storeRows(s.store());
    const auto mode = s.screen->mode();
    s.forget();
    if (answer)
        s.record->answers = {answer};

    bool closed = false;
    for (const QString &step : ending.split(' ')) {
        if (step == "Escape")
            s.key(Qt::Key_Escape);
        else if (step == "Salir")
            s.command("Exit");
        else if (step == "close")
            closed = s.screen->close();
        else if (step == "click")
            s.clickCommand("Cancel");
    }
    QCoreApplication::processEvents(); // the owner's unload is queued

    QCOMPARE(s.record->messages.size(), asked ? 1 : 0);
    if (asked) {
        const RecordedMessage &m = s.record->messages.first();
        QCOMPARE(QStringList({m.messageId, m.text, QString::number(m.style), m.title}),
                 QStringList({"ERR-ID:7500045",
                              "El formato de carga tiene cambios que no se han guardado.\r\n"
                              "¿Desea descartarlos?",
                              "292", "Descartar cambios"}));
        QCOMPARE(m.owner.data(), s.screen.get());
    }
    if (ending == "Salir") {
        QCOMPARE(unloaded.size(), ended ? 1 : 0);
    } else if (ending == "close") {
        QCOMPARE(closed, ended);
        QCOMPARE(s.screen->isVisible(), !ended);
    } else {
        QCOMPARE(s.screen->mode() == kesta::commands::Mode::Idle, ended);
    }
    if (ended) {
        // What follows (the host closing its window after Salir) asks nothing more.
        if (!closed)
            s.screen->close();
        QCOMPARE(s.record->messages.size(), asked ? 1 : 0);
        return;
    }
    // Nothing of the load format is lost: the mode, the key and the header as typed, and
    // everything accepted into the grids.
    QCOMPARE(s.screen->mode(), mode);
    QVERIFY(s.toolbar()->EditMode());
    QCOMPARE(s.keyBox()->text(), key);
    QCOMPARE(description->text(), typedDescription);
    QCOMPARE(storeRows(s.store()), store);
    if (begun == Begun::NewLineEdit && ending.startsWith("Escape")) {
        // Escape ended the line edit as "Cancelar" does: the line never accepted is gone.
        QVERIFY(!s.screen->LineEditActive());
        QCOMPARE(s.lineGrid()->Rows(), 0);
        QCOMPARE(s.focus(), s.lineGrid());
    } else if (begun == Begun::NewLineEdit) {
        // The line edit goes on, with what the cell editor held in its cell.
        QVERIFY(s.screen->LineEditActive());
        QCOMPARE(s.lineGrid()->cell(0, "Orden").toString(), QStringLiteral("1"));
    } else {
        QCOMPARE(gridRows(s.lineGrid()), lines);
    }
}

QTEST_MAIN(tst_Modes)
#include "tst_modes.moc"
