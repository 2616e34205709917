// The layout's handlers: the resize rules, the tab change, Enter on the tab control and the
// file browse button.

#include "frmKESTA.h"

#include "DesignSize.h"
#include "TwipsLayout.h"
#include "host/Publico.h"
#include "messages/HandlerGuard.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::screen {

using messages::guardHandler;
namespace {
// The description and file boxes as designed, and the room kept right of the browse button.
constexpr float DesignBoxWidth = 7455;
constexpr float BrowseGap = 105;
// The smallest screen that shows every control whole: the boxes narrowed (to about half the
// design width), the field grid a few columns wide, and the grids with their captions and four
// rows down; a window of 640 by 400 pixels holds it without scrolling.
constexpr float MinimumWidth = 9000;
constexpr float MinimumHeight = 5400;
// The design's toolbar height and where the tab control starts below it; the gap kept
// between them on a short screen.
constexpr float DesignToolbarHeight = 960;
constexpr float DesignTabTop = 1200;
constexpr float ShortTabGap = 60;

// A screen shorter than the design gives its grids the room the toolbar does not need: the
// toolbar takes the height its buttons and title need, and the tab control follows it. From
// the design height on, both are as designed.
void fitToolbarToHeight(TwipsLayout &l, float H, QWidget *toolbar, QWidget *tabs)
{
    const bool shortScreen = H < DesignHeight;
    const float needed = std::min(DesignToolbarHeight,
                                  l.twipsY(toolbar->sizeHint().height()));
    const float height = shortScreen ? needed : DesignToolbarHeight;
    l.setHeight(toolbar, height);
    l.setTop(tabs, shortScreen ? height + ShortTabGap : DesignTabTop);
}

// On a screen narrower than the design, the description and file boxes give up width so that
// the browse button stays beside the file box and in sight; from the design width on, they
// keep their design width.
void fitBoxesToWidth(TwipsLayout &l, const QWidget *frame, QWidget *fileBox, QWidget *browse,
                     QWidget *descriptionBox, QWidget *state)
{
    const float room =
        l.width(frame) - l.left(fileBox) - BrowseGap - l.width(browse) - BrowseGap;
    const float boxes = std::min(DesignBoxWidth, room);
    if (l.setWidth(fileBox, boxes))
        l.setLeft(browse, l.right(fileBox) + BrowseGap);
    l.setWidth(descriptionBox, boxes);
    // The state of a deactivated format ends where the boxes end.
    l.setWidth(state, l.right(descriptionBox) - l.left(state));
}

} // namespace

void frmKESTA::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// The tab control, its frames and bars, and the two grids follow the screen's inner size.
// Each rule uses the values that the rules before it have set. A rule whose result is a
// negative size (a very small or minimised screen) is skipped and the next one runs, so the
// control keeps its last valid size. Nothing else moves, but for the toolbar and the tab
// control's top on a screen shorter than the design, and the description and file boxes, the
// browse button and the state beside the key on one narrower than the design.
void frmKESTA::Form_Resize()
{
    TwipsLayout &l = layout();
    const float W = l.twipsX(width());
    const float H = l.twipsY(height());
    fitToolbarToHeight(l, H, Controles, ssTabZur); // 0

    l.setWidth(ssTabZur, W - 2.0f * l.left(ssTabZur));                         // 1
    l.setHeight(ssTabZur, H - l.top(ssTabZur));                                // 2
    l.setHeight(fr1, l.height(ssTabZur) - l.top(fr1));                         // 3
    l.setWidth(fr1, l.width(ssTabZur));                                        // 4
    l.setWidth(sh1, l.width(ssTabZur));                                        // 5
    l.setHeight(fr2, l.height(ssTabZur) - l.top(fr2));                         // 6
    l.setWidth(fr2, l.width(ssTabZur));                                        // 7
    l.setWidth(Sh2, l.width(ssTabZur));                                        // 8
    l.setHeight(ssDetalle, l.height(fr1) - l.top(ssDetalle) - 100.0f);         // 9
    l.setWidth(ssDetalle, l.width(fr1) - l.left(ssDetalle) - l.left(ssLinea)); // 10
    l.setHeight(ssLinea, l.height(ssDetalle));                                 // 11
    // The toolbar spans the screen, its title at the right edge.
    l.setWidth(Controles, W); // 12
    fitBoxesToWidth(l, fr1, txtArchivo, cmdArchivo, txtDescripcion, lblEstado); // 13, 14
}


QSize frmKESTA::minimumSizeHint() const
{
    return {m_layout->pixelsX(MinimumWidth), m_layout->pixelsY(MinimumHeight)};
}

// Only the frame of the visible tab is enabled, so the focus never moves into the hidden
// tab's controls.
void frmKESTA::ssTabZur_Click()
{
    fr1->setEnabled(false);
    fr2->setEnabled(false);
    if (ssTabZur->currentIndex() == 0)
        fr1->setEnabled(true);
    else if (ssTabZur->currentIndex() == 1)
        fr2->setEnabled(true);
    focusShownTab();
}

// The focus goes to the first control of the shown tab's frame that can take it (the tab bar
// when none can), so it never stays in the hidden frame or falls out of the screen, where the
// screen's keys (Alt+1, Alt+2) would no longer reach it.
void frmKESTA::focusShownTab()
{
    QFrame *shown = ssTabZur->currentIndex() == 1 ? fr2 : fr1;
    if (!isVisible())
        return;
    const QWidget *focus = QApplication::focusWidget();
    if (focus && shown->isAncestorOf(focus) && focus->isEnabled())
        return;
    for (QWidget *w = shown->nextInFocusChain(); w && w != shown; w = w->nextInFocusChain()) {
        if (shown->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(shown) &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    ssTabZur->tabBar()->setFocus(Qt::OtherFocusReason);
}

// Enter on the tab control moves the focus on as TAB would. The Enter key itself is not
// cancelled.
void frmKESTA::ssTabZur_KeyPress(int keyAscii)
{
    if (keyAscii == 13)
        Publico::ToolServices().SimulateKeys(QStringLiteral("\t"), 0);
}

bool frmKESTA::tabControlKey(QWidget *receiver, QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (receiver == ssTabZur) {
        // Only Alt+1, Alt+2 and a click on a tab switch tabs: not Ctrl+Tab nor Ctrl+PgUp/PgDn.
        const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
        switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (ctrl)
                return true;
            break;
        default:
            break;
        }
        if (enter)
            guardHandler(this, QStringLiteral("ssTabZur_KeyPress()"),
                         [this] { ssTabZur_KeyPress(13); });
        return false;
    }
    if (receiver == ssTabZur->tabBar()) {
        // The arrows on the tabs do not switch them either.
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
        }
    }
    // An Enter that a control of a tab leaves unused stays in its tab: only an Enter on the tab
    // control itself moves the focus on.
    if (enter && ssTabZur->indexOf(receiver) >= 0)
        return true;
    return false;
}

void frmKESTA::cmdArchivo_Click()
{
    cdFile->setFilter(velkora::controls::CommonDialog::readingFilter());
    cdFile->setCancelError(false);
    // The dialog starts on the file named in the box (its folder and extension) unless the user
    // chose elsewhere last time; a cancelled dialog leaves the box as is.
    cdFile->setFileName(txtArchivo->text());
    cdFile->ShowOpen(this);
    const QString chosen = cdFile->FileName();
    if (!chosen.isEmpty())
        txtArchivo->setText(chosen);
}

} // namespace kesta::screen
