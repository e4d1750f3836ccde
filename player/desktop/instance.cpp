#include "instance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

namespace player {

namespace desktop {

bool sessionBusAvailable() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool handOver(const QStringList& paths) {
    if (!sessionBusAvailable())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(QString::fromLatin1(kInstanceService)))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kInstanceService), QString::fromLatin1(kInstancePath),
        QString::fromLatin1(kInstanceInterface), QStringLiteral("Open"));
    call << paths;
    // A first start that is itself closing answers with an error: then this one carries on alone.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
    if (!m_listening)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kInstancePath));
    bus.unregisterService(QString::fromLatin1(kInstanceService));
}

bool InstanceServer::listen() {
    if (!sessionBusAvailable())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerObject(QString::fromLatin1(kInstancePath), this, QDBusConnection::ExportScriptableSlots))
        return false;
    // No queueing: of two starts at the same moment exactly one owns the name; the other hands over.
    const auto reply = bus.interface()->registerService(QString::fromLatin1(kInstanceService),
                                                        QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        bus.unregisterObject(QString::fromLatin1(kInstancePath));
        return false;
    }
    m_listening = true;
    return true;
}

void InstanceServer::Open(const QStringList& paths) {
    emit openRequested(paths);
}

} // namespace desktop

} // namespace player
