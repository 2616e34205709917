#include "SmallControls.h"

namespace velkora::controls {

FlatButton::FlatButton(const QString &caption, QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFocusPolicy(Qt::StrongFocus);
    setText(caption);
}

} // namespace velkora::controls
