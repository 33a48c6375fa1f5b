#pragma once

#include <QEventLoop>
#include <QObject>
#include <QVariantMap>
#include <optional>

#include "core/files/LaunchArguments.h"

// A launch that finds the session's frame already running: it hands its files over the session
// bus, as absolute file: URIs (its own working folder means nothing to the frame), and with
// --wait waits until the windows opened for them have all closed.
class FrameHandOff : public QObject {
    Q_OBJECT
public:
    // Statuses of a waiting launch besides 0 (its windows closed): none of its files opened, or
    // the frame ended or the bus went away while its windows were open.
    static constexpr int NoneOpened = 1;
    static constexpr int FrameLost = 2;

    // Returns the launch's exit status (with --wait: 0 when its windows closed, NoneOpened or
    // FrameLost), or nothing when no frame of this session took the files within
    // FrameService::AnswerTimeoutMs (none answered, or the one that answered is closing): the
    // launch then runs a frame of its own. platformData carries the caller's activation token
    // or startup ID, as the desktop's application interface names them.
    static std::optional<int> run(const LaunchArguments& launch, QVariantMap platformData);

    // For a waiting launch that finds no frame: starts the program as the session's frame in a
    // process and session of its own (a terminal's Ctrl+C or hang-up, meant for the launch, never
    // reaches it), and returns once some frame owns the bus name; false when none did.
    static bool startFrame();

private slots:
    void windowsClosed(const QString& token, bool opened);

private:
    QString m_token;
    QEventLoop m_loop;
};
