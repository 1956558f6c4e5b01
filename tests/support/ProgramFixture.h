#pragma once

#include <QList>
#include <QTemporaryDir>

#include <memory>

#include "ManualClock.h"
#include "RecordingBrowser.h"
#include "ScriptedPhone.h"
#include "ScriptedServices.h"

class ProgramRoot;
class TFormMain;
class QDialog;

// The whole program in a folder of its own, with a manual clock, scripted
// messages and dialogs, a scripted phone behind the SMS control, and modal
// windows that return at once (recorded in modalShown).
class SendRun;

class ProgramFixture {
public:
    // A fixture on an existing folder keeps its files (for a second start).
    explicit ProgramFixture(const QString& dir = QString(),
                            const QDateTime& start = QDateTime(QDate(2010, 3, 21), QTime(9, 30)));
    ~ProgramFixture();

    // Creates the windows (the program's start-up).
    void start();
    // start(), then shows the main window and runs the fade-in to the end.
    void startShown();
    // Runs every due 3 ms fade tick.
    void finishFade();
    // A send run goes on from the event loop after the press: these serve
    // it until it has ended (false when it was still running at the limit).
    static bool waitForRun(SendRun& run, int limitMs = 60000);
    bool waitForSendRun(int limitMs = 60000);

    QString dir() const { return m_dirPath; }
    QString file(const QString& name) const { return m_dirPath + name; }
    TFormMain& main() const;
    // The composition root: the windows and the subsystems.
    ProgramRoot& windows() const { return *m_windows; }
    ProgramRoot& program() const { return *m_windows; }

    ManualClock clock;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    ScriptedPhone* phone = nullptr; // owned by the control
    QList<QDialog*> modalShown;
    // The web page's browser once the page has made it; never a web engine.
    RecordingBrowser* browser = nullptr;

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dirPath;
    std::unique_ptr<ProgramRoot> m_windows;
};
