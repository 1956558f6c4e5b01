#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM/SIGINT into a Qt signal through a self-pipe, so shutdown runs
// in the event loop (link removed, logs flushed) rather than in a handler.
class UnixSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit UnixSignalWatcher(QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    static void handler(int signalNumber);
    void onActivated();

    static int s_fds[2];
    QSocketNotifier* m_notifier = nullptr;
};
