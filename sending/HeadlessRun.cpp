#include "sending/HeadlessRun.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QTextStream>

#include <algorithm>

#include "sending/CommandTexts.h"
#include "sending/HeadlessContext.h"
#include "sending/ProgressView.h"
#include "sending/RequestForm.h"
#include "sending/SendRun.h"
#include "sending/SendRunTexts.h"
#include "sending/StreamProgress.h"
#include "shell/CoreContext.h"
#include "shell/MessageService.h"

namespace headlessrun {

namespace {
using S = RecipientState;

// Messages of the run reach whoever listened before, and the last one is
// kept: a run refused at its checks says why only there. Nobody can answer
// a question, so it is answered no (the offer to resend the failed list).
class Listener : public MessageService {
public:
    Listener() : m_inner(MessageService::instance()) { MessageService::setInstance(this); }
    ~Listener() override { MessageService::setInstance(&m_inner); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    void showMessage(const QString& text) override {
        last = text;
        m_inner.showMessage(text);
    }
    bool ask(const QString&) override { return false; }
    void showError(const QString& text) override {
        last = text;
        m_inner.showError(text);
    }
    MessageButton messageDlgTitle(const QString& caption, const QString& text,
                                  MessageButtons buttons) override {
        last = text;
        return m_inner.messageDlgTitle(caption, text, buttons);
    }

    QString last;

private:
    MessageService& m_inner;
};

// The last text the operator typed stays the window's: a run from outside
// must not replace it.
class KeepLastText {
public:
    explicit KeepLastText(const QString& dir) : m_path(dir + sendtext::kLastTextFile) {
        QFile f(m_path);
        m_had = f.open(QIODevice::ReadOnly);
        if (m_had)
            m_bytes = f.readAll();
    }
    ~KeepLastText() {
        if (!m_had) {
            QFile::remove(m_path);
            return;
        }
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(m_bytes);
    }
    KeepLastText(const KeepLastText&) = delete;
    KeepLastText& operator=(const KeepLastText&) = delete;

private:
    QString m_path;
    QByteArray m_bytes;
    bool m_had = false;
};

Outcome setupError(const QString& why) {
    Outcome o;
    o.code = kSetupError;
    o.error = why;
    return o;
}
} // namespace

qint64 Outcome::sent() const {
    return counts.of(S::Sent) + counts.of(S::Delivered) + counts.of(S::Undelivered);
}

QJsonObject Outcome::json() const {
    QJsonArray ids;
    for (const qint64 id : runs)
        ids.append(id);
    return QJsonObject{
        {QStringLiteral("exitCode"), code},
        {QStringLiteral("runs"), ids},
        {QStringLiteral("recipients"), counts.total()},
        {QStringLiteral("sent"), sent()},
        {QStringLiteral("delivered"), counts.of(S::Delivered)},
        {QStringLiteral("undelivered"), counts.of(S::Undelivered)},
        {QStringLiteral("refused"), counts.of(S::Refused)},
        {QStringLiteral("failed"), counts.of(S::Failed)},
        {QStringLiteral("unknown"), counts.of(S::Unknown) + counts.of(S::Submitting)},
        {QStringLiteral("notSent"), counts.of(S::Pending)},
        {QStringLiteral("optedOut"), optedOut},
        {QStringLiteral("stopped"), stopped},
        {QStringLiteral("error"), error},
    };
}

QString Outcome::text() const {
    if (code == kSetupError)
        return error + QLatin1Char('\n');
    QString t = QStringLiteral("recipients %1: sent %2, refused %3, failed %4, unknown %5, "
                               "not sent %6, opted out %7")
                    .arg(counts.total())
                    .arg(sent())
                    .arg(counts.of(S::Refused))
                    .arg(counts.of(S::Failed))
                    .arg(counts.of(S::Unknown) + counts.of(S::Submitting))
                    .arg(counts.of(S::Pending))
                    .arg(optedOut);
    if (stopped)
        t += QStringLiteral(" (stopped before the end)");
    t += QLatin1Char('\n');
    if (!note.isEmpty())
        t += note + QLatin1Char('\n');
    return t;
}

Outcome perform(const SendRequest& request, CoreContext& context, ProgressView& view,
                const Options& options) {
    Outcome outcome;
    outcome.code = kAllSent;
    Listener listener;
    const KeepLastText keep(context.programDir());
    const qsizetype presses = request.mode == RecipientMode::OneGroup
                                  ? std::max<qsizetype>(1, request.groupNames.size())
                                  : 1;
    for (qsizetype g = 0; g < presses; ++g) {
        RequestForm form(request, context.database(), int(g));
        if (options.filter)
            form.setDateFilter(*options.filter);
        SendRun run(context, form, view);
        QEventLoop loop;
        QObject::connect(&run, &SendRun::finished, &loop, &QEventLoop::quit);
        listener.last.clear();
        run.start();
        // Refused at its checks, a run ends inside start().
        // A run the date filter left empty has planned and ended in there.
        if (run.runId() != 0 && options.runStarted)
            options.runStarted(run.runId());
        if (run.isRunning())
            loop.exec();
        if (run.runId() == 0) {
            const Outcome refused = setupError(commandtext::runRefused(listener.last));
            if (outcome.runs.isEmpty())
                return refused;
            // Runs went out before: what they did counts, and the rest did not go.
            outcome.stopped = true;
            outcome.error = refused.error;
            break;
        }
        outcome.runs << run.runId();
        const StateCounts c = run.journal().counts(run.runId());
        for (size_t i = 0; i < c.n.size(); ++i)
            outcome.counts.n[i] += c.n[i];
        outcome.optedOut += run.optedOut();
        if (!view.runFlags().ok) {
            outcome.stopped = true;
            break;
        }
    }
    const qint64 notSent = outcome.counts.of(S::Refused) + outcome.counts.of(S::Failed) +
                           outcome.counts.of(S::Unknown) + outcome.counts.of(S::Submitting) +
                           outcome.counts.of(S::Pending);
    outcome.code = notSent > 0 || outcome.stopped ? kNotAllSent : kAllSent;
    return outcome;
}

Outcome perform(const SendRequest& request, const QString& dataDir, const Options& options) {
    HeadlessContext context(dataDir);
    // The modem first: a port the window holds refuses the run before a
    // database is touched.
    QString tried;
    qint64 holder = 0;
    switch (context.connectModem(options.port, &tried, &holder)) {
    case HeadlessContext::Connect::Connected:
        break;
    case HeadlessContext::Connect::NoPort:
        return setupError(commandtext::noModem());
    case HeadlessContext::Connect::Held:
        return setupError(commandtext::portHeld(tried, holder));
    case HeadlessContext::Connect::Failed:
        return setupError(commandtext::noAnswer(tried));
    }
    QString error;
    if (!context.open(&error))
        return setupError(commandtext::databaseError(error));
    if (request.mode == RecipientMode::OneGroup) {
        if (request.groupNames.isEmpty())
            return setupError(commandtext::badUsage(QStringLiteral("no group named")));
        const QStringList unknown = RequestForm::unknownGroups(request.groupNames);
        if (!unknown.isEmpty())
            return setupError(commandtext::unknownGroup(unknown.first()));
    }
    StreamProgress view(options.progress);
    Outcome outcome = perform(request, context, view, options);
    outcome.note = context.statusNote();
    context.disconnectModem();
    return outcome;
}

int performScheduled(const QString& dataDir, const SendRequest& request,
                     const DateFilterChoice& filter,
                     const std::function<void(qint64 runId)>& runStarted, QTextStream& out,
                     QTextStream& err) {
    Options options;
    options.progress = &err;
    options.filter = filter;
    options.runStarted = runStarted;
    const Outcome outcome = perform(request, dataDir, options);
    if (outcome.code == kSetupError)
        err << outcome.error << Qt::endl;
    else
        out << outcome.text();
    return outcome.code;
}

} // namespace headlessrun
