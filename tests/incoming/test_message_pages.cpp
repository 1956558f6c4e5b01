// The inbox, the sent log and the phone message page as the operator uses
// them: choosing rows, deletes that take exactly the row chosen, the
// counts, and the phone list.
#include <QtTest>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include "ProgramFixture.h"
#include "app/TFormMain.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ui/ReplyMarkDelegate.h"
#include "incoming/ui/TFormUSSD.h"
#include "shell/Bidi.h"
#include "store/Database.h"
#include "store/OptOuts.h"
#include "store/Sql.h"
#include "store/Store.h"

namespace {
template <typename T> T* child(ProgramFixture& f, int page, const char* name) {
    f.main().selectPage(page);
    return f.main().page(page)->findChild<T*>(QString::fromLatin1(name));
}

void clickRow(QTableView* grid, int row) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 0)).center());
}

QStringList column(TableCursor& table, const char* name) {
    QStringList out;
    for (int r = 0; r < table.recordCount(); ++r)
        out << table.value(r, QString::fromLatin1(name)).toString();
    return out;
}

void received(ProgramFixture& f, std::initializer_list<const char*> numbers, const QString& matn) {
    for (const char* n : numbers)
        QVERIFY(store::appendReceived(f.main().db, QString::fromLatin1(n), {}, {}, matn));
    f.main().hooks.incoming.reopenReci();
}
} // namespace

class MessagePagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choosingANewMessageShowsItAndMarksItReadOnce() {
        ProgramFixture f;
        f.startShown();
        received(f, {"111"}, QStringLiteral("متن اول"));
        received(f, {"222"}, QStringLiteral("متن دوم"));
        auto* grid = child<QTableView>(f, 12, "DBGrid4");
        auto* memo = child<QPlainTextEdit>(f, 12, "Memo6");
        TableCursor& reci = f.main().db.ADOTable6;
        clickRow(grid, 1);
        QCOMPARE(memo->toPlainText(), QStringLiteral("متن دوم"));
        QCOMPARE(column(reci, "pos"), (QStringList{sql::kPosNew, sql::kPosRead}));
        QSignalSpy writes(&reci, &Cursor::rowsChanged);
        clickRow(grid, 1);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(memo->toPlainText(), QStringLiteral("متن اول"));
        QCOMPARE(writes.size(), 1); // the first row only
        QCOMPARE(column(reci, "pos"), (QStringList{sql::kPosRead, sql::kPosRead}));
    }

    // An opt-out or opt-in reply is told on its row, judged by the words
    // kept now; what is stored stays as it came.
    void inboxRowTellsAnOptOutReply() {
        ProgramFixture f;
        f.startShown();
        received(f, {"111"}, QStringLiteral(u" لغو ۱۱ "));
        received(f, {"222"}, QStringLiteral("12"));
        received(f, {"333"}, QStringLiteral(u"لغو نکنید"));
        auto* grid = child<QTableView>(f, 12, "DBGrid4");
        auto* marks = qobject_cast<ReplyMarkDelegate*>(grid->itemDelegateForColumn(3));
        QVERIFY(marks);
        auto shown = [&](int row) { return marks->shownText(grid->model()->index(row, 3)); };
        const QString status = grid->model()->index(0, 3).data().toString();
        QCOMPARE(shown(0), status + QStringLiteral(u" ، ") + incomingtext::kOptOutReplyMark);
        QCOMPARE(shown(1), status + QStringLiteral(u" ، ") + incomingtext::kOptInReplyMark);
        QCOMPARE(shown(2), status);
        QCOMPARE(column(f.main().db.ADOTable6, "matn"),
                 (QStringList{QStringLiteral(u" لغو ۱۱ "), "12", QStringLiteral(u"لغو نکنید")}));
        QCOMPARE(column(f.main().db.ADOTable6, "pos"),
                 (QStringList{sql::kPosNew, sql::kPosNew, sql::kPosNew}));
        QVERIFY(optouts::setWords({QStringLiteral(u"لغو نکنید")}));
        QCOMPARE(shown(0), status);
        QCOMPARE(shown(2), status + QStringLiteral(u" ، ") + incomingtext::kOptOutReplyMark);
    }

    void countsReadTheInboxAsItIs() {
        ProgramFixture f;
        f.startShown();
        auto* counts = child<QToolButton>(f, 12, "btnCounts");
        const QString expected = incomingtext::kCountTotal + QStringLiteral("%1\r\r") +
                                 incomingtext::kCountRead + QStringLiteral("%2\r\r") +
                                 incomingtext::kCountNew + QStringLiteral("%3");
        QTest::mouseClick(counts, Qt::LeftButton);
        received(f, {"1", "2", "3"}, QStringLiteral("x"));
        clickRow(child<QTableView>(f, 12, "DBGrid4"), 0);
        QTest::mouseClick(counts, Qt::LeftButton);
        QCOMPARE(f.messages.messages,
                 (QStringList{expected.arg(0).arg(0).arg(0), expected.arg(3).arg(1).arg(2)}));
    }

    // Among identical rows the one chosen goes, also after a message stored
    // meanwhile has rebuilt the grid; Cancel deletes nothing.
    void deleteTakesExactlyTheRowChosen() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        received(f, {"111", "222", "111"}, QStringLiteral("same"));
        auto* memo = child<QPlainTextEdit>(f, 12, "Memo6");
        auto* remove = child<QPushButton>(f, 12, "btnDelete");
        TableCursor& reci = m.db.ADOTable6;
        clickRow(child<QTableView>(f, 12, "DBGrid4"), 2);
        const qint64 twin = reci.rowid(0);
        f.messages.answers = {false};
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(reci.recordCount(), 3);
        QCOMPARE(memo->toPlainText(), QStringLiteral("same"));

        f.phone->raiseNewSms({1, 1, QStringLiteral("999"), QStringLiteral("new"), {}, {}, 0, 0});
        QCoreApplication::processEvents();
        m.hooks.incoming.sabre();
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(f.messages.questions.last(), incomingtext::kDeleteQuestion);
        QCOMPARE(column(reci, "num"), (QStringList{"111", "222", "999"}));
        QCOMPARE(reci.rowid(0), twin);
        QVERIFY(memo->toPlainText().isEmpty());

        // The sent log keeps to the same rule.
        for (int i = 0; i < 2; ++i)
            QVERIFY(store::appendSentLog(m.db, {QStringLiteral("g"), {}, {}, sql::kPosSent, {}}));
        m.hooks.incoming.reopenSend();
        TableCursor& send = m.db.ADOTable5;
        const qint64 first = send.rowid(0);
        clickRow(child<QTableView>(f, 11, "DBGrid3"), 1);
        QTest::mouseClick(child<QPushButton>(f, 11, "btnDelete"), Qt::LeftButton);
        QCOMPARE(send.recordCount(), 1);
        QCOMPARE(send.rowid(0), first);
    }

    // A second OK takes the row the choice moved on to, the one highlighted,
    // never the first row unseen.
    void repeatedDeletesFollowTheHighlightedRow() {
        ProgramFixture f;
        f.startShown();
        received(f, {"111", "222", "333", "444"}, QStringLiteral("same"));
        auto* grid = child<QTableView>(f, 12, "DBGrid4");
        auto* remove = child<QPushButton>(f, 12, "btnDelete");
        clickRow(grid, 1);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(grid->currentIndex().row(), 1);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(column(f.main().db.ADOTable6, "num"), (QStringList{"111", "444"}));
    }

    void phoneListReadsAtMostFiftyOneMessagesAndOnlyWhenConnected() {
        ProgramFixture f;
        f.startShown();
        for (int i = 0; i < 60; ++i)
            f.phone->stored.append({1, QString::number(i), {}, {}, i, {}, 1, 0, 0});
        auto* list = child<QTableWidget>(f, 3, "SMSList");
        auto* read = child<QPushButton>(f, 3, "btnReadAllSMS");
        list->setRowCount(2);
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(f.messages.messages, QStringList{incomingtext::kNotConnected});
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(f.phone->count(QStringLiteral("ReadAllSMS")), 0);

        f.main().findChild<QWidget*>(QStringLiteral("btnConnect"))->setEnabled(false);
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(list->rowCount(), 51);
        QCOMPARE(f.phone->count(QStringLiteral("ReadAllSMS")), 51);
        QCOMPARE(list->item(50, 0)->text() + u'|' + list->item(50, 7)->text(),
                 QStringLiteral("51|50"));

        // A device failure part way: the rows read stay, the operator is told.
        f.phone->script(QStringLiteral("ReadAllSMS"), {1, 1, -1});
        QTest::mouseClick(read, Qt::LeftButton);
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(f.messages.messages.last(), incomingtext::kReadFailed);
    }

    // Numbers, dates and codes are shown left to right in the log grids and
    // the USSD answer, while what is stored, read back and sent again is
    // the text as it was, without a mark.
    void shownLeftToRightKeptAsStored() {
        ProgramFixture f;
        f.startShown();
        TFormMain& m = f.main();
        const store::SentLogRow row{QStringLiteral("+989123333333"), QStringLiteral("09:30"),
                                    QStringLiteral("1405 / 09 / 19"), sql::kPosSent,
                                    QString::fromUtf16(u"کد *140# را بزنید")};
        QVERIFY(store::appendSentLog(m.db, row));
        m.hooks.incoming.reopenSend();
        auto* grid = child<QTableView>(f, 11, "DBGrid3");
        const QStringList stored{row.num, row.time, row.date};
        for (int c = 0; c < 3; ++c) {
            const QModelIndex cell = grid->model()->index(0, c);
            QCOMPARE(cell.data().toString(), stored[c]);
            const auto* delegate =
                qobject_cast<QStyledItemDelegate*>(grid->itemDelegateForIndex(cell));
            QVERIFY(delegate);
            QCOMPARE(delegate->displayText(cell.data(), QLocale()),
                     bidi::isolateLtrRuns(stored[c]));
        }

        clickRow(grid, 0);
        QTest::mouseClick(child<QPushButton>(f, 11, "btnSendAgain"), Qt::LeftButton);
        QCOMPARE(m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))->toPlainText(),
                 row.matn);
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kLog)));
        QVERIFY(q.exec(QStringLiteral("select num, time, date, matn from send")) && q.next());
        QCOMPARE((QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toString()}),
                 (QStringList{row.num, row.time, row.date, row.matn}));

        // The USSD answer box shows the code isolated; the answer read back
        // is the network's text.
        TFormUSSD ussd;
        const QString answer = QString::fromUtf16(u"موجودی 1200 ریال، شارژ با *140#");
        ussd.setAnswer(answer);
        QCOMPARE(ussd.answer(), answer);
        QCOMPARE(ussd.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText(),
                 bidi::isolateLtrRuns(answer));
    }
};

QTEST_MAIN(MessagePagesTest)
#include "test_message_pages.moc"
