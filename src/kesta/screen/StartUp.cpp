// The screen load, the activation and the key release (Alt+1 / Alt+2 switch tabs).

#include "frmKESTA.h"

#include "Settings.h"
#include "TwipsLayout.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/HandlerGuard.h"

#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>
#include <controls/ColorScheme.h>
#include <controls/Controles.h>
#include <controls/DataGrid.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::screen {

using messages::guardHandler;

namespace {

// Shift state as the handlers see it: 1 Shift, 2 Ctrl, 4 Alt, added together.
constexpr int ShiftMask = 1;
constexpr int CtrlMask = 2;
constexpr int AltMask = 4;
// Key codes of the keys "1" and "2".
constexpr int KeyOne = 49;
constexpr int KeyTwo = 50;

} // namespace

int frmKESTA::shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? ShiftMask : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? CtrlMask : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? AltMask : 0);
}

int frmKESTA::keyCode(const QKeyEvent &event)
{
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? 96 + (key - Qt::Key_0) : key; // the keypad digits have codes of their own
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

void frmKESTA::Form_Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_loadError.clear();
    try {
        // 1. The maker's colour scheme.
        colorZUR->ApplyColors();
        // 2. The toolbar is ready.
        Controles->setToolbarReady(true);
        // 3. The key box's format. A setting that does not exist (null) leaves the design
        //    format "0000": dropping the format would store keys unpadded and so apart from
        //    the keys written before.
        const QVariant keyFormat =
            Publico::CoreServices().GetSetting(Setting::KeyFormat, 0, QString(), QString());
        if (!keyFormat.isNull())
            txtClave->setFormatopersonal(keyFormat.toString());
        // 4. Whether an automatic key stays editable.
        KeyEditable = Publico::CoreServices().GetModuleOption(
            ModuleOption::Module, ModuleOption::KeyEditable, ModuleOption::Unavailable);
        // 5. Upper-case forcing.
        const QVariant force =
            Publico::CoreServices().GetSetting(Setting::ForceUppercase, 0, QString(), QString());
        Publico::CoreServices().SetForceUppercase(settingToBoolean(Setting::ForceUppercase, force));
        // 6. "Aceptar" and "Cancelar" take the places of "Nuevo" and "Editar".
        TwipsLayout &l = layout();
        l.setLeft(cmdControles[3], l.left(cmdControles[0]));
        l.setLeft(cmdControles[4], l.left(cmdControles[1]));
        // The screen is Idle: no data control takes input before a load format is shown or
        // started.
        setMode(commands::Mode::Idle);
    } catch (const host::RuntimeError &error) {
        m_loadError = error.description();
        throw;
    } catch (const std::exception &error) {
        m_loadError = QString::fromLocal8Bit(error.what());
        throw host::RuntimeError(m_loadError);
    }
}

void frmKESTA::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_loaded)
        return;
    // Every caption whole from the first showing.
    ssLinea->widenColumnsToFit();
    ssDetalle->widenColumnsToFit();
    try {
        Form_Load();
    } catch (const host::RuntimeError &) {
        qWarning("frmKESTA: the screen load failed: %s", qUtf8Printable(m_loadError));
        emit loadFailed(m_loadError);
    }
}

void frmKESTA::Form_Activate()
{
    // The key box gets the focus also when it is disabled; Qt then leaves the focus where it
    // was, and the screen stays usable.
    txtClave->setFocus(Qt::ActiveWindowFocusReason);
}

void frmKESTA::Form_KeyUp(int keyCode, int shift)
{
    if (shift != AltMask)
        return;
    if (keyCode == KeyOne)
        ssTabZur->setCurrentIndex(0);
    else if (keyCode == KeyTwo)
        ssTabZur->setCurrentIndex(1);
}

bool frmKESTA::previewKey(QWidget *receiver, QKeyEvent *event)
{
    const int code = keyCode(*event);
    const int shift = shiftState(event->modifiers());
    // Alt+1 and Alt+2 belong to the screen: the key going down types nothing and starts no
    // shortcut; the key coming up switches the tab.
    const bool tabSwitch = shift == AltMask && (code == KeyOne || code == KeyTwo);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (tabSwitch) {
            event->accept();
            return true;
        }
        // The toolbar's Ctrl keys act from every control of the screen: a text box or a cell
        // editor does not keep them for its own editing keys (Ctrl+E, Ctrl+D...). Escape stays
        // with the control, which may have an edit of its own to drop first.
        if (event->modifiers().testFlag(Qt::ControlModifier) &&
            Controles->offersShortcut(event->keyCombination())) {
            event->ignore();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        if (tabSwitch)
            return true;
        return tabControlKey(receiver, event);
    case QEvent::KeyRelease:
        guardHandler(this, QStringLiteral("Form_KeyUp()"), [&] { Form_KeyUp(code, shift); });
        return tabSwitch;
    default:
        return false;
    }
}

bool frmKESTA::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (watched->isWidgetType()) {
            auto *receiver = static_cast<QWidget *>(watched);
            if ((receiver == this || isAncestorOf(receiver)) &&
                previewKey(receiver, static_cast<QKeyEvent *>(event)))
                return true;
        }
        break;
    case QEvent::Wheel:
        // The mouse wheel over the tabs does not switch them.
        if (watched == ssTabZur->tabBar())
            return true;
        break;
    case QEvent::Close:
        // The window that shows the screen (the screen itself, or the host's window) closes.
        if (watched == window()) {
            bool cancel = false;
            guardHandler(this, QStringLiteral("Form_QueryUnload()"),
                         [&] { Form_QueryUnload(cancel); });
            if (cancel) {
                event->ignore();
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kesta::screen
