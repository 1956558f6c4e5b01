// The opt-out list: replies that opt out and back in, numbers listed in one
// form whichever way they were written, and the list kept in the contacts
// database.
#include <QtTest>

#include "store/Database.h"
#include "store/OptOuts.h"

using Reply = optouts::Reply;
Q_DECLARE_METATYPE(optouts::Reply)

class TestOptOuts : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    Database m_db;

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(m_db.open(m_dir.path() + QLatin1Char('/'), &error), qPrintable(error));
    }
    void init() {
        for (const QString& n : optouts::all())
            QVERIFY(optouts::remove(n));
    }

    void replies_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reply>("reply");
        QTest::newRow("11") << "11" << Reply::OptOut;
        QTest::newRow("persian 11") << QStringLiteral(u"۱۱") << Reply::OptOut;
        QTest::newRow("arabic-indic 11") << QStringLiteral(u"١١") << Reply::OptOut;
        QTest::newRow("lagv") << QStringLiteral(u"لغو") << Reply::OptOut;
        QTest::newRow("lagv 11 with blanks") << QStringLiteral(u"  لغو   11 \n") << Reply::OptOut;
        QTest::newRow("lagv11 persian digits") << QStringLiteral(u"لغو۱۱") << Reply::OptOut;
        QTest::newRow("STOP") << "STOP" << Reply::OptOut;
        QTest::newRow("12 opts back in") << QStringLiteral(u"۱۲") << Reply::OptIn;
        QTest::newRow("a sentence with lagv") << QStringLiteral(u"لغو نکنید لطفا") << Reply::Other;
        QTest::newRow("111") << "111" << Reply::Other;
        QTest::newRow("empty") << "" << Reply::Other;
    }
    void replies() {
        QFETCH(QString, text);
        QFETCH(Reply, reply);
        QCOMPARE(optouts::classify(text), reply);
    }

    void editedWordList() {
        const QStringList words{QStringLiteral(u"انصراف")};
        QCOMPARE(optouts::classify(QStringLiteral(u"انصراف"), words), Reply::OptOut);
        QCOMPARE(optouts::classify(QStringLiteral("11"), words), Reply::Other);
    }

    // The operator's list is what replies are judged by, and it is still
    // there after the database is opened again; saved empty it stays empty.
    void storedWordListJudgesReplies() {
        const QString sender = QStringLiteral("09121234567");
        QCOMPARE(optouts::words(), optouts::defaultWords());
        QVERIFY(optouts::setWords({QStringLiteral(u" انصراف "), QString(), QStringLiteral("off")}));
        m_db.closeContacts();
        QVERIFY(m_db.openContacts());
        QCOMPARE(optouts::words(), (QStringList{QStringLiteral(u"انصراف"), QStringLiteral("off")}));
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("11")), Reply::Other);
        QVERIFY(!optouts::isOptedOut(sender));
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("OFF")), Reply::OptOut);
        QVERIFY(optouts::isOptedOut(sender));
        QVERIFY(optouts::setWords({}));
        QVERIFY(optouts::words().isEmpty());
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("off")), Reply::Other);
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("12")), Reply::OptIn);
        QVERIFY(optouts::setWords(optouts::defaultWords()));
    }

    void oneEntryWhateverTheForm() {
        QVERIFY(optouts::add(QStringLiteral("+98 912 345 6789")));
        QVERIFY(optouts::add(QStringLiteral(u"۰۹۱۲۳۴۵۶۷۸۹")));
        QCOMPARE(optouts::all(), QStringList{QStringLiteral("09123456789")});
        QVERIFY(optouts::isOptedOut(QStringLiteral("9123456789")));
        QVERIFY(optouts::load().contains(optouts::key(QStringLiteral("00989123456789"))));
        QVERIFY(!optouts::isOptedOut(QStringLiteral("09351234567")));
        QVERIFY(!optouts::add(QStringLiteral("not a number")));
        QVERIFY(optouts::remove(QStringLiteral("+989123456789")));
        QVERIFY(optouts::all().isEmpty());
    }

    void replyListsAndUnlistsTheSender() {
        const QString sender = QStringLiteral("+989123456789");
        QCOMPARE(optouts::takeReply(sender, QStringLiteral(u"لغو 11")), Reply::OptOut);
        QVERIFY(optouts::isOptedOut(QStringLiteral("09123456789")));
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("hello")), Reply::Other);
        QVERIFY(optouts::isOptedOut(sender));
        QCOMPARE(optouts::takeReply(sender, QStringLiteral("12")), Reply::OptIn);
        QVERIFY(!optouts::isOptedOut(sender));
    }
};

QTEST_GUILESS_MAIN(TestOptOuts)
#include "test_opt_outs.moc"
