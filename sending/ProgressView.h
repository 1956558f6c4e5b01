#pragma once

#include <QString>

// Shared by the send run and its progress window for the length of a run.
struct RunFlags {
    bool cancel = false;   // the operator pressed cancel
    bool finished = false; // the run has ended; only now may the window close
    bool ok = true;        // cleared by a failed one-number run or a stop on errors
    // The close-program button: the run ends as cancelled, is logged, and
    // the program closes after it.
    bool closeProgram = false;
    // The run's row is written: a later close request (the window is hidden
    // by then) logs nothing and shows nothing.
    bool logged = false;
};

// The progress window as the send run drives it. The two counts live only
// as the window's texts: the run reads them back.
class ProgressView {
public:
    virtual ~ProgressView() = default;

    virtual RunFlags& runFlags() = 0;
    virtual void setGaugeMaximum(int maximum) = 0;
    virtual void setGaugeProgress(int progress) = 0;
    virtual void setTitle(const QString& title) = 0;
    virtual void setSentCount(const QString& count) = 0;
    virtual QString sentCount() const = 0;
    virtual void setContactCount(const QString& count) = 0;
    virtual QString contactCount() const = 0;
    virtual void showProgress() = 0;
    // Under the counts: how many recipients are in each state and an
    // estimate of the time left, as one line of text.
    virtual void setRunCounts(const QString& text) { (void)text; }
    // Beside the counts: members passed over as on the opt-out list, apart
    // from the failures.
    virtual void setOptedOutCount(const QString& text) { (void)text; }
    // A run over several links: each link's count this run and its state,
    // a line each.
    virtual void setLinkStates(const QString& text) { (void)text; }
    // Why the run waits and when it goes on; empty once it goes on.
    virtual void setPauseNote(const QString& text) { (void)text; }
    // A close request: refused while the run is not finished; otherwise the
    // window logs the run and brings the main window back.
    virtual void closeProgress() = 0;
};
