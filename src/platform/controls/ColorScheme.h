#pragma once

#include <QColor>
#include <QWidget>

namespace velkora::controls {

// The maker's colour-scheme control: never visible; ApplyColors() gives its parent window and
// every control in it one consistent, readable scheme (backgrounds, grids with alternating
// rows, enabled/disabled/focused inputs, calendars, menus).
// The scheme is a light palette set on the window (the controls inherit it; disabled inputs get
// their own background and text colours) plus a style sheet rule that gives the focused input
// its own background. Applying it twice changes nothing more.
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
    QColor highlight() const;

    // The contrast ratio of two colours (1 to 21; 4.5 or more reads well for normal text).
    static double contrast(const QColor &a, const QColor &b);

private:
    bool m_applied = false;
};

} // namespace velkora::controls
