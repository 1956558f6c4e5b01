// The gateway link without Kannel: what a sendsms request carries, how an
// answer (or none) becomes an outcome, what the endpoint takes and turns
// away, and the settings file.
#include <QtTest>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>

#include "ManualClock.h"
#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"
#include "sending/Gateway.h"
#include "sending/GatewayEndpoint.h"
#include "sending/GatewayTexts.h"
#include "sending/KannelLink.h"
#include "sending/KannelRequest.h"
#include "sending/SendJournal.h"
#include "sending/ui/GatewayBox.h"
#include "sending/ui/GatewaySubsystem.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kPersian = QStringLiteral(u"سلام علی جان، تخفیف ۲۰٪");

GatewaySettings settingsFor(quint16 port) {
    GatewaySettings s;
    s.url = QStringLiteral("http://127.0.0.1:%1/cgi-bin/sendsms").arg(port);
    s.user = QStringLiteral("u");
    s.password = QStringLiteral("p");
    s.secret = QStringLiteral("s3cret");
    s.timeout = 5;
    return s;
}

struct Outcomes {
    QList<QPair<quint64, SubmitOutcome>> got;
    explicit Outcomes(KannelLink& link) {
        QObject::connect(&link, &Link::outcome, [this](quint64 t, SubmitOutcome o, auto) {
            got.append({t, o});
        });
    }
};

// A server that reads each request whole and answers as told, or never.
class FakeSmsbox : public QObject {
public:
    std::function<QByteArray(const QByteArray&)> answer; // empty reply: silence
    QList<QByteArray> requests;
    QTcpServer server;
    FakeSmsbox() {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s] {
                    m_buffer[s] += s->readAll();
                    const QByteArray& b = m_buffer[s];
                    const qsizetype end = b.indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const qsizetype length = b.mid(b.toLower().indexOf("content-length:") + 15)
                                                 .split('\r')[0]
                                                 .trimmed()
                                                 .toInt();
                    if (b.size() < end + 4 + length)
                        return;
                    requests.append(b);
                    m_buffer.remove(s);
                    const QByteArray reply = answer ? answer(requests.last()) : QByteArray();
                    if (!reply.isEmpty())
                        s->write(reply);
                });
            }
        });
    }
    quint16 port() const { return server.serverPort(); }

private:
    QHash<QTcpSocket*, QByteArray> m_buffer;
};

QByteArray http(int status, const QByteArray& body) {
    return "HTTP/1.1 " + QByteArray::number(status) +
           " X\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray headerOf(const QNetworkRequest& r, const char* name) {
    return r.rawHeader(name);
}
} // namespace

class KannelLinkTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Persian goes as UCS-2 with coding 2 and its charset, never as text
    // Kannel would turn into "?"; GSM text as UTF-8 with coding 0; the
    // run's options map to Kannel's fields, and the dlr-url names the
    // reference and the secret.
    void requestCarriesCodingOptionsAndReportAddress() {
        GatewaySettings s = settingsFor(13013);
        s.smscId = QStringLiteral("op1");
        s.sender = QStringLiteral("3000");
        s.callbackHost = QStringLiteral("10.0.0.5");
        kannel::SendOptions o;
        o.flash = true;
        o.validityMinutes = 1440;
        const kannel::SendRequest fa =
            kannel::sendRequest(s, QStringLiteral("09121234567"), kPersian, o, 77);
        QVERIFY(fa.ucs2);
        QCOMPARE(QStringDecoder(QStringDecoder::Utf16BE).decode(fa.body), kPersian);
        QCOMPARE(headerOf(fa.request, "X-Kannel-Coding"), QByteArray("2"));
        QVERIFY(fa.request.header(QNetworkRequest::ContentTypeHeader)
                    .toByteArray()
                    .contains("charset=UTF-16BE"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-To"), QByteArray("09121234567"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-SMSC"), QByteArray("op1"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-From"), QByteArray("3000"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-MClass"), QByteArray("0"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-Validity"), QByteArray("1440"));
        QCOMPARE(headerOf(fa.request, "X-Kannel-DLR-Mask"), QByteArray("31"));
        const QUrl dlr(QString::fromUtf8(headerOf(fa.request, "X-Kannel-DLR-Url")));
        QCOMPARE(dlr.host(), QStringLiteral("10.0.0.5"));
        QCOMPARE(dlr.path(), kannel::kReportPath);
        const QUrlQuery q(dlr);
        QCOMPARE(q.queryItemValue(QStringLiteral("ref")), QStringLiteral("77"));
        QCOMPARE(q.queryItemValue(QStringLiteral("k")), QStringLiteral("s3cret"));
        // Kannel's own escapes, left for it to fill in.
        QVERIFY(headerOf(fa.request, "X-Kannel-DLR-Url").contains("&type=%d&to=%p&ts=%T"));
        // The password travels in a header, never in an address a log keeps.
        QVERIFY(!fa.request.url().toString().contains(QStringLiteral("p@")));
        QVERIFY(!fa.request.url().hasQuery());

        kannel::SendOptions plain;
        plain.report = false;
        const kannel::SendRequest en =
            kannel::sendRequest(settingsFor(13013), QStringLiteral("+989121234567"),
                                QStringLiteral("Hi {x} €"), plain, 1);
        QVERIFY(!en.ucs2);
        QCOMPARE(headerOf(en.request, "X-Kannel-Coding"), QByteArray("0"));
        QCOMPARE(en.body, QStringLiteral("Hi {x} €").toUtf8());
        QVERIFY(headerOf(en.request, "X-Kannel-DLR-Url").isEmpty());
        QVERIFY(headerOf(en.request, "X-Kannel-MClass").isEmpty());
        QVERIFY(headerOf(en.request, "X-Kannel-SMSC").isEmpty());
    }

    // Accepted and queued are sent; refusals keep smsbox's words; a
    // request that never left failed; one written without an answer, or
    // cut off after it was written, is unknown, and none is sent twice.
    void answersBecomeOutcomes() {
        QCOMPARE(kannel::judge(202, "0: Accepted for delivery").outcome, SubmitOutcome::Sent);
        QCOMPARE(kannel::judge(202, "3: Queued for later delivery").outcome, SubmitOutcome::Sent);
        const kannel::Answer no = kannel::judge(403, "Authorization failed for sendsms");
        QCOMPARE(no.outcome, SubmitOutcome::Refused);
        QCOMPARE(no.text, QStringLiteral("Authorization failed for sendsms"));
        QCOMPARE(kannel::judge(503, "").text, QStringLiteral("HTTP 503"));

        ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
        Clock::setInstance(&clock);
        FakeSmsbox box;
        box.answer = [](const QByteArray& request) -> QByteArray {
            if (request.contains("X-Kannel-To: 1\r\n"))
                return http(202, "0: Accepted for delivery");
            if (request.contains("X-Kannel-To: 2\r\n"))
                return http(400, "Sender missing and no global set, rejected");
            return {};
        };
        KannelLink link(settingsFor(box.port()));
        link.setNextReference(500);
        Outcomes o(link);
        QList<int> refs;
        connect(&link, &Link::outcome, this,
                [&refs](quint64, SubmitOutcome, const QList<int>& r) { refs += r; });
        QString refusal;
        connect(&link, &KannelLink::refused, this,
                [&refusal](quint64, const QString& text) { refusal = text; });
        QVERIFY(link.submit(1, QStringLiteral("1"), kPersian));
        QVERIFY(link.submit(2, QStringLiteral("2"), kPersian));
        QVERIFY(link.submit(3, QStringLiteral("3"), kPersian));
        QVERIFY(o.got.isEmpty()); // never inside the call
        QTRY_COMPARE(o.got.size(), 2);
        QTRY_COMPARE(box.requests.size(), 3);
        QCOMPARE(link.inFlight(), 1);
        clock.advance(5000);
        QCOMPARE(o.got.size(), 3);
        Clock::setInstance(nullptr);
        QMap<quint64, SubmitOutcome> by;
        for (const auto& [t, out] : o.got)
            by[t] = out;
        QCOMPARE(by[1], SubmitOutcome::Sent);
        QCOMPARE(by[2], SubmitOutcome::Refused);
        QCOMPARE(by[3], SubmitOutcome::Unknown);
        QCOMPARE(refusal, QStringLiteral("Sender missing and no global set, rejected"));
        // One reference each for sent and unknown, the link's own numbers.
        std::sort(refs.begin(), refs.end());
        QCOMPARE(refs.size(), 2);
        QVERIFY(refs[0] >= 500 && refs[1] <= 502);
        QCOMPARE(box.requests.size(), 3);
        QVERIFY(link.isUp());

        // Nothing listening: failed, nothing went out, the link is down.
        const quint16 closed = box.port();
        box.server.close();
        KannelLink gone(settingsFor(closed));
        Outcomes g(gone);
        QVERIFY(gone.submit(9, QStringLiteral("1"), kPersian));
        QTRY_COMPARE(g.got.size(), 1);
        QCOMPARE(g.got[0].second, SubmitOutcome::Failed);
        QVERIFY(!gone.isUp());
    }

    // The window bounds what is in flight; the rate spaces the starts.
    void windowAndRate() {
        ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
        Clock::setInstance(&clock);
        FakeSmsbox box;
        box.answer = [](const QByteArray&) { return http(202, "0: Accepted for delivery"); };
        GatewaySettings s = settingsFor(box.port());
        s.window = 3;
        s.rate = 2;
        KannelLink link(s);
        Outcomes o(link);
        for (quint64 t = 1; t <= 3; ++t)
            QVERIFY(link.submit(t, QStringLiteral("1"), QStringLiteral("x")));
        QVERIFY(!link.submit(4, QStringLiteral("1"), QStringLiteral("x")));
        QTRY_COMPARE(o.got.size(), 1);
        QTest::qWait(50);
        QCOMPARE(box.requests.size(), 1); // the next start waits for half a second
        clock.advance(500);
        QTRY_COMPARE(o.got.size(), 2);
        clock.advance(500);
        QTRY_COMPARE(o.got.size(), 3);
        Clock::setInstance(nullptr);
    }

    // Reports and incoming messages as Kannel calls with them; anything
    // else is not taken.
    void reportsAndIncomingParsed() {
        QUrlQuery r(
            QStringLiteral("k=x&ref=12&type=1&to=%2B989121234567&ts=1796913649&answer=ACK%2F"));
        const auto report = kannel::parseReport(r);
        QVERIFY(report);
        QCOMPARE(report->reference, 12);
        QCOMPARE(report->type, 1);
        QCOMPARE(report->number, QStringLiteral("+989121234567"));
        QCOMPARE(report->time, 1796913649);
        QVERIFY(!kannel::parseReport(QUrlQuery(QStringLiteral("ref=12&type=3&to=1"))));
        QVERIFY(!kannel::parseReport(QUrlQuery(QStringLiteral("ref=x&type=1&to=1"))));
        QVERIFY(!kannel::parseReport(QUrlQuery(QStringLiteral("ref=1&type=1"))));

        // The text exactly as Kannel's %a gave "لغو 11" in UCS-2.
        const QUrlQuery get(QStringLiteral(
            "from=%2B989121234567&text=%06D%06%3A%06H%00+%001%001&coding=2&charset=UTF-16BE"));
        const auto in = kannel::parseIncoming(get, {}, {});
        QVERIFY(in);
        QCOMPARE(in->from, QStringLiteral("+989121234567"));
        QCOMPARE(in->text, QStringLiteral(u"لغو 11"));
        const auto latin = kannel::parseIncoming(
            QUrlQuery(QStringLiteral("from=0912&text=stop+now&coding=0")), {}, {});
        QCOMPARE(latin->text, QStringLiteral("stop now"));
        const kannel::Headers h{{"X-Kannel-From", "09121112222"},
                                {"Content-Type", "text/plain; charset=UTF-16BE"},
                                {"X-Kannel-Coding", "2"}};
        QStringEncoder utf16(QStringEncoder::Utf16BE);
        const auto posted = kannel::parseIncoming(QUrlQuery(), h, utf16.encode(kPersian));
        QCOMPARE(posted->text, kPersian);
        QVERIFY(!kannel::parseIncoming(QUrlQuery(QStringLiteral("text=x")), {}, {}));
        QVERIFY(kannel::sameSecret(QStringLiteral("abc"), QStringLiteral("abc")));
        QVERIFY(!kannel::sameSecret(QStringLiteral("abd"), QStringLiteral("abc")));
        QVERIFY(!kannel::sameSecret(QString(), QString()));
    }

    // The endpoint moves a row only for its own path with the secret;
    // a delivered row stays delivered whatever comes after.
    void endpointTakesOnlyItsOwn() {
        ProgramFixture f;
        GatewaySettings s = settingsFor(13013);
        s.listenPort = KannelLinkTestPort();
        QVERIFY(s.save(f.dir()));
        f.start();
        // The program's own gateway, listening since start-up.
        Gateway& gateway = f.program().gateway->gateway();
        QVERIFY2(gateway.endpoint(), qPrintable(gateway.endpointError()));
        const QString link = KannelLink::nameFor(gateway.settings());
        SendJournal journal(QStringLiteral("endpoint-test"));
        QVERIFY(journal.open(f.dir()));
        PlannedRecipient p;
        p.number = QStringLiteral("09121234567");
        p.text = QStringLiteral("x");
        const qint64 run = journal.planRun(RunRecord{}, QList<PlannedRecipient>{p, p});
        QVERIFY(journal.recordOutcome(run, 0, RecipientState::Sent, link, {40}));
        QVERIFY(journal.recordOutcome(run, 1, RecipientState::Sent, link, {41}));
        QList<int> statuses;
        connect(&gateway, &Gateway::reportArrived, this,
                [&statuses](const QString&, const QString&, int, int st) { statuses << st; });

        QNetworkAccessManager net;
        const QString base = gateway.settings().endpointBase();
        const auto call = [&](const QString& pathAndQuery, const QByteArray& body = {}) {
            QNetworkRequest r(QUrl(base + pathAndQuery));
            QNetworkReply* reply = body.isEmpty() ? net.get(r) : net.post(r, body);
            QSignalSpy done(reply, &QNetworkReply::finished);
            done.wait(10000);
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            reply->deleteLater();
            return status;
        };
        const QString report = QStringLiteral("/tavrik/dlr?ref=40&type=1&to=%2B989121234567");
        QCOMPARE(call(report), 403);
        QCOMPARE(call(report + QStringLiteral("&k=wrong")), 403);
        QCOMPARE(call(report + QStringLiteral("&k=s3cret"), QByteArray(10 * 1024 * 1024, 'x')),
                 413);
        QCOMPARE(call(QStringLiteral("/other?k=s3cret&ref=40&type=1&to=1")), 404);
        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=40&type=99&to=1")), 400);
        QCOMPARE(journal.recipient(run, 0)->state, RecipientState::Sent);
        QVERIFY(statuses.isEmpty());

        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=40&type=1&to=%2B989121234567")),
                 200);
        QCOMPARE(journal.recipient(run, 0)->state, RecipientState::Delivered);
        // "Accepted by the SMSC" after "delivered", and even a late failure,
        // leave it delivered.
        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=40&type=8&to=09121234567")), 200);
        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=40&type=2&to=09121234567")), 200);
        QCOMPARE(journal.recipient(run, 0)->state, RecipientState::Delivered);
        // Buffered changes nothing; SMSC-rejected is undelivered.
        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=41&type=4&to=09121234567")), 200);
        QCOMPARE(journal.recipient(run, 1)->state, RecipientState::Sent);
        QCOMPARE(call(QStringLiteral("/tavrik/dlr?k=s3cret&ref=41&type=16&to=09121234567")), 200);
        QCOMPARE(journal.recipient(run, 1)->state, RecipientState::Undelivered);
        QCOMPARE(statuses, (QList<int>{1, 0, 0}));
        QCOMPARE(gateway.endpoint()->counts().refused, 5);
        // Numbering goes on above what the journal holds.
        QCOMPARE(gateway.makeLink()->nextReference(), 42);
    }

    // Kept for the owner alone, read back as written; bad values refused.
    void settingsFile() {
        QTemporaryDir dir;
        GatewaySettings s = settingsFor(13013);
        s.secret.clear();
        s.password = QStringLiteral("p=a&s%s\nw ؟");
        s.smscId = QStringLiteral("op 1");
        s.window = 64;
        s.rate = 120;
        QVERIFY(s.save(dir.path()));
        QVERIFY(!s.secret.isEmpty());
        QFile file(QDir(dir.path()).filePath(GatewaySettings::kFile));
        QCOMPARE(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const GatewaySettings back = GatewaySettings::load(dir.path());
        QCOMPARE(back.password, s.password);
        QCOMPARE(back.smscId, s.smscId);
        QCOMPARE(back.window, 64);
        QCOMPARE(back.rate, 120);
        QCOMPARE(back.secret, s.secret);
        QVERIFY(back.check().isEmpty());
        GatewaySettings bad = back;
        bad.url = QStringLiteral("ftp://x");
        QVERIFY(!bad.check().isEmpty());
        bad = back;
        bad.window = 0;
        QVERIFY(!bad.check().isEmpty());
        bad = back;
        bad.listenAddress = QStringLiteral("localhost:80");
        QVERIFY(!bad.check().isEmpty());
        QVERIFY(!GatewaySettings::load(QStringLiteral("/nonexistent")).isConfigured());
    }

    // The entry on the settings page: a bad number is refused with nothing
    // saved; good settings are kept and the endpoint listens on them.
    void entrySavesAndStartsTheEndpoint() {
        ProgramFixture f;
        f.start();
        auto* open = f.main().findChild<QPushButton*>(QStringLiteral("btnGateway"));
        QVERIFY(open);
        open->click();
        GatewayBox& box = f.program().gateway->box();
        QVERIFY(box.isVisible());
        const auto edit = [&box](const char* name) {
            return box.findChild<QLineEdit*>(QString::fromLatin1(name));
        };
        QCOMPARE(edit("teGatewayPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(edit("teGatewayWindow")->text(), QStringLiteral("32"));
        edit("teGatewayUrl")->setText(QStringLiteral("http://127.0.0.1:13013/cgi-bin/sendsms"));
        edit("teGatewayUser")->setText(QStringLiteral("tavrik"));
        edit("teGatewayPassword")->setText(QStringLiteral("pw"));
        edit("teGatewayWindow")->setText(QStringLiteral("x"));
        const auto save = box.findChild<QPushButton*>(QStringLiteral("btnGatewaySave"));
        save->click();
        QCOMPARE(f.messages.messages.last(), gatewaytext::kBadNumber);
        QVERIFY(!QFile::exists(f.file(GatewaySettings::kFile)));
        edit("teGatewayWindow")->setText(QStringLiteral("0"));
        save->click();
        QCOMPARE(f.messages.messages.last(), gatewaytext::kBadWindow);
        edit("teGatewayWindow")->setText(QStringLiteral("16"));
        const int port = KannelLinkTestPort();
        edit("teGatewayPort")->setText(QString::number(port));
        save->click();
        QCOMPARE(f.messages.messages.last(), gatewaytext::kSaved);
        const GatewaySettings kept = GatewaySettings::load(f.dir());
        QCOMPARE(kept.window, 16);
        QCOMPARE(kept.password, QStringLiteral("pw"));
        Gateway& gateway = f.program().gateway->gateway();
        QVERIFY(gateway.endpoint());
        QCOMPARE(gateway.endpoint()->port(), port);
        QVERIFY(edit("teGatewayServiceUrl")->text().contains(QStringLiteral("k=") + kept.secret));
    }

private:
    static int KannelLinkTestPort() {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost, 0);
        return s.serverPort();
    }
};

QTEST_MAIN(KannelLinkTest)
#include "test_kannel_link.moc"
