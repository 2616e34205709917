// The screen's modes: what each mode lets the user touch, control by control, reached as the
// user reaches it; New with and without an automatic key; the record command.

#include "editor/EditFixture.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
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

} // namespace

Q_DECLARE_METATYPE(Path)

class tst_Modes : public QObject {
    Q_OBJECT

private slots:
    void modeTable_data();
    void modeTable();
    void automaticKey_data();
    void automaticKey();
    void recordCommandOpensTheShownKey();
    void gridCaptionsAreDrawnInTheirRectangles();
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
        s.command("Cancel");
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

QTEST_MAIN(tst_Modes)
#include "tst_modes.moc"
