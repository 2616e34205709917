#include "TwipsLayout.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace kesta::screen {

TwipsLayout::TwipsLayout(QWidget *screen) : QObject(screen), m_screen(screen)
{
    setObjectName(QStringLiteral("twipsLayout"));
}

void TwipsLayout::place(QWidget *control, const TwipsRect &rect)
{
    if (!control)
        return;
    if (Entry *known = entry(control)) {
        known->twips = rect;
        apply(*known);
        return;
    }
    m_index.insert(control, m_entries.size());
    m_entries.push_back({control, rect});
    apply(m_entries.back());
}

bool TwipsLayout::contains(const QWidget *control) const
{
    return m_index.contains(control);
}

void TwipsLayout::setContainerOrigin(QWidget *container, float left, float top)
{
    m_origins.insert(container, QPointF(left, top));
    for (const Entry &e : m_entries)
        if (e.control && e.control->parentWidget() == container)
            apply(e);
}

TwipsRect TwipsLayout::rect(const QWidget *control) const
{
    const auto it = m_index.constFind(control);
    return it == m_index.cend() ? TwipsRect{} : m_entries[*it].twips;
}

TwipsLayout::Entry *TwipsLayout::entry(const QWidget *control)
{
    const auto it = m_index.constFind(control);
    return it == m_index.cend() ? nullptr : &m_entries[*it];
}

bool TwipsLayout::setLeft(QWidget *control, float left)
{
    Entry *e = entry(control);
    if (!e)
        return false;
    e->twips.left = left;
    apply(*e);
    return true;
}

bool TwipsLayout::setTop(QWidget *control, float top)
{
    Entry *e = entry(control);
    if (!e)
        return false;
    e->twips.top = top;
    apply(*e);
    return true;
}

bool TwipsLayout::setWidth(QWidget *control, float width)
{
    Entry *e = entry(control);
    if (!e || !(width >= 0.0f)) // also refuses NaN
        return false;
    e->twips.width = width;
    apply(*e);
    return true;
}

bool TwipsLayout::setHeight(QWidget *control, float height)
{
    Entry *e = entry(control);
    if (!e || !(height >= 0.0f))
        return false;
    e->twips.height = height;
    apply(*e);
    return true;
}

void TwipsLayout::applyAll()
{
    for (const Entry &e : m_entries)
        apply(e);
}

QRect TwipsLayout::toPixels(const TwipsRect &rect, const QWidget *container) const
{
    const QPointF origin = m_origins.value(container);
    const float left = rect.left - static_cast<float>(origin.x());
    const float top = rect.top - static_cast<float>(origin.y());
    // Both edges are rounded, so neighbouring controls keep touching whatever the resolution.
    const int x = pixelsX(left);
    const int y = pixelsY(top);
    const int w = pixelsX(left + rect.width) - x;
    const int h = pixelsY(top + rect.height) - y;
    return QRect(x, y, std::max(w, 0), std::max(h, 0));
}

void TwipsLayout::apply(const Entry &entry) const
{
    if (!entry.control)
        return;
    entry.control->setGeometry(toPixels(entry.twips, entry.control->parentWidget()));
}

double TwipsLayout::dpiX() const
{
    const int dpi = m_screen->logicalDpiX();
    return dpi > 0 ? dpi : 96.0;
}

double TwipsLayout::dpiY() const
{
    const int dpi = m_screen->logicalDpiY();
    return dpi > 0 ? dpi : 96.0;
}

int TwipsLayout::pixelsX(float twips) const
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpiX() / TwipsPerInch));
}

int TwipsLayout::pixelsY(float twips) const
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpiY() / TwipsPerInch));
}

float TwipsLayout::twipsX(int pixels) const
{
    return static_cast<float>(pixels * TwipsPerInch / dpiX());
}

float TwipsLayout::twipsY(int pixels) const
{
    return static_cast<float>(pixels * TwipsPerInch / dpiY());
}

} // namespace kesta::screen
