#pragma once

// Helpers shared by the contact store's page tests.

#include <QtTest>

#include <QAbstractButton>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "ProgramFixture.h"
#include "app/TFormMain.h"
#include "store/ui/GroupPicker.h"

namespace storetest {

// Runs statements on a database file through a connection of the test's
// own (the program may have the file open at the same time). Returns the
// rows of the last statement, each value as text ("<null>" for no value).
inline QList<QStringList> sqlRows(const QString& file, const QStringList& statements) {
    QList<QStringList> out;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("storetest"));
        db.setDatabaseName(file);
        if (db.open()) {
            for (const QString& s : statements) {
                QSqlQuery q(db);
                if (!q.exec(s))
                    qWarning("%s: %s", qPrintable(s), qPrintable(q.lastError().text()));
                out.clear();
                while (q.next()) {
                    QStringList row;
                    for (int i = 0; i < q.record().count(); ++i)
                        row.append(q.value(i).isNull() ? QStringLiteral("<null>")
                                                       : q.value(i).toString());
                    out.append(row);
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("storetest"));
    return out;
}

inline QList<QStringList> sqlRows(const QString& file, const QString& statement) {
    return sqlRows(file, QStringList{statement});
}

// The first value of each row of one statement, and of its first row.
inline QStringList sqlColumn(const QString& file, const QString& statement) {
    QStringList out;
    for (const QStringList& row : sqlRows(file, statement))
        out.append(row.value(0));
    return out;
}

inline QString sqlScalar(const QString& file, const QString& statement) {
    return sqlColumn(file, statement).value(0);
}

inline QString korms(const ProgramFixture& f) {
    return f.file(QStringLiteral("korms.dll"));
}

template <typename T> T* widget(const ProgramFixture& f, const char* name) {
    T* w = f.main().findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qWarning("no widget %s", name);
    return w;
}

inline void click(QAbstractButton* button) {
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void click(const ProgramFixture& f, const char* name) {
    click(widget<QAbstractButton>(f, name));
}

// Creates a group through the members-entry page.
inline void createGroup(ProgramFixture& f, const QString& name) {
    widget<QLineEdit>(f, "Edit4")->setText(name);
    click(f, "btnCreateGroup");
}

inline bool choose(const ProgramFixture& f, const char* picker, const QString& name) {
    return widget<GroupPicker>(f, picker)->choose(name);
}

// Appends member rows to a member table directly: each row is
// (id, name, family, num, tart, targ), "" standing for no value.
inline void insertMembers(const ProgramFixture& f, const QString& table,
                          const QList<QStringList>& rows) {
    QStringList statements{QStringLiteral("begin")};
    for (const QStringList& r : rows) {
        QStringList values;
        for (const QString& v : r)
            values.append(v.isEmpty() ? QStringLiteral("null")
                                      : QLatin1Char('\'') + v + QLatin1Char('\''));
        statements.append(QStringLiteral("insert into \"%1\"(id,name,family,num,tart,targ) "
                                         "values(%2)")
                              .arg(table, values.join(QLatin1Char(','))));
    }
    statements.append(QStringLiteral("commit"));
    sqlRows(korms(f), statements);
}

} // namespace storetest
