#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP, SIGINT and SIGQUIT (the session ending, a service manager stopping the
// program, Ctrl+C or Ctrl+\ in the terminal it was started from) into a Qt signal delivered by the
// event loop. The signal handler itself only writes one byte to a
// socket; everything else runs outside it.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void received();

private:
    void drain();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
