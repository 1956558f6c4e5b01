#include "store/OptOuts.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "store/ContactExport.h"
#include "store/ContactFields.h"
#include "store/ContactReader.h"
#include "store/Database.h"
#include "store/PhoneNumberCleaner.h"

namespace optouts {

namespace {
const QString kCreate =
    QStringLiteral("create table if not exists optout(num varchar(16) primary key,added integer)");
const QString kInsert = QStringLiteral("insert or ignore into optout(num,added) values(?,(select "
                                       "coalesce(max(added),0)+1 from optout))");
const QString kDelete = QStringLiteral("delete from optout where num=?");
const QString kFind = QStringLiteral("select count(*) from optout where num=?");
const QString kAll = QStringLiteral("select num from optout order by added");
const QString kWordsTable = QStringLiteral("optoutword");

QSqlDatabase contacts() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
}

StoreResult run(const QString& statement, const QVariantList& values, QSqlQuery* out = nullptr) {
    QSqlDatabase db = contacts();
    if (!db.isOpen())
        return StoreResult::failure(QStringLiteral("database not open"));
    QSqlQuery q(db);
    if (!q.exec(kCreate))
        return StoreResult::failure(q.lastError().text());
    if (!q.prepare(statement))
        return StoreResult::failure(q.lastError().text());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        return StoreResult::failure(q.lastError().text());
    if (out)
        *out = std::move(q);
    return {};
}

QString replyKey(const QString& text) {
    QString out;
    for (QChar c : contactfields::foldDigits(text.trimmed()).toLower()) {
        if (!c.isSpace() && c != QChar(u'\u200C'))
            out += c;
    }
    return out;
}

bool matches(const QString& key, const QStringList& words) {
    for (const QString& w : words) {
        if (!key.isEmpty() && key == replyKey(w))
            return true;
    }
    return false;
}
} // namespace

QString key(const QString& number) {
    const PhoneNumberCleaner::Result r =
        PhoneNumberCleaner(QStringLiteral("IR"), false).clean(number);
    return r.ok() ? r.number : PhoneNumberCleaner::digitsOnly(number.trimmed());
}

StoreResult ensureTable() {
    return run(QStringLiteral("select 1"), {});
}

StoreResult add(const QString& number) {
    const QString k = key(number);
    if (k.isEmpty())
        return StoreResult::failure(QStringLiteral("not a number"));
    return run(kInsert, {k});
}

StoreResult remove(const QString& number) {
    return run(kDelete, {key(number)});
}

bool isOptedOut(const QString& number) {
    QSqlQuery q;
    return run(kFind, {key(number)}, &q) && q.next() && q.value(0).toInt() > 0;
}

QSet<QString> load() {
    const QStringList list = all();
    return QSet<QString>(list.cbegin(), list.cend());
}

QStringList all() {
    QStringList out;
    QSqlQuery q;
    if (!run(kAll, {}, &q))
        return out;
    while (q.next())
        out << q.value(0).toString();
    return out;
}

StoreResult importFrom(ContactReader& reader, int column, int* added) {
    *added = 0;
    QSqlDatabase db = contacts();
    StoreResult r = ensureTable();
    if (!r)
        return r;
    if (!db.transaction())
        return StoreResult::failure(db.lastError().text());
    QSqlQuery q(db);
    if (!q.prepare(kInsert)) {
        db.rollback();
        return StoreResult::failure(q.lastError().text());
    }
    const PhoneNumberCleaner cleaner(QStringLiteral("IR"), false);
    QStringList cells;
    while (reader.next(&cells)) {
        for (int i = 0; i < cells.size(); ++i) {
            if (column >= 0 && i != column)
                continue;
            const PhoneNumberCleaner::Result c = cleaner.clean(contactexport::unguard(cells.at(i)));
            if (!c.ok())
                continue;
            q.addBindValue(c.number);
            if (!q.exec()) {
                db.rollback();
                *added = 0;
                return StoreResult::failure(q.lastError().text());
            }
            *added += q.numRowsAffected() > 0;
        }
    }
    if (!reader.error().isEmpty()) {
        db.rollback();
        *added = 0;
        return StoreResult::failure(reader.error());
    }
    if (!db.commit())
        return StoreResult::failure(db.lastError().text());
    return {};
}

bool exportTo(const QString& path, QString* error) {
    contactexport::CsvWriter out(path);
    if (!out.open(error))
        return false;
    for (const QString& n : all())
        out.write({n});
    return out.commit(error);
}

QStringList defaultWords() {
    return {QStringLiteral("11"), QStringLiteral(u"لغو"), QStringLiteral(u"لغو 11"),
            QStringLiteral(u"لغو۱۱"), QStringLiteral("stop")};
}

QStringList defaultOptInWords() {
    return {QStringLiteral("12")};
}

Reply classify(const QString& text, const QStringList& optOutWords, const QStringList& optInWords) {
    const QString k = replyKey(text);
    if (matches(k, optOutWords))
        return Reply::OptOut;
    if (matches(k, optInWords))
        return Reply::OptIn;
    return Reply::Other;
}

QStringList words() {
    QSqlDatabase db = contacts();
    if (!db.isOpen() || !db.tables().contains(kWordsTable))
        return defaultWords();
    QStringList out;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select word from optoutword order by pos")))
        return defaultWords();
    while (q.next())
        out << q.value(0).toString();
    return out;
}

StoreResult setWords(const QStringList& list) {
    QSqlDatabase db = contacts();
    if (!db.isOpen())
        return StoreResult::failure(QStringLiteral("database not open"));
    if (!db.transaction())
        return StoreResult::failure(db.lastError().text());
    QSqlQuery q(db);
    auto fail = [&] {
        const QString error = q.lastError().text();
        db.rollback();
        return StoreResult::failure(error);
    };
    if (!q.exec(QStringLiteral(
            "create table if not exists optoutword(pos integer primary key,word text not null)")) ||
        !q.exec(QStringLiteral("delete from optoutword")) ||
        !q.prepare(QStringLiteral("insert into optoutword(word) values(?)")))
        return fail();
    for (const QString& w : list) {
        if (w.trimmed().isEmpty())
            continue;
        q.addBindValue(w.trimmed());
        if (!q.exec())
            return fail();
    }
    if (!db.commit())
        return StoreResult::failure(db.lastError().text());
    return {};
}

Reply takeReply(const QString& sender, const QString& text) {
    const Reply reply = classify(text, words());
    if (reply == Reply::OptOut)
        add(sender);
    else if (reply == Reply::OptIn)
        remove(sender);
    return reply;
}

} // namespace optouts
