#include "SmallControls.h"

#include <QKeySequence>
#include <QStyleOptionToolButton>

namespace velkora::controls {

FlatButton::FlatButton(const QString &caption, QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFocusPolicy(Qt::StrongFocus);
    setText(caption);
}

void FlatButton::setMnemonic(QChar letter)
{
    m_mnemonic = letter.toUpper();
    setShortcut(letter.isNull() ? QKeySequence()
                                : QKeySequence(QStringLiteral("Alt+") + QString(m_mnemonic)));
    update();
}

void FlatButton::initStyleOption(QStyleOptionToolButton *option) const
{
    QToolButton::initStyleOption(option);
    if (m_mnemonic.isNull())
        return;
    QString shown = option->text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    const qsizetype at = shown.indexOf(m_mnemonic, 0, Qt::CaseInsensitive);
    if (at >= 0)
        shown.insert(at, QLatin1Char('&'));
    option->text = shown;
}

} // namespace velkora::controls
