#pragma once

#include <QEventLoop>
#include <QObject>
#include <QVariantMap>
#include <optional>

#include "files/LaunchArguments.h"

// A launch that finds the session's frame already running: it hands its files over the session
// bus, as absolute file: URIs (its own working folder means nothing to the frame), and with
// --wait waits until the windows opened for them have all closed.
class FrameHandOff : public QObject {
    Q_OBJECT
public:
    // Returns the launch's exit status (with --wait: 0 when a window opened, 1 when none did),
    // or nothing when no frame of this session answered within FrameService::AnswerTimeoutMs:
    // the launch then runs a frame of its own. platformData carries the caller's activation
    // token or startup ID, as the desktop's application interface names them.
    static std::optional<int> run(const LaunchArguments& launch, QVariantMap platformData);

private slots:
    void windowsClosed(const QString& token, bool opened);

private:
    QString m_token;
    QEventLoop m_loop;
};
