#include "SmallControls.h"

namespace velkora::controls {

Etiqueta::Etiqueta(const QString &caption, QWidget *parent) : QLabel(caption, parent) {}

QString Etiqueta::idetiqueta() const
{
    return m_id;
}

void Etiqueta::setIdetiqueta(const QString &id)
{
    m_id = id;
}

} // namespace velkora::controls
