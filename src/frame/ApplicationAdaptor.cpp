#include "frame/ApplicationAdaptor.h"

#include "frame/FrameService.h"

ApplicationAdaptor::ApplicationAdaptor(FrameService& service)
    : QDBusAbstractAdaptor(&service), m_service(service) {}

void ApplicationAdaptor::Activate(const QVariantMap& platformData) {
    m_service.open({}, platformData);
}

void ApplicationAdaptor::Open(const QStringList& uris, const QVariantMap& platformData) {
    m_service.open(uris, platformData);
}

void ApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}
