#pragma once

#include <QObject>
#include <QVariant>

namespace kesta::plugin {

// The component's one creatable class, found by the host under the component name "KESTA"
// and the class name "Pantalla". It carries no state: GetPantalla hands out the component's
// single screen object.
class Pantalla : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.velkora.Component/1.0" FILE "kesta.json")
    Q_PROPERTY(QVariant GetPantalla READ GetPantalla)

public:
    // The first Pantalla runs the component's start-up routine: the host's services library
    // is installed (unless the host or a test installed other services first) and
    // CoreServices, then ToolServices, are created.
    Q_INVOKABLE explicit Pantalla(QObject *parent = nullptr);

    // The screen object, created on first read; the same object on every read while it lives.
    QVariant GetPantalla() const;
};

} // namespace kesta::plugin
