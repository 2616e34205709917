#pragma once

#include <QColor>
#include <QPalette>
#include <QPointer>
#include <QWidget>

namespace velkora::controls {

// The maker's colour-scheme control: never visible; ApplyColors() gives its parent window and
// every control in it one consistent, readable scheme (backgrounds, grids with alternating
// rows, enabled/disabled/focused inputs, calendars, menus).
// The scheme is a light palette set on the window (the controls inherit it; disabled inputs get
// their own background and text colours); the input that holds the focus (text box, date
// picker, list, grid cell editor) gets the focused background while it has the focus, through
// its own palette, which is given back when the focus leaves. No style sheet is used, so the
// window's own style sheet stays free. Applying it twice changes nothing more.
class ColorScheme : public QWidget {
    Q_OBJECT
public:
    explicit ColorScheme(QWidget *parent = nullptr);

    void ApplyColors();
    bool applied() const;

    QColor background() const;
    QColor inputEnabled() const;
    QColor inputDisabled() const;
    QColor inputFocused() const;
    QColor gridEven() const;
    QColor gridOdd() const;
    QColor text() const;
    QColor disabledText() const;
    // The caption of a disabled button: flat text-only buttons have nothing else that shows
    // they cannot be pressed, so it stands well apart from text() (and is still legible).
    QColor disabledCaption() const;
    QColor highlight() const;

    // The contrast ratio of two colours (1 to 21; 4.5 or more reads well for normal text).
    static double contrast(const QColor &a, const QColor &b);

private:
    void focusChanged(QWidget *old, QWidget *now);
    void markFocused(QWidget *input);
    void unmarkFocused();

    bool m_applied = false;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focused;      // the input shown with the focused background
    bool m_focusedHadPalette = false; // it had a palette of its own before
    QPalette m_focusedPalette;
};

} // namespace velkora::controls
