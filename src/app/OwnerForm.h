#pragma once

#include <QObject>
#include <QString>

namespace velkora::app {

// The host object that owns a component's screen: it carries the transaction the screen was
// opened for, and the screen's Exit asks for it to be unloaded.
class OwnerForm : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Transaccion READ Transaccion)

public:
    explicit OwnerForm(QString transaction, QObject *parent = nullptr);
    QString Transaccion() const;

public slots:
    // Unloads the owner: the window that shows the screen closes.
    void Unload();

signals:
    void unloadRequested();

private:
    QString m_transaction;
};

} // namespace velkora::app
