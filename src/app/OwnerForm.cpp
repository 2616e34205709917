#include "OwnerForm.h"

namespace velkora::app {

OwnerForm::OwnerForm(QString transaction, QObject *parent)
    : QObject(parent), m_transaction(std::move(transaction))
{
    setObjectName(QStringLiteral("OwnerForm"));
}

QString OwnerForm::Transaccion() const { return m_transaction; }

void OwnerForm::Unload() { emit unloadRequested(); }

} // namespace velkora::app
