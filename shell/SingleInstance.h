#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One program at a time on a data folder: two would share the port and
// write the same databases. The first start holds a lock file in the folder
// (released by the system when that process ends, however it ends) and
// listens on a local socket named after the folder; a later start finds the
// lock held and asks the holder, through the socket, to come forward.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataDir, QObject* parent = nullptr);

    // True when this start may run: it holds the folder now and answers
    // later starts. Also true when the folder cannot take a lock file at all
    // (nothing could be shared through it then either).
    bool claim();
    // From a start that could not claim: asks the holder to come forward
    // and waits for its answer in an event loop of its own, at most
    // `timeoutMs`. True when the holder answered.
    bool callHolder(int timeoutMs = 3000);

    // The local socket's name for a folder: the same folder, however it is
    // written, gives the same name.
    static QString serverName(const QString& dataDir);

Q_SIGNALS:
    // In the holder: a later start asked for the program's window.
    void calledForward();

private:
    void answer();

    QString m_dir;
    QLockFile m_lock;
    QLocalServer m_server;
};
