#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

class QWidget;

namespace kesta::screen {

// A control's rectangle in twips (1/1440 inch), relative to its container.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const TwipsRect &, const TwipsRect &) = default;
};

// The screen's geometry, kept in twips. Every placed control remembers its twips rectangle;
// the layout turns it into pixels with the screen's logical resolution
// (pixels = twips * logicalDpi / 1440, so 15 twips are one pixel at 96 dpi) and applies it.
// Arithmetic on positions and sizes is done on the twips values in single precision, so it
// never accumulates pixel rounding.
//
// A container may have an origin: the twips position of its top-left corner in the
// coordinates in which its children's twips are written. The pages of the tab control use it:
// their controls are written relative to the tab control's top-left, as the tab control
// presents them, while the page itself starts below the tabs.
class TwipsLayout : public QObject {
    Q_OBJECT
public:
    static constexpr float TwipsPerInch = 1440.0f;

    explicit TwipsLayout(QWidget *screen);

    // Remembers the control's rectangle and applies it.
    void place(QWidget *control, const TwipsRect &rect);
    bool contains(const QWidget *control) const;
    void setContainerOrigin(QWidget *container, float left, float top);

    // The twips rectangle of a placed control; a control that was never placed gives zeros.
    TwipsRect rect(const QWidget *control) const;
    float left(const QWidget *control) const { return rect(control).left; }
    float top(const QWidget *control) const { return rect(control).top; }
    float width(const QWidget *control) const { return rect(control).width; }
    float height(const QWidget *control) const { return rect(control).height; }
    float right(const QWidget *control) const { return left(control) + width(control); }
    float bottom(const QWidget *control) const { return top(control) + height(control); }

    // Change one value of a placed control and apply it. A negative width or height is
    // refused: nothing changes and the call returns false (as does a control never placed).
    bool setLeft(QWidget *control, float left);
    bool setTop(QWidget *control, float top);
    bool setWidth(QWidget *control, float width);
    bool setHeight(QWidget *control, float height);

    // Applies every placed control again (after a change of resolution).
    void applyAll();
    // The pixel rectangle that a twips rectangle of a child of container gives.
    QRect toPixels(const TwipsRect &rect, const QWidget *container) const;

    // Conversions with the screen's logical resolution.
    double dpiX() const;
    double dpiY() const;
    int pixelsX(float twips) const;
    int pixelsY(float twips) const;
    float twipsX(int pixels) const;
    float twipsY(int pixels) const;

private:
    struct Entry {
        QPointer<QWidget> control;
        TwipsRect twips;
    };
    Entry *entry(const QWidget *control);
    void apply(const Entry &entry) const;

    QWidget *m_screen;
    std::vector<Entry> m_entries;
    QHash<const QWidget *, std::size_t> m_index;
    QHash<const QWidget *, QPointF> m_origins;
};

} // namespace kesta::screen
