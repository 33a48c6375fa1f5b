#include "gui/frame/ApplicationAdaptor.h"

#include <QDBusConnection>

#include "gui/frame/FrameService.h"

ApplicationAdaptor::ApplicationAdaptor(FrameService& service)
    : QDBusAbstractAdaptor(&service), m_service(service) {}

void ApplicationAdaptor::Activate(const QVariantMap& platformData, const QDBusMessage& message) {
    if (!m_service.open({}, platformData)) refuse(message);
}

void ApplicationAdaptor::Open(const QStringList& uris, const QVariantMap& platformData,
                              const QDBusMessage& message) {
    if (!m_service.open(uris, platformData)) refuse(message);
}

void ApplicationAdaptor::refuse(const QDBusMessage& message) {
    message.setDelayedReply(true);
    QDBusConnection::sessionBus().send(message.createErrorReply(
        QDBusError::Failed, QStringLiteral("The frame is closing; start a frame of your own.")));
}

void ApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}
