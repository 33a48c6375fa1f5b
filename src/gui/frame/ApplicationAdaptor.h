#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class FrameService;

// The desktop's application interface on the frame's bus object: Open and Activate hand their
// files to the frame, and answer with an error when the frame is closing; named actions are not
// offered.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(FrameService& service);

public slots:
    void Activate(const QVariantMap& platformData, const QDBusMessage& message);
    void Open(const QStringList& uris, const QVariantMap& platformData,
              const QDBusMessage& message);
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    // Answers the call with an error when the service refused it.
    static void refuse(const QDBusMessage& message);

    FrameService& m_service;
};
