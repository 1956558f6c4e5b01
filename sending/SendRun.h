#pragma once

#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>

class ProgressView;
class SendForm;
class CoreContext;

// One press of the send button: the whole run, synchronous, from the
// connection check to the log row. The run never yields and never sleeps;
// the window stays alive because each call into the control waits in the
// event loop. Member rows are read by the run's own row number, so a grid
// showing the same table cannot move the walk.
class SendRun {
public:
    SendRun(CoreContext& shell, SendForm& form, ProgressView& view);

    // The send button.
    void start();
    bool isRunning() const { return m_running; }
    // Members of the last run passed over as on the opt-out list.
    int optedOut() const { return m_optedOut; }

    // Empties the failed-numbers page's two boxes; run when an old list is
    // cleared and when a resend run completes.
    void setClearingHook(std::function<void()> hook) { m_clearing = std::move(hook); }

    // The message for one member: the first "**" becomes the name and the
    // family; a text that would come out empty goes as typed.
    static QString repo(const QString& text, const QVariant& name, const QVariant& family);

private:
    enum class Mode { Group, AllGroups };
    enum class End { Normal, Stopped, Refused };
    struct Member {
        QVariant name;
        QVariant family;
        QVariant num;
    };

    End run();
    End oneNumber();
    End oneGroup();
    End allGroups();
    End range();
    // The members of the working table from the first row; Stopped when the
    // stop test ended the walk.
    End walkMembers();
    bool sendToMember(int row);
    bool stopTest() const;
    void stop();
    void endOfRun();
    void abort(const QString& message);

    void pushSettings();
    int send(const QString& number, const QString& text);
    void countSent();
    void openMembers(const QString& gcode);
    Member member(int row) const;
    void recordFailure(int row);
    void writeSummary();
    void writeFailedText();
    void copyRemaining();
    void clearFailedList();
    void showProgress(const QString& title, qint64 contacts, int gaugeMaximum);
    void askRetry();
    QString file(const QString& name) const;
    qint64 rangeValue(const QString& text) const;

    CoreContext& m_shell;
    SendForm& m_form;
    ProgressView& m_view;
    std::function<void()> m_clearing;
    bool m_running = false;

    // Run state, reset at every press.
    Mode m_mode = Mode::Group;
    bool m_resend = false;
    bool m_summaryWritten = false;
    bool m_textWritten = false;
    bool m_shown = false;
    qint64 m_failures = 0; // a range's end may be moved on for ever
    QString m_runDate;
    QString m_runTime;
    QString m_composed; // the composer text as typed
    QString m_text;     // what goes out, personalised per member
    QString m_groupName;
    // Opt-outs: the list, read at the first member, and how many were passed over.
    QSet<QString> m_optOuts;
    bool m_optOutsLoaded = false;
    int m_optedOut = 0;
    int m_position = 0;     // row of the current member, from 0
    int m_rows = 0;         // rows of the working table when it opened
    int m_recordedRow = -1; // the row of this table already in the failed list
    bool m_failedNotKept = false;
};
