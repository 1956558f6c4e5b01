#pragma once

// Groups, members and the connected state for the send run's tests.

#include <QtTest>

#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "FakeSendForm.h"
#include "ProgramFixture.h"
#include "app/TFormMain.h"
#include "sending/ProgressView.h"
#include "shell/TextFile.h"
#include "store/Database.h"
#include "store/Store.h"

namespace sendtest {

struct Member {
    QVariant name;
    QVariant family;
    QString num;
    QVariant tart = {};
};

inline QSqlDatabase contacts() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
}

// A group with its members in the given order; the group list reopened.
inline QString addGroup(ProgramFixture& f, const QString& name, const QList<Member>& members) {
    int code = 0;
    Database& db = f.main().db;
    if (!store::createGroup(db, name, &code))
        qWarning("group %s not created", qPrintable(name));
    QSqlQuery q(contacts());
    contacts().transaction();
    q.prepare(
        QStringLiteral("insert into \"%1\"(id,name,family,num,tart) values(?,?,?,?,?)").arg(code));
    int id = 0;
    for (const Member& m : members) {
        q.addBindValue(++id);
        q.addBindValue(m.name);
        q.addBindValue(m.family);
        q.addBindValue(m.num);
        q.addBindValue(m.tart);
        if (!q.exec())
            qWarning("member not added");
    }
    contacts().commit();
    db.ADOQuery1.close();
    db.ADOQuery1.open();
    return QString::number(code);
}

// n members "Name<i>" "Family<i>" with numbers 0912000<i>, i from 1.
inline QList<Member> numbered(int n, const QString& prefix = QStringLiteral("0912000")) {
    QList<Member> out;
    for (int i = 1; i <= n; ++i)
        out.append({QStringLiteral("Name%1").arg(i), QStringLiteral("Family%1").arg(i),
                    prefix + QString::number(i)});
    return out;
}

inline QString member(const QString& prefix, int i) {
    return prefix + QString::number(i);
}

// The failed-number table's numbers, in order.
inline QStringList failedNumbers() {
    QSqlQuery q(contacts());
    q.exec(QStringLiteral("select num from nosend order by rowid"));
    QStringList out;
    while (q.next())
        out.append(q.value(0).toString());
    return out;
}

inline QList<QStringList> sentLog() {
    QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(Database::kLog), false));
    q.exec(QStringLiteral("select num,time,date,pos,matn from send order by rowid"));
    QList<QStringList> out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 5; ++i)
            row.append(q.value(i).toString());
        out.append(row);
    }
    return out;
}

inline void setConnected(ProgramFixture& f, bool on) {
    f.main().findChild<QPushButton*>(QStringLiteral("btnConnect"))->setEnabled(!on);
}

// The program started and taken as connected, with the group "g" of n
// members (none added on the folder of an earlier fixture, which has it)
// chosen on a scripted send page, error control off.
inline std::unique_ptr<FakeSendForm> groupRunForm(ProgramFixture& f, int members,
                                                  const QString& prefix) {
    f.start();
    auto form = std::make_unique<FakeSendForm>(f.main().db);
    setConnected(f, true);
    if (members > 0)
        addGroup(f, QStringLiteral("g"), numbered(members, prefix));
    form->composer = QStringLiteral("salam **");
    form->mode = RecipientMode::OneGroup;
    form->group = QStringLiteral("g");
    form->control = false;
    return form;
}

inline QString fileText(const ProgramFixture& f, const QString& name) {
    QString text;
    return textfile::read(f.file(name), &text) ? text : QStringLiteral("<missing>");
}

// Numbers given to SendSMS, in order, first and second attempts alike.
inline QStringList sentTo(const ScriptedPhone& phone) {
    QStringList out;
    for (const auto& c : phone.callsOf(QStringLiteral("SendSMS")))
        out.append(c.args.value(0).toString());
    return out;
}

// The progress window as the run sees it, every step logged.
class RecordingView : public ProgressView {
public:
    RunFlags flags;
    QStringList log;
    QString title;
    QString sent = QStringLiteral("0");
    QString contacts = QStringLiteral("0");
    bool shown = false;
    int closes = 0;
    // Flags as they were at the first accepted close.
    RunFlags closedWith;

    RunFlags& runFlags() override { return flags; }
    void setGaugeMaximum(int) override {}
    void setGaugeProgress(int) override {}
    void setTitle(const QString& t) override {
        title = t;
        log << QStringLiteral("title ") + t;
    }
    void setSentCount(const QString& c) override { sent = c; }
    QString sentCount() const override { return sent; }
    void setContactCount(const QString& c) override { contacts = c; }
    QString contactCount() const override { return contacts; }
    void showProgress() override { shown = true; }
    QString runCounts;
    void setRunCounts(const QString& text) override { runCounts = text; }
    QString optedOut;
    void setOptedOutCount(const QString& text) override { optedOut = text; }
    QString links;
    void setLinkStates(const QString& text) override { links = text; }
    QString pauseNote;
    void setPauseNote(const QString& text) override { pauseNote = text; }
    void closeProgress() override {
        if (!flags.finished) {
            log << QStringLiteral("close refused");
            return;
        }
        if (closes++ == 0)
            closedWith = flags;
        shown = false;
        log << QStringLiteral("closed");
    }
};

} // namespace sendtest
