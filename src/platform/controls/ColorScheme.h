#pragma once

#include <QColor>
#include <QWidget>

namespace velkora::controls {

// The maker's colour-scheme control: never visible; ApplyColors() gives its parent window and
// every control in it one consistent, readable scheme (backgrounds, grids with alternating
// rows, enabled/disabled/focused inputs, calendars, menus).
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

private:
    bool m_applied = false;
};

} // namespace velkora::controls
