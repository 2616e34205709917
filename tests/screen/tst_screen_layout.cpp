// The screen's layout: twips and pixels, the resize rules, the tab change, Enter on the tab
// control and the file browse button. With KESTA_SCREENSHOT_DIR set, the design-size screen is
// also saved there as kesta-screen-general.png and kesta-screen-usuario.png.

#include "screen/TwipsLayout.h"
#include "screen/frmKESTA.h"
#include "support/RecordingServices.h"

#include <QCheckBox>
#include <QFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>
#include <memory>

using kesta::screen::frmKESTA;
using kesta::screen::TwipsLayout;
using kesta::screen::TwipsRect;
using velkora::controls::CommonDialog;

class TestScreenLayout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void twipsAndPixels();
    void refusesNegativeSizes();
    void pagesStartBelowTheTabs();
    void resizeRules_data();
    void resizeRules();
    void wideningByD();
    void shrinkingBelowTheTabControlTop();
    void tinyAndRestored();
    void designSizeIsTidy();
    void tabChangeEnablesOnlyTheVisibleFrame();
    void enterOnTheTabControl_data();
    void enterOnTheTabControl();
    void enterInAnInputStaysThere();
    void browseChoosesFile();
    void browseCancelled();

private:
    void showScreen();
    // The twips rectangles of every placed control.
    QHash<QString, TwipsRect> snapshot() const;

    std::shared_ptr<kesta::test::ServicesRecord> m_record;
    std::unique_ptr<frmKESTA> m_screen;
};

void TestScreenLayout::init()
{
    m_record = kesta::test::installRecordingServices();
    m_screen = std::make_unique<frmKESTA>();
}

void TestScreenLayout::cleanup()
{
    m_screen.reset();
    CommonDialog::setChooser({});
    kesta::test::uninstallServices();
}

void TestScreenLayout::showScreen()
{
    m_screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
}

QHash<QString, TwipsRect> TestScreenLayout::snapshot() const
{
    QHash<QString, TwipsRect> rects;
    for (QWidget *w : m_screen->findChildren<QWidget *>())
        if (m_screen->layout().contains(w))
            rects.insert(w->objectName(), m_screen->layout().rect(w));
    return rects;
}

void TestScreenLayout::twipsAndPixels()
{
    const TwipsLayout &l = m_screen->layout();
    QVERIFY(l.dpiX() > 0);
    // One inch is 1440 twips, whatever the resolution.
    QCOMPARE(l.pixelsX(1440), qRound(l.dpiX()));
    QCOMPARE(l.pixelsY(720), qRound(l.dpiY() / 2));
    QCOMPARE(l.twipsX(qRound(l.dpiX())), 1440.0f);
    if (qFuzzyCompare(l.dpiX(), 96.0)) {
        QCOMPARE(l.pixelsX(15), 1);
        QCOMPARE(l.pixelsX(15360), 1024);
        QCOMPARE(l.twipsX(1), 15.0f);
    }
    // Neighbours that touch in twips touch in pixels.
    QWidget parent;
    QWidget a(&parent), b(&parent);
    TwipsLayout local(&parent);
    local.place(&a, {0, 0, 1007, 100});
    local.place(&b, {1007, 0, 500, 100});
    QCOMPARE(a.geometry().right() + 1, b.geometry().left());
}

void TestScreenLayout::refusesNegativeSizes()
{
    TwipsLayout &l = m_screen->layout();
    QFrame *frame = m_screen->fr1;
    const QRect pixels = frame->geometry();
    QVERIFY(!l.setWidth(frame, -1));
    QVERIFY(!l.setHeight(frame, -0.5f));
    QVERIFY(!l.setHeight(frame, std::numeric_limits<float>::quiet_NaN()));
    QCOMPARE(l.rect(frame), (TwipsRect{0, 360, 15135, 6165}));
    QCOMPARE(frame->geometry(), pixels);
    QVERIFY(l.setHeight(frame, 0));
    QCOMPARE(frame->height(), 0);
    // A control never placed is left alone.
    QWidget stranger;
    QVERIFY(!l.setWidth(&stranger, 100));
    QCOMPARE(l.rect(&stranger), TwipsRect{});
}

void TestScreenLayout::pagesStartBelowTheTabs()
{
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    QTabWidget *tab = m_screen->ssTabZur;
    // The pages' controls are written relative to the tab control; the pages start right below
    // the tabs (330 twips), with no frame around them.
    for (int i = 0; i < tab->count(); ++i) {
        QWidget *page = tab->widget(i);
        tab->setCurrentIndex(i);
        QCOMPARE(page->mapTo(tab, QPoint(0, 0)), QPoint(0, l.pixelsY(330)));
        QCOMPARE(page->width(), tab->width());
        QCOMPARE(page->height(), tab->height() - l.pixelsY(330));
    }
    QCOMPARE(tab->tabBar()->height(), l.pixelsY(330));
    // The frames fill their pages exactly after the first resize.
    for (QFrame *frame : {m_screen->fr1, m_screen->fr2}) {
        const QRect inTab(frame->mapTo(tab, QPoint(0, 0)), frame->size());
        QCOMPARE(inTab.top(), l.pixelsY(360));
        QCOMPARE(inTab.bottom(), tab->height() - 1);
        QCOMPARE(inTab.width(), tab->width());
    }
}

void TestScreenLayout::resizeRules_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<bool>("widthFits");  // W - 240 >= 0
    QTest::addColumn<bool>("heightFits"); // H - 1200 >= 0
    QTest::newRow("design") << QSize(1024, 581) << true << true;
    QTest::newRow("larger") << QSize(1377, 903) << true << true;
    QTest::newRow("odd") << QSize(1001, 777) << true << true;
    QTest::newRow("narrow") << QSize(300, 700) << true << true;
    QTest::newRow("low") << QSize(900, 60) << true << false;
    QTest::newRow("minimal") << QSize(10, 10) << false << false;
}

void TestScreenLayout::resizeRules()
{
    QFETCH(QSize, pixels);
    QFETCH(bool, widthFits);
    QFETCH(bool, heightFits);
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    const QHash<QString, TwipsRect> before = snapshot();

    m_screen->resize(pixels);
    m_screen->Form_Resize(); // as the resize event runs it; it must give the same result again
    QCOMPARE(m_screen->size(), pixels);

    const float W = l.twipsX(pixels.width());
    const float H = l.twipsY(pixels.height());
    QWidget *tab = m_screen->ssTabZur;
    const TwipsRect tabBefore = before.value(QStringLiteral("ssTabZur"));
    QCOMPARE(l.width(tab), widthFits ? W - 2 * 120.0f : tabBefore.width);
    QCOMPARE(l.height(tab), heightFits ? H - 1200.0f : tabBefore.height);
    QCOMPARE(l.height(m_screen->fr1), l.height(tab) - 360.0f);
    QCOMPARE(l.width(m_screen->fr1), l.width(tab));
    QCOMPARE(l.width(m_screen->sh1), l.width(tab));
    QCOMPARE(l.height(m_screen->fr2), l.height(tab) - 360.0f);
    QCOMPARE(l.width(m_screen->fr2), l.width(tab));
    QCOMPARE(l.width(m_screen->Sh2), l.width(tab));
    const float detailHeight = l.height(m_screen->fr1) - 1920.0f - 100.0f;
    if (detailHeight >= 0)
        QCOMPARE(l.height(m_screen->ssDetalle), detailHeight);
    const float detailWidth = l.width(m_screen->fr1) - 6000.0f - 0.0f;
    if (detailWidth >= 0)
        QCOMPARE(l.width(m_screen->ssDetalle), detailWidth);
    QCOMPARE(l.height(m_screen->ssLinea), l.height(m_screen->ssDetalle));
    if (detailHeight >= 0) {
        // The field grid's bottom stays 100 twips above fr1's bottom.
        QCOMPARE(l.bottom(m_screen->ssDetalle), l.height(m_screen->fr1) - 100.0f);
        QCOMPARE(l.bottom(m_screen->ssLinea), l.bottom(m_screen->ssDetalle));
    }

    // Nothing else moves, and no size is ever negative.
    const QSet<QString> resized{"ssTabZur", "fr1", "sh1", "fr2", "Sh2", "ssDetalle", "ssLinea"};
    const QHash<QString, TwipsRect> after = snapshot();
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        QVERIFY2(it->width >= 0 && it->height >= 0, qPrintable(it.key()));
        const TwipsRect &was = before.value(it.key());
        QCOMPARE(it->left, was.left);
        QCOMPARE(it->top, was.top);
        if (!resized.contains(it.key())) {
            QVERIFY2(*it == was, qPrintable(it.key()));
            continue;
        }
        if (it.key() == QLatin1String("ssLinea"))
            QCOMPARE(it->width, was.width);
        // The pixels applied are the twips at the screen's resolution.
        QWidget *w = m_screen->findChild<QWidget *>(it.key());
        QCOMPARE(w->geometry(), l.toPixels(*it, w->parentWidget()));
    }
}

void TestScreenLayout::wideningByD()
{
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    const QHash<QString, TwipsRect> before = snapshot();
    const int extra = 47; // pixels
    m_screen->resize(m_screen->width() + extra, m_screen->height());
    const float D = l.twipsX(m_screen->width()) - l.twipsX(m_screen->width() - extra);
    const QHash<QString, TwipsRect> after = snapshot();
    for (const char *name : {"ssTabZur", "fr1", "fr2", "sh1", "Sh2", "ssDetalle"})
        QCOMPARE(after.value(name).width, before.value(name).width + D);
    QCOMPARE(after.value("ssLinea").width, before.value("ssLinea").width);
    for (const char *name : {"ssTabZur", "fr1", "fr2", "ssDetalle", "ssLinea"})
        QCOMPARE(after.value(name).height, before.value(name).height);
    // The margins stay equal on both sides.
    const float right = l.twipsX(m_screen->width()) - l.right(m_screen->ssTabZur);
    QCOMPARE(right, l.left(m_screen->ssTabZur));
}

void TestScreenLayout::shrinkingBelowTheTabControlTop()
{
    showScreen();
    const TwipsLayout &l = m_screen->layout();
    m_screen->resize(1100, 700);
    const float lastHeight = l.height(m_screen->ssTabZur);
    QCOMPARE(lastHeight, l.twipsY(700) - 1200.0f);
    // Lower than the tab control's top and narrower at once: the height rule is skipped, the
    // width rules and the later rules still run.
    const int height = l.pixelsY(1200) - 5;
    m_screen->resize(800, height);
    QCOMPARE(l.height(m_screen->ssTabZur), lastHeight);
    QCOMPARE(l.width(m_screen->ssTabZur), l.twipsX(800) - 240.0f);
    QCOMPARE(l.width(m_screen->fr1), l.twipsX(800) - 240.0f);
    QCOMPARE(l.width(m_screen->ssDetalle), l.twipsX(800) - 240.0f - 6000.0f);
    QCOMPARE(l.height(m_screen->fr1), lastHeight - 360.0f);
    QCOMPARE(m_screen->ssTabZur->height(), l.pixelsY(lastHeight));
}

void TestScreenLayout::tinyAndRestored()
{
    showScreen();
    const QHash<QString, TwipsRect> design = snapshot();
    for (const QSize size : {QSize(1, 1), QSize(0, 0), QSize(50, 2000), QSize(2000, 50)}) {
        m_screen->resize(size);
        for (QWidget *w : m_screen->findChildren<QWidget *>())
            QVERIFY(w->width() >= 0 && w->height() >= 0);
    }
    m_screen->resize(m_screen->layout().pixelsX(15360), m_screen->layout().pixelsY(8715));
    const QHash<QString, TwipsRect> again = snapshot();
    // Back at the design size every control has its first layout again.
    for (auto it = design.cbegin(); it != design.cend(); ++it)
        QVERIFY2(again.value(it.key()) == *it, qPrintable(it.key()));
}

void TestScreenLayout::designSizeIsTidy()
{
    showScreen();
    QTabWidget *tab = m_screen->ssTabZur;
    // Every visible control lies wholly inside its container, and the inputs of one row do not
    // overlap their labels.
    for (int page = 0; page < tab->count(); ++page) {
        tab->setCurrentIndex(page);
        for (QWidget *w : tab->widget(page)->findChildren<QWidget *>()) {
            if (!w->isVisible() || !m_screen->layout().contains(w))
                continue;
            const QRect inParent = w->parentWidget()->rect();
            QVERIFY2(inParent.contains(w->geometry()) || w == m_screen->sh1 || w == m_screen->Sh2,
                     qPrintable(w->objectName()));
        }
    }
    const QList<QPair<QWidget *, QWidget *>> rows{
        {m_screen->Label1, m_screen->txtClave},       {m_screen->Label2, m_screen->txtDescripcion},
        {m_screen->Etiqueta1, m_screen->txtArchivo},  {m_screen->userLabels[0], m_screen->txtUser1},
        {m_screen->userLabels[4], m_screen->dpUser5}, {m_screen->txtArchivo, m_screen->cmdArchivo},
        {m_screen->txtClave, m_screen->chInverso},    {m_screen->ssLinea, m_screen->ssDetalle}};
    for (const auto &[left, right] : rows)
        QVERIFY2(left->geometry().right() < right->geometry().left(),
                 qPrintable(left->objectName() + " / " + right->objectName()));
    // The label texts fit.
    for (QLabel *label : m_screen->findChildren<QLabel *>()) {
        if (label->parentWidget() != m_screen->fr1 && label->parentWidget() != m_screen->fr2)
            continue;
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->objectName()));
    }

    const QString dir = qEnvironmentVariable("KESTA_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        tab->setCurrentIndex(0);
        QVERIFY(m_screen->grab().save(dir + QStringLiteral("/kesta-screen-general.png")));
        tab->setCurrentIndex(1);
        QVERIFY(m_screen->grab().save(dir + QStringLiteral("/kesta-screen-usuario.png")));
        tab->setCurrentIndex(0);
        m_screen->resize(1400, 850);
        QVERIFY(m_screen->grab().save(dir + QStringLiteral("/kesta-screen-large.png")));
        m_screen->resize(420, 300);
        QVERIFY(m_screen->grab().save(dir + QStringLiteral("/kesta-screen-small.png")));
    }
}

void TestScreenLayout::tabChangeEnablesOnlyTheVisibleFrame()
{
    showScreen();
    // As an edit leaves them: the data controls enabled.
    for (QWidget *w :
         {static_cast<QWidget *>(m_screen->txtDescripcion),
          static_cast<QWidget *>(m_screen->txtUser1), static_cast<QWidget *>(m_screen->dpUser6)})
        w->setEnabled(true);
    QTabWidget *tab = m_screen->ssTabZur;

    tab->setCurrentIndex(1);
    QVERIFY(!m_screen->fr1->isEnabled());
    QVERIFY(m_screen->fr2->isEnabled());
    for (QWidget *w : m_screen->fr1->findChildren<QWidget *>())
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(m_screen->txtUser1->isEnabled());
    QVERIFY(m_screen->dpUser6->isEnabled());

    tab->setCurrentIndex(0);
    QVERIFY(m_screen->fr1->isEnabled());
    QVERIFY(!m_screen->fr2->isEnabled());
    for (QWidget *w : m_screen->fr2->findChildren<QWidget *>())
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(m_screen->txtClave->isEnabled());
    QVERIFY(m_screen->txtDescripcion->isEnabled());
    // Design-time disabled controls stay disabled when their frame comes back.
    QVERIFY(!m_screen->txtArchivo->isEnabled());

    // A click on a tab is a tab change too.
    QTest::mouseClick(tab->tabBar(), Qt::LeftButton, {}, tab->tabBar()->tabRect(1).center());
    QCOMPARE(tab->currentIndex(), 1);
    QVERIFY(!m_screen->txtClave->isEnabled());
}

void TestScreenLayout::enterOnTheTabControl_data()
{
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<int>("key");
    QTest::newRow("Return on the tabs") << "ssTabZurBar" << int(Qt::Key_Return);
    QTest::newRow("Enter on the tabs") << "ssTabZurBar" << int(Qt::Key_Enter);
    QTest::newRow("Return on the tab control") << "ssTabZur" << int(Qt::Key_Return);
}

void TestScreenLayout::enterOnTheTabControl()
{
    QFETCH(QString, receiver);
    QFETCH(int, key);
    showScreen();
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    QTabBar *bar = m_screen->ssTabZur->tabBar();
    bar->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), bar);
    auto *target = m_screen->findChild<QWidget *>(receiver);
    QVERIFY(target);
    QTest::keyClick(target, static_cast<Qt::Key>(key));
    QCOMPARE(m_record->count(QStringLiteral("SimulateKeys")), 1);
    QCOMPARE(m_record->lastCall(QStringLiteral("SimulateKeys")),
             QStringLiteral("SimulateKeys(\t|0)"));
    // The TAB moved the focus on, off the tabs.
    QVERIFY(QApplication::focusWidget() != bar);
    QCOMPARE(m_screen->ssTabZur->currentIndex(), 0);
}

void TestScreenLayout::enterInAnInputStaysThere()
{
    showScreen();
    m_screen->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    // An Enter that an input uses or leaves unused does not reach the tab control.
    m_screen->txtDescripcion->setEnabled(true);
    for (QWidget *w : {static_cast<QWidget *>(m_screen->chInverso),
                       static_cast<QWidget *>(m_screen->txtDescripcion),
                       static_cast<QWidget *>(m_screen->txtClave)}) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
    }
    m_screen->ssTabZur->setCurrentIndex(1);
    m_screen->dpUser5->setEnabled(true);
    QTest::keyClick(m_screen->dpUser5, Qt::Key_Return);
    QCOMPARE(m_record->count(QStringLiteral("SimulateKeys")), 0);
}

void TestScreenLayout::browseChoosesFile()
{
    QWidget *owner = nullptr;
    QStringList filters;
    int shown = 0;
    CommonDialog::setChooser([&](QWidget *o, const QStringList &f) {
        ++shown;
        owner = o;
        filters = f;
        return QStringLiteral("/datos/entrada/clientes 2024.txt");
    });
    showScreen();
    m_screen->txtArchivo->setText(QStringLiteral("anterior.txt"));
    QTest::mouseClick(m_screen->cmdArchivo, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QCOMPARE(m_screen->cdFile->Filter(), QStringLiteral("Archivos(*.*)|*.*|"));
    QVERIFY(!m_screen->cdFile->CancelError());
    QCOMPARE(filters, CommonDialog::qtNameFilters(QStringLiteral("Archivos(*.*)|*.*|")));
    QCOMPARE(owner, m_screen.get());
    QCOMPARE(m_screen->txtArchivo->text(), QStringLiteral("/datos/entrada/clientes 2024.txt"));
    QVERIFY(m_record->messages.isEmpty());
}

void TestScreenLayout::browseCancelled()
{
    int shown = 0;
    CommonDialog::setChooser([&](QWidget *, const QStringList &) {
        ++shown;
        return QString();
    });
    showScreen();
    m_screen->txtArchivo->setText(QStringLiteral("anterior.txt"));
    QTest::mouseClick(m_screen->cmdArchivo, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QCOMPARE(m_screen->txtArchivo->text(), QStringLiteral("anterior.txt"));
    // A cancel raises no error.
    QVERIFY(m_record->messages.isEmpty());
    // Also when the box was empty.
    m_screen->txtArchivo->clear();
    m_screen->cmdArchivo_Click();
    QCOMPARE(shown, 2);
    QVERIFY(m_screen->txtArchivo->text().isEmpty());
}

QTEST_MAIN(TestScreenLayout)
#include "tst_screen_layout.moc"
