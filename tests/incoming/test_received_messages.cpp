// Received messages: parts joined on the assembly timer into inbox rows,
// the new-message notice, and no message lost when the log will not take it.
#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>

#include "ProgramFixture.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ReceivedMessages.h"
#include "app/ProgramRoot.h"
#include "shell/ui/StatusStrip.h"
#include "app/TFormMain.h"

namespace {
// num:matn of every reci row; with all, time, date and pos as well.
QStringList reci(bool all = false) {
    QStringList rows;
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("ADOConnection2")));
    q.exec(QStringLiteral("select num,matn,time,date,pos from reci order by rowid"));
    while (q.next()) {
        QString r = q.value(0).toString() + u':' + q.value(1).toString();
        for (int c = 2; all && c < 5; ++c)
            r += u' ' + q.value(c).toString();
        rows << r;
    }
    return rows;
}

// A part with no place of its own: "1/2" is not the drivers' form.
void part(ProgramFixture& f, const char* number, const QString& text, const char* info = "1/2") {
    f.phone->raiseNewSms({1, 3, QString::fromLatin1(number), text, QStringLiteral("09:00"),
                          QString::fromLatin1(info), 8, 0});
    QCoreApplication::processEvents();
}
} // namespace

class ReceivedMessagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void partsJoinUntilTwelveQuietSecondsOrAnotherSender() {
        ProgramFixture f;
        f.startShown();
        for (const char* t : {"سلام ", "دوست ", "عزیز"}) {
            part(f, "+98912", QString::fromUtf8(t));
            f.clock.advance(5000);
        }
        f.clock.advance(6999);
        QVERIFY(reci().isEmpty());
        f.clock.advance(1);
        // Stamped from the status bar (09:30 on 1389/01/01), not by the device.
        QCOMPARE(reci(true),
                 QStringList{QStringLiteral("+98912:سلام دوست عزیز 09:30 1389/01/01 جدید")});

        part(f, "A", QStringLiteral("a"));
        f.clock.advance(3000);
        part(f, "B", QStringLiteral("b"));
        QCOMPARE(reci().mid(1), QStringList{"A:a"});
        f.clock.advance(12000);
        part(f, "B", QStringLiteral("c"));
        f.clock.advance(13000);
        part(f, "B", QStringLiteral("d"));
        f.clock.advance(12000);
        QCOMPARE(reci().mid(1), (QStringList{"A:a", "B:b", "B:c", "B:d"}));
    }

    // Parts that carry their place are put in it, whatever order the network
    // used; parts without one keep their arrival order around them.
    void numberedPartsAreJoinedInTheirOrder() {
        ProgramFixture f;
        f.startShown();
        part(f, "+98912", QStringLiteral("ج"), "7,3,3");
        part(f, "+98912", QStringLiteral("ب"), "7,3,2");
        part(f, "+98912", QStringLiteral("الف"), "7,3,1");
        f.clock.advance(12000);
        // Two messages interleaved, one reused reference, a plain part between.
        part(f, "B", QStringLiteral("2"), "9,2,2");
        part(f, "B", QStringLiteral("y"), "4,2,2");
        part(f, "B", QStringLiteral("-"), "");
        part(f, "B", QStringLiteral("1"), "9,2,1");
        part(f, "B", QStringLiteral("x"), "4,2,1");
        part(f, "B", QStringLiteral("4"), "9,2,2"); // 9,2,2 again: a second message
        part(f, "B", QStringLiteral("3"), "9,2,1");
        // Out of range or malformed: no place, kept where it came.
        part(f, "B", QStringLiteral("!"), "9,2,5");
        part(f, "B", QStringLiteral("?"), "9,x,1");
        f.clock.advance(12000);
        QCOMPARE(reci(),
                 (QStringList{QStringLiteral("+98912:الفبج"), QStringLiteral("B:12xy-34!?")}));
    }

    // Nothing pending: a part from an empty sender starts its own message
    // and is not joined to the text stored last (which was from no number).
    void anEmptySenderWithNothingPendingStartsAfresh() {
        ProgramFixture f;
        f.startShown();
        part(f, "", QStringLiteral("a"));
        f.clock.advance(12000);
        part(f, "", QStringLiteral("b"));
        f.clock.advance(12000);
        QCOMPARE(reci(), (QStringList{":a", ":b"}));
    }

    void noticeShowsTheTextSoFarAndClosingStoresIt() {
        ProgramFixture f;
        f.startShown();
        QToolButton* notice = f.main().strip->btnNewMessage;
        QVERIFY(notice->isHidden());
        part(f, "+98913", QStringLiteral("دوم "));
        part(f, "+98913", QStringLiteral("سوم"));
        QTest::mouseClick(notice, Qt::LeftButton);
        QVERIFY(notice->isHidden());
        QCOMPARE(f.messages.titled.value(0),
                 qMakePair(incomingtext::kNoticeTitle, QStringLiteral("+98913\r\rدوم سوم")));
        QCOMPARE(f.messages.offered.value(0), MessageButtons(MessageButton::Ok));

        f.clock.advance(5000);
        QVERIFY(!f.main().close());
        QVERIFY(f.main().db.openLog());
        QCOMPARE(reci(), QStringList{QStringLiteral("+98913:دوم سوم")});
    }

    // The log refuses rows (a locked or damaged file): the operator is told
    // once, the messages wait in memory, and the next store writes them all
    // in arrival order; what is still held goes out at closing.
    void aMessageTheLogRefusesIsKeptUntilItCanBeWritten() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        ReceivedMessages& received = f.program().incoming->received();
        m.db.closeLog();
        part(f, "111", QStringLiteral("a"));
        part(f, "222", QStringLiteral("b")); // stores 111: refused
        f.clock.advance(12000);              // stores 222: refused
        QCOMPARE(received.heldRows(), 2);
        QTRY_COMPARE(f.messages.messages, QStringList{incomingtext::kNotStored});

        QVERIFY(m.db.openLog());
        part(f, "333", QStringLiteral("c"));
        f.clock.advance(12000);
        QCOMPARE(reci(), (QStringList{"111:a", "222:b", "333:c"}));

        m.db.closeLog();
        part(f, "444", QStringLiteral("d"));
        f.clock.advance(12000);
        QTRY_COMPARE(f.messages.messages.size(), 2);
        QVERIFY(m.db.openLog());
        QVERIFY(!m.close());
        QVERIFY(m.db.openLog());
        QCOMPARE(reci().last(), QStringLiteral("444:d"));
    }

    // Rows the log still refuses at closing wait in a file for the next
    // start; parts after the closing store are ignored.
    void rowsRefusedAtClosingAreStoredAtTheNextStart() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        m.db.closeLog();
        part(f, "111", QStringLiteral("a\nb"));
        f.clock.advance(12000);
        part(f, "222", QStringLiteral("c"));
        QVERIFY(!m.close());
        part(f, "333", QStringLiteral("late"));
        QVERIFY(QFile::exists(f.file(incomingtext::kUnsavedFile)));

        QVERIFY(m.db.openLog());
        ReceivedMessages next(m.context());
        QCOMPARE(reci(), (QStringList{"111:a\nb", "222:c"}));
        QVERIFY(!QFile::exists(f.file(incomingtext::kUnsavedFile)));
    }

    // Parts and ticks handled while the "not stored" box is up find the
    // earlier message already settled: none is held twice or loses its sender.
    void aPartArrivingWhileTheNoticeIsUpIsKeptOnce() {
        ProgramFixture f;
        f.startShown();
        f.main().db.closeLog();
        bool once = false;
        f.messages.onMessage = [&](const QString&) {
            if (std::exchange(once, true))
                return;
            part(f, "333", QStringLiteral("c")); // stores 222
            f.clock.advance(12000);              // stores 333
        };
        part(f, "111", QStringLiteral("a"));
        part(f, "222", QStringLiteral("b")); // stores 111: refused, the box comes up
        QTRY_VERIFY(once);
        QVERIFY(f.main().db.openLog());
        part(f, "444", QStringLiteral("d"));
        f.clock.advance(12000);
        QCOMPARE(reci(), (QStringList{"111:a", "222:b", "333:c", "444:d"}));
    }
};

QTEST_MAIN(ReceivedMessagesTest)
#include "test_received_messages.moc"
