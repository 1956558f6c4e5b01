// The databases stop taking writes in the middle of a group run, while a
// received message waits to be stored: the disk is full (SQLite's page limit
// reached, every table the run writes filled to its last byte) or the file
// has become read-only (query_only). The operator is told about each thing
// that was not kept, nothing stored before is lost, and the received message
// is stored once the databases take writes again.
#include <QtTest>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "../sending/SendTestSupport.h"
#include "ReliabilitySupport.h"
#include "incoming/IncomingTexts.h"
#include "sending/ui/SendProgressWindow.h"
#include "sending/SendRunTexts.h"
#include "app/ProgramRoot.h"
#include "store/ui/GroupPicker.h"
#include "store/Sql.h"

using namespace sendtest;

namespace {
constexpr int kMembers = 30;
const QString kGroup = QStringLiteral("storage");

QSqlDatabase logDb() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kLog), false);
}

// A message arrives while no call waits: the control hands it on from the
// event loop.
void receive(ProgramFixture& f, const QString& from, const QString& text) {
    f.phone->raiseNewSms({0, 0, from, text, {}, {}, 0, 0});
    QCoreApplication::processEvents();
}

QString number(int i) {
    return QStringLiteral("0912500%1").arg(i, 4, 10, QChar(u'0'));
}

bool refused(int i) {
    return i % 3 == 0;
}

bool exec(QSqlDatabase db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    return q.exec();
}

// Rows of one column, in order, the filler of a full disk left out.
QStringList column(QSqlDatabase db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    QStringList out;
    while (q.next()) {
        if (!q.value(0).toString().startsWith(QLatin1String("fill")))
            out << q.value(0).toString();
    }
    return out;
}

// No page may be added, and the pages there are hold no room for another
// row of the table: rows of shrinking size go in until even one byte fails.
void fill(QSqlDatabase db, const QString& table, const QString& textColumn) {
    QSqlQuery q(db);
    q.exec(QStringLiteral("pragma page_count"));
    q.next();
    exec(db, QStringLiteral("pragma max_page_count=%1").arg(q.value(0).toLongLong()));
    const QString insert =
        QStringLiteral("insert into \"%1\"(num,%2) values('fill',?)").arg(table, textColumn);
    for (int size = 2048; size >= 1; size /= 2) {
        while (exec(db, insert, {QString(size, u'x')})) {
        }
    }
}

void makeFull(QSqlDatabase db, const QStringList& tables, const QString& textColumn) {
    for (const QString& t : tables)
        fill(db, t, textColumn);
}

void release(QSqlDatabase db) {
    if (!exec(db, QStringLiteral("pragma query_only=0")) ||
        !exec(db, QStringLiteral("pragma max_page_count=1073741823")))
        qWarning("not released: %s", qPrintable(db.lastError().text()));
}
} // namespace

class RelStorageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesRefusedDuringARun() {
        const int n = reliability::trials(2, 12);
        QRandomGenerator random(reliability::seed("storage"));
        reliability::Counts counts;
        for (int trial = 0; trial < n; ++trial) {
            const bool full = trial % 2 == 0;
            // Failures both before and after: members 3 and 30 are refused.
            const int switchAt = 4 + int(random.bounded(quint32(kMembers - 8)));
            reliability::Watchdog watchdog("storage", counts, 120);
            ProgramFixture f;
            f.startShown();
            TFormMain& m = f.main();
            setConnected(f, true);
            QList<Member> members;
            for (int i = 1; i <= kMembers; ++i) {
                members.append({QStringLiteral("N%1").arg(i), {}, number(i)});
                if (refused(i))
                    f.phone->script(QStringLiteral("SendSMS"), number(i), {0});
            }
            addGroup(f, kGroup, members);
            // Stored before: a received message and a run's log row.
            receive(f, QStringLiteral("+98911"), QStringLiteral("earlier"));
            f.clock.advance(12000);
            store::SentLogRow row{QStringLiteral("0912"), QStringLiteral("09:00"),
                                  QStringLiteral("1389 / 01 / 01"), sql::kPosSent,
                                  QStringLiteral("earlier")};
            QVERIFY(store::appendSentLog(m.db, row));

            m.selectPage(7);
            m.pageEntry();
            m.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
            QVERIFY(m.findChild<GroupPicker*>(QStringLiteral("DBLookupComboBox1"))->choose(kGroup));
            m.findChild<QCheckBox*>(QStringLiteral("CheckBox7"))->setChecked(false);
            m.findChild<QPlainTextEdit*>(QStringLiteral("tmSMSText"))
                ->setPlainText(QStringLiteral("hi **"));
            f.messages.clear();

            QStringList keptBefore;
            int member = 0;
            QString last;
            f.phone->duringCall = [&](const QString& op) {
                const QString num = f.phone->calls.last().args.value(0).toString();
                if (op != QLatin1String("SendSMS") || num == last)
                    return;
                last = num;
                ++member;
                if (member == switchAt) {
                    keptBefore = failedNumbers();
                    if (full) {
                        makeFull(contacts(), {QStringLiteral("nosend")}, QStringLiteral("name"));
                        makeFull(logDb(), {QStringLiteral("send"), QStringLiteral("reci")},
                                 QStringLiteral("matn"));
                    } else {
                        exec(contacts(), QStringLiteral("pragma query_only=1"));
                        exec(logDb(), QStringLiteral("pragma query_only=1"));
                    }
                    f.phone->raiseNewSms(
                        {0, 0, QStringLiteral("+98912"), QStringLiteral("during"), {}, {}, 0, 0});
                } else if (member == switchAt + 1) {
                    f.clock.advance(12000);
                }
            };
            QTest::mouseClick(m.findChild<QWidget*>(QStringLiteral("btnSend")), Qt::LeftButton);
            f.waitForSendRun();
            f.phone->duringCall = nullptr;
            QCoreApplication::processEvents();
            const QStringList told = f.messages.all();
            const bool runEnded = m.isVisible() && !f.program().Form1->isVisible() &&
                                  m.context().timer(ShellTimer::DeviceRefresh).isActive();

            release(contacts());
            release(logDb());
            receive(f, QStringLiteral("+98913"), QStringLiteral("after"));
            f.clock.advance(12000);

            ++counts.trials;
            const QStringList kept = failedNumbers();
            const QStringList received =
                column(logDb(), QStringLiteral("select num||':'||matn from reci order by rowid"));
            const QStringList logged =
                column(logDb(), QStringLiteral("select matn from send order by rowid"));
            const bool keptEarlier = kept.mid(0, keptBefore.size()) == keptBefore &&
                                     !keptBefore.isEmpty() &&
                                     logged.value(0) == QLatin1String("earlier");
            const bool receivedKept = received == QStringList{QStringLiteral("+98911:earlier"),
                                                              QStringLiteral("+98912:during"),
                                                              QStringLiteral("+98913:after")};
            if (!keptEarlier || !receivedKept)
                ++counts.lost;
            auto toldOf = [&told](const QString& text) {
                return std::any_of(told.begin(), told.end(),
                                   [&text](const QString& t) { return t.startsWith(text); });
            };
            const bool operatorTold = toldOf(incomingtext::kNotStored) &&
                                      toldOf(sendtext::kLogNotWritten) &&
                                      toldOf(sendtext::kFailedNotKept);
            if (!operatorTold || !runEnded)
                ++counts.faults;
            for (const QString& db : {Database::kContactsFile, Database::kLogFile}) {
                if (reliability::integrity(f.file(db)) != QLatin1String("ok"))
                    ++counts.integrity;
            }
            qInfo("trial %d: %s from member %d: %d kept before, %d after; received %s; told %s",
                  trial, full ? "disk full" : "read-only", switchAt, int(keptBefore.size()),
                  int(kept.size()), qPrintable(received.join(u',')),
                  qPrintable(told.join(QStringLiteral(" | "))));
        }
        reliability::report("storage", counts);
        QVERIFY(counts.clean());
    }
};

QTEST_MAIN(RelStorageTest)
#include "test_rel_storage.moc"
