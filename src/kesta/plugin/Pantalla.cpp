#include "Pantalla.h"

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "screen/frmKESTA.h"
#include "services/Services.h"

#include <QPointer>

namespace kesta::plugin {
namespace {

QPointer<screen::frmKESTA> &theScreen()
{
    static QPointer<screen::frmKESTA> screen;
    return screen;
}

} // namespace

Pantalla::Pantalla(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Pantalla"));
    if (!Publico::hasServicesFactories())
        Publico::setServicesFactories(&velkora::services::createCoreServices,
                                      &velkora::services::createToolServices);
    try {
        Publico::StartUp();
    } catch (const host::RuntimeError &error) {
        // The services are created again on their first use, where the failure reaches the
        // handler that needs them.
        qWarning("KESTA: the services library could not start: %s", qPrintable(error.description()));
    }
}

QVariant Pantalla::GetPantalla() const
{
    QPointer<screen::frmKESTA> &screen = theScreen();
    if (!screen)
        screen = new screen::frmKESTA();
    return QVariant::fromValue<QObject *>(screen.data());
}

} // namespace kesta::plugin
