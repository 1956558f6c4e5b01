#pragma once

#include <QString>

#include "sending/ProgressView.h"

class QTextStream;

// The progress window of a run without windows: one line on the stream for
// each step of the counts, so a script or a log shows how far a run got and
// how long it has left.
class StreamProgress : public ProgressView {
public:
    explicit StreamProgress(QTextStream* out) : m_out(out) {}

    RunFlags& runFlags() override { return m_flags; }
    void setGaugeMaximum(int) override {}
    void setGaugeProgress(int) override {}
    void setTitle(const QString& title) override { m_title = title; }
    void setSentCount(const QString& count) override { m_sent = count; }
    QString sentCount() const override { return m_sent; }
    void setContactCount(const QString& count) override { m_contacts = count; }
    QString contactCount() const override { return m_contacts; }
    void showProgress() override;
    void setRunCounts(const QString& text) override;
    void setOptedOutCount(const QString& text) override { m_optedOut = text; }
    void closeProgress() override {}

    QString optedOutText() const { return m_optedOut; }

private:
    QTextStream* m_out; // none: quiet
    RunFlags m_flags;
    QString m_title;
    QString m_sent = QStringLiteral("0");
    QString m_contacts = QStringLiteral("0");
    QString m_optedOut;
};
