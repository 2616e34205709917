// The screen's controls as designed: names, kinds, containers, captions, tags, design
// properties, grid columns and the design geometry in twips.

#include "editor/FieldStore.h"
#include "screen/TwipsLayout.h"
#include "screen/frmKESTA.h"
#include "support/RecordingServices.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <controls/ColorScheme.h>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>
#include <memory>

using kesta::screen::frmKESTA;
using kesta::screen::TwipsLayout;
using kesta::screen::TwipsRect;
using velkora::controls::DataGrid;
using velkora::controls::GridColumn;
using velkora::controls::TextBox;

class TestScreenDesign : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void designGeometry_data();
    void designGeometry();
    void initialSize();
    void tabs();
    void lineGridColumns();
    void fieldGridColumns();
    void keyBox();
    void textBoxes_data();
    void textBoxes();
    void toolbarDesign();
    void fieldStoreNeverShown();
    void fonts();

private:
    QWidget *control(const QString &name) const;

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    std::unique_ptr<frmKESTA> m_screen;
};

void TestScreenDesign::init()
{
    m_record = kesta::test::installRecordingServices();
    m_screen = std::make_unique<frmKESTA>();
}

void TestScreenDesign::cleanup()
{
    m_screen.reset();
    kesta::test::uninstallServices();
}

QWidget *TestScreenDesign::control(const QString &name) const
{
    return m_screen->findChild<QWidget *>(name);
}

void TestScreenDesign::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");      // a class the control must inherit
    QTest::addColumn<QString>("container"); // objectName of the parent widget
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("tagged");
    QTest::addColumn<bool>("enabled");

    const QString general = QStringLiteral("tabGeneral");
    const QString user = QStringLiteral("tabDatosUsuario");
    auto row = [](const char *name, const char *kind, const QString &container,
                  const QString &caption, bool tagged, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << container
                            << caption << tagged << enabled;
    };
    row("Controles", "velkora::controls::Controles", "frmKESTA", "Formatos de carga", false, true);
    row("ssTabZur", "QTabWidget", "frmKESTA", "", false, true);
    row("sh1", "QFrame", general, "", false, true);
    row("fr1", "QFrame", general, "", false, true);
    row("Label1", "velkora::controls::Etiqueta", "fr1", "Clave:", false, true);
    row("txtClave", "velkora::controls::TextBox", "fr1", "", false, true);
    row("chInverso", "QCheckBox", "fr1", "Lectura inversa", true, true);
    row("Label2", "velkora::controls::Etiqueta", "fr1", QStringLiteral("Descripción:"), false,
        true);
    row("txtDescripcion", "velkora::controls::TextBox", "fr1", "", true, false);
    row("Etiqueta1", "velkora::controls::Etiqueta", "fr1", "Archivo:", false, true);
    row("txtArchivo", "velkora::controls::TextBox", "fr1", "", true, false);
    row("cmdArchivo", "velkora::controls::FlatButton", "fr1", "...", true, true);
    row("cmdControles_0", "velkora::controls::FlatButton", "fr1", "Nuevo", true, false);
    row("cmdControles_1", "velkora::controls::FlatButton", "fr1", "Editar", true, false);
    row("cmdControles_2", "velkora::controls::FlatButton", "fr1", "Eliminar", true, false);
    row("cmdControles_3", "velkora::controls::FlatButton", "fr1", "Aceptar", true, false);
    row("cmdControles_4", "velkora::controls::FlatButton", "fr1", "Cancelar", true, false);
    row("ssLinea", "velkora::controls::DataGrid", "fr1", QStringLiteral("Línea"), true, true);
    row("ssDetalle", "velkora::controls::DataGrid", "fr1", "Detalle", true, true);
    row("lvDetalle", "kesta::editor::FieldStoreView", "fr1", "", true, true);
    row("Sh2", "QFrame", user, "", false, true);
    row("fr2", "QFrame", user, "", false, false);
    row("Label31", "velkora::controls::Etiqueta", "fr2", "Dato 1:", false, true);
    row("Label30", "velkora::controls::Etiqueta", "fr2", "Dato 2:", false, true);
    row("Label29", "velkora::controls::Etiqueta", "fr2", "Dato 3:", false, true);
    row("Label28", "velkora::controls::Etiqueta", "fr2", "Dato 4:", false, true);
    row("Label27", "velkora::controls::Etiqueta", "fr2", "Dato 5:", false, true);
    row("Label26", "velkora::controls::Etiqueta", "fr2", "Dato 6:", false, true);
    row("txtUser1", "velkora::controls::TextBox", "fr2", "", true, false);
    row("txtUser2", "velkora::controls::TextBox", "fr2", "", true, false);
    row("txtUser3", "velkora::controls::TextBox", "fr2", "", true, false);
    row("txtUser4", "velkora::controls::TextBox", "fr2", "", true, false);
    row("dpUser5", "velkora::controls::DatePicker", "fr2", "", true, false);
    row("dpUser6", "velkora::controls::DatePicker", "fr2", "", true, false);
}

void TestScreenDesign::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(bool, tagged);
    QFETCH(bool, enabled);

    const QList<QWidget *> found = m_screen->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    QVERIFY2(w->inherits(kind.toLatin1().constData()), w->metaObject()->className());
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), container);

    QString shown;
    if (auto *label = qobject_cast<QLabel *>(w))
        shown = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        shown = button->text();
    else if (auto *toolbar = qobject_cast<velkora::controls::Controles *>(w))
        shown = toolbar->caption();
    else
        shown = w->windowTitle();
    QCOMPARE(shown, caption);

    const QVariant tag = w->property("Tag");
    if (tagged) {
        QCOMPARE(tag.metaType().id(), QMetaType::QString);
        QCOMPARE(tag.toString(), QStringLiteral("1"));
    } else {
        QVERIFY2(!tag.isValid(), qPrintable(tag.toString()));
    }
    // Disabled at design time (the frames enable and disable their content as a whole).
    QCOMPARE(w->isEnabledTo(w->parentWidget()), enabled);
}

void TestScreenDesign::designGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    auto row = [](const char *name, float l, float t, float w, float h) {
        QTest::newRow(name) << QString::fromLatin1(name) << l << t << w << h;
    };
    row("Controles", 0, 0, 15360, 960);
    row("sh1", 0, 330, 9375, 135);
    row("Label1", 0, 240, 1860, 255);
    row("txtClave", 1920, 240, 1335, 300);
    row("chInverso", 3360, 240, 1935, 255);
    row("Label2", 0, 600, 1860, 255);
    row("txtDescripcion", 1920, 600, 7455, 300);
    row("Etiqueta1", 0, 960, 1860, 255);
    row("txtArchivo", 1920, 960, 7455, 300);
    row("cmdArchivo", 9480, 960, 375, 375);
    row("cmdControles_0", 0, 1440, 1215, 375);
    row("cmdControles_1", 1320, 1440, 1215, 375);
    row("cmdControles_2", 2640, 1440, 1215, 375);
    row("cmdControles_3", 3960, 1440, 1215, 375);
    row("cmdControles_4", 5280, 1440, 1215, 375);
    row("ssLinea", 0, 1920, 5895, 2655);
    row("ssDetalle", 6000, 1920, 8775, 2655);
    row("lvDetalle", 0, 4680, 2775, 615);
    row("Sh2", 0, 330, 9375, 135);
    row("fr2", 0, 360, 14895, 4455);
    row("fr1", 0, 360, 15135, 6165);
    row("ssTabZur", 120, 1200, 15255, 6975);
    row("Label31", 0, 240, 1860, 255);
    row("txtUser1", 1920, 240, 4935, 300);
    row("Label30", 0, 600, 1860, 255);
    row("txtUser2", 1920, 600, 4935, 300);
    row("Label29", 0, 960, 1860, 255);
    row("txtUser3", 1920, 960, 2535, 300);
    row("Label28", 0, 1320, 1860, 255);
    row("txtUser4", 1920, 1320, 2535, 300);
    row("Label27", 0, 1680, 1860, 255);
    row("dpUser5", 1920, 1680, 1575, 300);
    row("Label26", 0, 2040, 1860, 255);
    row("dpUser6", 1920, 2040, 1575, 300);
}

void TestScreenDesign::designGeometry()
{
    QFETCH(QString, name);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(float, width);
    QFETCH(float, height);

    // As built: before the first showing, nothing has been resized or moved yet.
    QWidget *w = control(name);
    QVERIFY(w);
    const TwipsLayout &l = m_screen->layout();
    QVERIFY(l.contains(w));
    QCOMPARE(l.rect(w), (TwipsRect{left, top, width, height}));
    // The pixels applied are the twips at the screen's resolution.
    QCOMPARE(w->geometry(), l.toPixels(l.rect(w), w->parentWidget()));
    QCOMPARE(w->width(), l.pixelsX(left + width) - l.pixelsX(left));
}

void TestScreenDesign::initialSize()
{
    const TwipsLayout &l = m_screen->layout();
    QCOMPARE(m_screen->objectName(), QStringLiteral("frmKESTA"));
    QCOMPARE(m_screen->windowTitle(), QStringLiteral("Formatos de carga"));
    QCOMPARE(m_screen->size(), QSize(l.pixelsX(15360), l.pixelsY(8715)));
    QCOMPARE(l.twipsX(m_screen->width()), 15360.0f);
    QCOMPARE(l.twipsY(m_screen->height()), 8715.0f);
    // 15 twips per pixel at 96 dpi.
    if (qFuzzyCompare(l.dpiX(), 96.0))
        QCOMPARE(m_screen->size(), QSize(1024, 581));
}

void TestScreenDesign::tabs()
{
    QTabWidget *tab = m_screen->ssTabZur;
    QCOMPARE(tab->count(), 2);
    QCOMPARE(tab->tabText(0), QStringLiteral("General"));
    QCOMPARE(tab->tabText(1), QStringLiteral("Datos de usuario"));
    QCOMPARE(tab->currentIndex(), 0);
    QCOMPARE(tab->widget(0)->objectName(), QStringLiteral("tabGeneral"));
    QCOMPARE(tab->widget(1)->objectName(), QStringLiteral("tabDatosUsuario"));
    // The first tab's frame is enabled, the second's is not.
    QVERIFY(m_screen->fr1->isEnabled());
    QVERIFY(!m_screen->fr2->isEnabled());
    QVERIFY(m_screen->cdFile);
    QCOMPARE(m_screen->cdFile->objectName(), QStringLiteral("cdFile"));
    QCOMPARE(m_screen->findChild<QObject *>(QStringLiteral("colorZUR")), m_screen->colorZUR);
    QVERIFY(!m_screen->colorZUR->isVisibleTo(m_screen.get()));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(m_screen->userLabels[i]->objectName(), QStringLiteral("Label%1").arg(31 - i));
}

void TestScreenDesign::lineGridColumns()
{
    DataGrid *grid = m_screen->ssLinea;
    const QStringList names{"Orden", "ID", QStringLiteral("Descripción"), "Posicion", "Longitud"};
    const QStringList captions{"No.", "Id", QStringLiteral("Descripción"),
                               QStringLiteral("Posición"), "Longitud"};
    QCOMPARE(grid->columnCount(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(grid->columnName(i), names[i]);
        QCOMPARE(grid->column(i).caption, captions[i]);
        QCOMPARE(grid->model()->headerData(i, Qt::Horizontal).toString(), captions[i]);
        QCOMPARE(grid->column(i).kind, GridColumn::Kind::Text);
        QCOMPARE(grid->column(i).format, i == 0 ? QStringLiteral("0000") : QString());
    }
}

void TestScreenDesign::fieldGridColumns()
{
    DataGrid *grid = m_screen->ssDetalle;
    const QStringList names{"ID",       QStringLiteral("Descripción"),
                            "Posicion", "Longitud",
                            "Tipo",     "Valor",
                            "FORMATO",  "Trim",
                            "Linea_ID"};
    const QStringList captions{"Id",
                               QStringLiteral("Descripción"),
                               QStringLiteral("Posición"),
                               "Longitud",
                               "Tipo",
                               "Valor",
                               "Formato",
                               "Trim",
                               "Linea_ID"};
    QCOMPARE(grid->columnCount(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(grid->columnName(i), names[i]);
        QCOMPARE(grid->model()->headerData(i, Qt::Horizontal).toString(), captions[i]);
    }
    QCOMPARE(grid->column(0).format, QStringLiteral("0000"));
    // The refill finds the format column by its caption, the validation by its name.
    QCOMPARE(grid->columnIndex(QStringLiteral("Formato")), 6);
    QCOMPARE(grid->columnIndex(QStringLiteral("FORMATO")), 6);
    const GridColumn &type = grid->column(grid->columnIndex(QStringLiteral("Tipo")));
    QCOMPARE(type.kind, GridColumn::Kind::List);
    QCOMPARE(type.valueList, (QStringList{"NUMERO", "TEXTO", "Fecha", "CONSTANTE", "SQL"}));
    QCOMPARE(grid->column(grid->columnIndex(QStringLiteral("Trim"))).kind, GridColumn::Kind::Check);
}

void TestScreenDesign::keyBox()
{
    TextBox *key = m_screen->txtClave;
    QCOMPARE(key->maxLength(), 4);
    QVERIFY(key->mayusculas());
    QVERIFY(key->esclave());
    QCOMPARE(key->idconsulta(), QStringLiteral("LAYOUT"));
    QCOMPARE(key->formato(), 99);
    QCOMPARE(key->formatopersonal(), QStringLiteral("0000"));
    QCOMPARE(key->tipodato(), 3);
    QVERIFY(!key->enterMovesOn());
    QVERIFY(key->isEnabled());
    QVERIFY(key->text().isEmpty());
}

void TestScreenDesign::textBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<QString>("text");
    QTest::newRow("txtDescripcion") << "txtDescripcion" << 50 << false << "";
    QTest::newRow("txtArchivo") << "txtArchivo" << 100 << false << "";
    QTest::newRow("txtUser1") << "txtUser1" << 50 << false << "";
    QTest::newRow("txtUser2") << "txtUser2" << 50 << false << "";
    QTest::newRow("txtUser3") << "txtUser3" << 20 << true << "0.0000";
    QTest::newRow("txtUser4") << "txtUser4" << 20 << true << "0.0000";
}

void TestScreenDesign::textBoxes()
{
    QFETCH(QString, name);
    QFETCH(int, maxLength);
    QFETCH(bool, numeric);
    QFETCH(QString, text);
    auto *box = m_screen->findChild<TextBox *>(name);
    QVERIFY(box);
    QCOMPARE(box->maxLength(), maxLength);
    QVERIFY(box->enterMovesOn());
    QVERIFY(!box->isEnabled());
    QCOMPARE(box->isNumeric(), numeric);
    QCOMPARE(box->text(), text);
    if (numeric) {
        QCOMPARE(box->decimales(), 4);
        QCOMPARE(box->formato(), 5);
        QCOMPARE(box->tipodato(), 5);
        QCOMPARE(box->emptyValue(), QStringLiteral("0.0000"));
        QVERIFY(box->alignment() & Qt::AlignRight);
    }
}

void TestScreenDesign::toolbarDesign()
{
    velkora::controls::Controles *bar = m_screen->Controles;
    QCOMPARE(bar->caption(), QStringLiteral("Formatos de carga"));
    const QList<QPair<QString, QString>> expected{
        {"opc_table", "Layout"},   {"opc_key", "Ly_Cve_Layout"}, {"showexitbutton", "SI"},
        {"showwindowslist", "SI"}, {"showmenupopup", "NO"},      {"easyaccessenabled", "NO"},
        {"tabwidth", "0"}};
    for (const auto &[name, value] : expected)
        QCOMPARE(bar->designProperty(name), value);
    QVERIFY(!bar->ToolbarReady()); // set by the load, not by the design
}

void TestScreenDesign::fieldStoreNeverShown()
{
    QVERIFY(m_screen->lvDetalle);
    QCOMPARE(&m_screen->fieldStore(), m_screen->lvDetalle->store());
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
    QVERIFY(!m_screen->lvDetalle->isVisible());
    m_screen->lvDetalle->show();
    QVERIFY(!m_screen->lvDetalle->isVisible());
    // ... and the rest of the first tab is visible.
    QVERIFY(m_screen->ssLinea->isVisible());
    QVERIFY(m_screen->txtClave->isVisible());
    QVERIFY(m_screen->cmdControles[0]->isVisible());
}

void TestScreenDesign::fonts()
{
    // The boxes that show keys, descriptions and file names use a fixed-width font.
    for (QWidget *box : {static_cast<QWidget *>(m_screen->txtClave),
                         static_cast<QWidget *>(m_screen->txtDescripcion),
                         static_cast<QWidget *>(m_screen->txtArchivo)}) {
        const QFontMetrics metrics(box->font());
        QVERIFY2(metrics.horizontalAdvance(QStringLiteral("iiii")) ==
                     metrics.horizontalAdvance(QStringLiteral("WWWW")),
                 qPrintable(box->objectName() + ": " + QFontInfo(box->font()).family()));
    }
    // The fixed-width boxes hold their longest texts' characters in a readable size.
    const QFontMetrics key(m_screen->txtClave->font());
    QVERIFY(key.horizontalAdvance(QStringLiteral("0000")) < m_screen->txtClave->width());
    QVERIFY(key.height() <= m_screen->txtClave->height());
    // Labels, grids and the maker's controls use proportional fonts.
    for (QWidget *w :
         {static_cast<QWidget *>(m_screen->Label1), static_cast<QWidget *>(m_screen->ssLinea),
          static_cast<QWidget *>(m_screen->cmdControles[0]),
          static_cast<QWidget *>(m_screen->ssTabZur)}) {
        const QFontMetrics metrics(w->font());
        QVERIFY2(metrics.horizontalAdvance(QStringLiteral("iiii")) <
                     metrics.horizontalAdvance(QStringLiteral("WWWW")),
                 qPrintable(w->objectName()));
    }
}

QTEST_MAIN(TestScreenDesign)
#include "tst_screen_design.moc"
