// A run through Kannel to fakesmsc beside a plain HTTP client through the
// same smsbox in the same process, the link alone with its window, and the
// endpoint's delivery reports.
//
//   tavrik-bench-gateway [contacts]   (10,000 by default)
#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "FakeSendForm.h"
#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "sending/Gateway.h"
#include "sending/KannelLink.h"
#include "sending/KannelRequest.h"
#include "sending/ProgressView.h"
#include "sending/SendRun.h"
#include "sending/ui/GatewaySubsystem.h"
#include "store/Database.h"
#include "store/Store.h"
#include "tools/kannel/KannelHarness.h"

namespace {

const QString kText = QStringLiteral(u"سلام ** عزیز، جشنواره پاییزه ما از فردا آغاز می شود");

class QuietView : public ProgressView {
public:
    RunFlags flags;
    QString sent = QStringLiteral("0");
    QString contacts = QStringLiteral("0");
    RunFlags& runFlags() override { return flags; }
    void setGaugeMaximum(int) override {}
    void setGaugeProgress(int) override {}
    void setTitle(const QString&) override {}
    void setSentCount(const QString& c) override { sent = c; }
    QString sentCount() const override { return sent; }
    void setContactCount(const QString& c) override { contacts = c; }
    QString contactCount() const override { return contacts; }
    void showProgress() override {}
    void setRunCounts(const QString&) override {}
    void setOptedOutCount(const QString&) override {}
    void closeProgress() override {}
};

QString number(int i) {
    return QStringLiteral("0913%1").arg(i, 7, 10, QLatin1Char('0'));
}

// What a plain client does: sendsms GETs, `parallel` at a time, the same
// text, coding and report request as the link.
double plainClient(const GatewaySettings& s, int n, int parallel) {
    QNetworkAccessManager net;
    int started = 0, done = 0, ok = 0;
    QElapsedTimer t;
    t.start();
    std::function<void()> next = [&] {
        if (started >= n)
            return;
        const int i = started++;
        const QString text = SendRun::repo(kText, QStringLiteral("P"), QStringLiteral("Q"));
        QUrlQuery q;
        q.addQueryItem(QStringLiteral("username"), s.user);
        q.addQueryItem(QStringLiteral("password"), s.password);
        q.addQueryItem(QStringLiteral("to"), number(n + i));
        q.addQueryItem(QStringLiteral("smsc"), s.smscId);
        q.addQueryItem(QStringLiteral("coding"), QStringLiteral("2"));
        q.addQueryItem(QStringLiteral("charset"), QStringLiteral("UTF-16BE"));
        QStringEncoder utf16(QStringEncoder::Utf16BE);
        q.addQueryItem(QStringLiteral("text"),
                       QString::fromLatin1(QByteArray(utf16.encode(text)).toPercentEncoding()));
        q.addQueryItem(QStringLiteral("dlr-mask"), QStringLiteral("31"));
        q.addQueryItem(QStringLiteral("dlr-url"),
                       QString::fromLatin1(QUrl::toPercentEncoding(kannel::reportUrl(s, 0))));
        QUrl url(s.url);
        url.setQuery(q.query(QUrl::FullyEncoded), QUrl::StrictMode);
        QNetworkReply* r = net.get(QNetworkRequest(url));
        QObject::connect(r, &QNetworkReply::finished, [&, r] {
            ok += r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 202;
            ++done;
            r->deleteLater();
            next();
        });
    };
    for (int i = 0; i < parallel; ++i)
        next();
    KannelHarness::waitFor([&] { return done >= n; }, 600000);
    if (ok != n)
        std::printf("  plain client: %d of %d accepted\n", ok, n);
    return n * 1000.0 / double(std::max<qint64>(1, t.elapsed()));
}

// The link fed as an engine with a window would feed it, without a journal.
double linkAlone(const GatewaySettings& s, int n, int offset) {
    KannelLink link(s);
    int next = 0, done = 0, sent = 0;
    const auto fill = [&] {
        while (next < n && link.hasRoom()) {
            link.submit(quint64(next), number(offset + next),
                        SendRun::repo(kText, QStringLiteral("P"), QStringLiteral("Q")));
            ++next;
        }
    };
    QObject::connect(&link, &Link::outcome, [&](quint64, SubmitOutcome o, const QList<int>&) {
        ++done;
        sent += o == SubmitOutcome::Sent;
    });
    QElapsedTimer t;
    t.start();
    while (done < n) {
        fill();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    if (sent != n)
        std::printf("  link alone: %d of %d sent\n", sent, n);
    return n * 1000.0 / double(std::max<qint64>(1, t.elapsed()));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10000;
    if (!KannelHarness::available()) {
        std::printf("Kannel (kannel, kannel-extras) is not installed\n");
        return 1;
    }
    QTemporaryDir kannelDir;
    KannelHarness kannel;
    ProgramFixture f;
    GatewaySettings s;
    s.listenPort = KannelHarness::freePort();
    s.secret = QStringLiteral("benchsecret");
    if (!kannel.start(kannelDir.path(), {s.endpointBase(), s.secret}))
        return 1;
    s.url = kannel.sendsmsUrl();
    s.user = KannelHarness::user();
    s.password = KannelHarness::password();
    s.smscId = KannelHarness::smscId();
    s.save(f.dir());
    f.start();
    // The modem's parts of the program are scripted: the run sends through
    // the gateway alone.
    f.main().findChild<QPushButton*>(QStringLiteral("btnConnect"))->setEnabled(false);
    Gateway& gateway = f.program().gateway->gateway();

    // The group, written in one transaction.
    Database& db = f.main().db;
    int code = 0;
    store::createGroup(db, QStringLiteral(u"مشتریان"), &code);
    {
        QSqlDatabase contacts = QSqlDatabase::database(QString::fromLatin1(Database::kContacts));
        contacts.transaction();
        QSqlQuery q(contacts);
        q.prepare(
            QStringLiteral("insert into \"%1\"(id,name,family,num) values(?,?,?,?)").arg(code));
        for (int i = 0; i < n; ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(QStringLiteral(u"علی%1").arg(i));
            q.addBindValue(QStringLiteral(u"رضایی"));
            q.addBindValue(number(i));
            q.exec();
        }
        contacts.commit();
        db.ADOQuery1.close();
        db.ADOQuery1.open();
    }

    std::printf("%d contacts through Kannel 1.4.5 (smsbox, bearerbox, fakesmsc)\n", n);
    const double plain = plainClient(s, n, 6);
    std::printf("plain HTTP client, 6 connections:          %8.0f msg/s\n", plain);

    FakeSendForm form(db);
    form.composer = kText;
    form.mode = RecipientMode::OneGroup;
    form.group = QStringLiteral(u"مشتریان");
    form.report = true;
    form.control = false;
    QuietView view;
    std::unique_ptr<KannelLink> link = gateway.makeLink();
    SendRun run(f.main().context(), form, view, link.get());
    QElapsedTimer t;
    t.start();
    run.start();
    ProgramFixture::waitForRun(run, 3600000);
    const double engine = n * 1000.0 / double(std::max<qint64>(1, t.elapsed()));
    const StateCounts c = run.journal().counts(run.runId());
    std::printf("Tavrik run (engine, the link's window):   %8.0f msg/s  %5.1f%% of plain "
                "(target >= 95%%)\n",
                engine, 100.0 * engine / plain);
    QElapsedTimer drain;
    drain.start();
    KannelHarness::waitFor(
        [&] { return run.journal().counts(run.runId()).of(RecipientState::Delivered) == n; },
        120000);
    const StateCounts d = run.journal().counts(run.runId());
    std::printf("  journal: %lld sent at the end of the run, %lld delivered %lld ms later, "
                "%lld reports taken, %lld rows matched\n",
                qlonglong(c.of(RecipientState::Sent) + c.of(RecipientState::Delivered)),
                qlonglong(d.of(RecipientState::Delivered)), qlonglong(drain.elapsed()),
                qlonglong(gateway.counts().reports), qlonglong(gateway.counts().matched));

    const double alone = linkAlone(s, n, 2 * n);
    std::printf("the link alone, window %d:                 %8.0f msg/s  %5.1f%% of plain\n",
                s.window, alone, 100.0 * alone / plain);

    // The endpoint alone: reports for the run's rows (delivered already, so
    // the journal's work is the lookup and the update of the part), fired
    // over 6 connections; then one at a time for the time to the change.
    {
        QNetworkAccessManager net;
        const int m = std::min(n, 5000);
        int started = 0, done = 0;
        QElapsedTimer e;
        e.start();
        std::function<void()> fire = [&] {
            if (started >= m)
                return;
            const int i = started++;
            const QString url = s.endpointBase() + kannel::kReportPath +
                                QStringLiteral("?k=%1&ref=%2&type=1&to=%3")
                                    .arg(s.secret)
                                    .arg(link->nextReference() - n + i)
                                    .arg(number(i));
            QNetworkReply* r = net.get(QNetworkRequest(QUrl(url)));
            QObject::connect(r, &QNetworkReply::finished, [&, r] {
                ++done;
                r->deleteLater();
                fire();
            });
        };
        for (int i = 0; i < 6; ++i)
            fire();
        KannelHarness::waitFor([&] { return done >= m; }, 600000);
        std::printf("endpoint: %8.0f reports/s over 6 connections\n",
                    m * 1000.0 / double(std::max<qint64>(1, e.elapsed())));
    }
    {
        // Fresh rows, sent and unreported: each report moves one to
        // delivered before its answer is written, so the round trip bounds
        // the time from Kannel's call to the row's change.
        SendJournal journal(QStringLiteral("bench"));
        journal.open(f.dir());
        const int m = 500;
        QList<PlannedRecipient> rows;
        for (int i = 0; i < m; ++i) {
            PlannedRecipient p;
            p.number = number(5 * n + i);
            p.text = QStringLiteral("x");
            rows.append(p);
        }
        const qint64 id = journal.planRun(RunRecord{}, rows);
        const QString name = KannelLink::nameFor(s);
        for (int i = 0; i < m; ++i)
            journal.recordOutcome(id, i, RecipientState::Sent, name, {1000000 + i});
        QNetworkAccessManager net;
        QList<double> ms;
        for (int i = 0; i < m; ++i) {
            QElapsedTimer e;
            e.start();
            QNetworkReply* r =
                net.get(QNetworkRequest(QUrl(s.endpointBase() + kannel::kReportPath +
                                             QStringLiteral("?k=%1&ref=%2&type=1&to=%3")
                                                 .arg(s.secret)
                                                 .arg(1000000 + i)
                                                 .arg(number(5 * n + i)))));
            KannelHarness::waitFor([r] { return r->isFinished(); });
            ms.append(double(e.nsecsElapsed()) / 1e6);
            r->deleteLater();
        }
        std::sort(ms.begin(), ms.end());
        std::printf("endpoint: report to row change, one at a time: median %.2f ms, p99 %.2f ms; "
                    "%lld of %d rows delivered\n",
                    ms[m / 2], ms[m * 99 / 100],
                    qlonglong(journal.counts(id).of(RecipientState::Delivered)), m);
    }
    kannel.stop();
    return 0;
}
