#include "ColorScheme.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <cmath>

namespace velkora::controls {

namespace {

bool isInput(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) ||
           qobject_cast<const QAbstractSpinBox *>(widget) ||
           qobject_cast<const QComboBox *>(widget) || qobject_cast<const QTextEdit *>(widget) ||
           qobject_cast<const QPlainTextEdit *>(widget);
}

double relativeLuminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

} // namespace

ColorScheme::ColorScheme(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("colorZUR"));
    hide();
}

QColor ColorScheme::background() const
{
    return QColor(0xF1, 0xF3, 0xF6);
}

QColor ColorScheme::inputEnabled() const
{
    return QColor(0xFF, 0xFF, 0xFF);
}

QColor ColorScheme::inputDisabled() const
{
    return QColor(0xE0, 0xE3, 0xE8);
}

QColor ColorScheme::inputFocused() const
{
    return QColor(0xFF, 0xF3, 0xBF);
}

QColor ColorScheme::gridEven() const
{
    return QColor(0xFF, 0xFF, 0xFF);
}

QColor ColorScheme::gridOdd() const
{
    return QColor(0xE8, 0xF0, 0xFA);
}

QColor ColorScheme::text() const
{
    return QColor(0x1B, 0x1F, 0x24);
}

QColor ColorScheme::disabledText() const
{
    return QColor(0x55, 0x5C, 0x66);
}

QColor ColorScheme::disabledCaption() const
{
    return QColor(0x9A, 0xA1, 0xAB);
}

QColor ColorScheme::highlight() const
{
    return QColor(0x2A, 0x62, 0xA8);
}

double ColorScheme::contrast(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool ColorScheme::applied() const
{
    return m_applied;
}

void ColorScheme::ApplyColors()
{
    QWidget *target = parentWidget() ? parentWidget()->window() : nullptr;
    if (!target)
        return;

    QPalette palette = target->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, background());
        palette.setColor(group, QPalette::WindowText, text());
        palette.setColor(group, QPalette::Base, inputEnabled());
        palette.setColor(group, QPalette::AlternateBase, gridOdd());
        palette.setColor(group, QPalette::Text, text());
        palette.setColor(group, QPalette::Button, background());
        palette.setColor(group, QPalette::ButtonText, text());
        palette.setColor(group, QPalette::Highlight, highlight());
        palette.setColor(group, QPalette::HighlightedText, QColor(Qt::white));
        palette.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
        palette.setColor(group, QPalette::ToolTipText, text());
        palette.setColor(group, QPalette::PlaceholderText, disabledText());
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, background());
    palette.setColor(QPalette::Disabled, QPalette::Base, inputDisabled());
    palette.setColor(QPalette::Disabled, QPalette::AlternateBase, inputDisabled());
    palette.setColor(QPalette::Disabled, QPalette::Button, background());
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText());
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText());
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledCaption());
    palette.setColor(QPalette::Disabled, QPalette::Highlight, disabledText());
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, inputDisabled());
    target->setPalette(palette);
    target->setAutoFillBackground(true);

    m_window = target;
    if (!m_applied) {
        connect(qApp, &QApplication::focusChanged, this, &ColorScheme::focusChanged);
        // An input that holds the focus already gets the focused colour now.
        focusChanged(nullptr, QApplication::focusWidget());
    }
    m_applied = true;
}

void ColorScheme::focusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old);
    unmarkFocused();
    if (now && m_window && now->window() == m_window && isInput(now))
        markFocused(now);
}

void ColorScheme::markFocused(QWidget *input)
{
    m_focused = input;
    m_focusedHadPalette = input->testAttribute(Qt::WA_SetPalette);
    m_focusedPalette = input->palette();
    QPalette palette = input->palette();
    palette.setColor(QPalette::Active, QPalette::Base, inputFocused());
    palette.setColor(QPalette::Inactive, QPalette::Base, inputFocused());
    palette.setColor(QPalette::Active, QPalette::Text, text());
    palette.setColor(QPalette::Inactive, QPalette::Text, text());
    input->setPalette(palette);
}

void ColorScheme::unmarkFocused()
{
    if (!m_focused)
        return;
    // Back to the palette it had: its own, or the inherited one.
    m_focused->setPalette(m_focusedHadPalette ? m_focusedPalette : QPalette());
    m_focused = nullptr;
}

} // namespace velkora::controls
