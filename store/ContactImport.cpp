#include "store/ContactImport.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "store/ContactExport.h"
#include "store/ContactReader.h"
#include "store/Database.h"
#include "store/ImportTexts.h"
#include "store/PhoneNumberCleaner.h"
#include "store/Sql.h"

namespace {
// Rows between two progress calls: often enough for a smooth bar and a
// quick cancel, rare enough to cost nothing.
constexpr qint64 kProgressEvery = 500;

QString cell(const QStringList& cells, int column) {
    if (column < 0 || column >= cells.size())
        return {};
    return contactexport::unguard(cells.at(column)).trimmed();
}

QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// The database's reason, for the report.
QString why(const QSqlQuery& q) {
    return q.lastError().text();
}
} // namespace

QString ImportReport::text() const {
    using namespace importtext;
    QStringList lines;
    if (cancelled)
        lines << kReportCancelled;
    else if (!error.isEmpty())
        lines << kReportFailed << error;
    auto line = [&lines](const QString& label, qint64 n) {
        lines << label + QStringLiteral(": ") + QString::number(n);
    };
    line(kReportRows, rows);
    line(kReportImported, imported);
    line(kReportCleaned, cleaned);
    line(kReportRefused, refused);
    line(kReportEmpty, empty);
    line(kReportDupFile, duplicatesInFile);
    line(kReportDupGroup, duplicatesInGroup);
    line(kReportDupSkipped, duplicatesSkipped);
    line(kReportDupKept, duplicatesKept);
    line(kReportDupMerged, duplicatesMerged);
    line(kReportBadDates, badDates);
    for (const RefusedRow& r : refusedRows)
        lines << kReportLine + QLatin1Char(' ') + QString::number(r.line) + QStringLiteral(": ") +
                     r.reason + QStringLiteral(" (") + r.cells.join(QStringLiteral(" | ")) +
                     QLatin1Char(')');
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString ImportReport::json() const {
    QJsonArray refusedList;
    for (const RefusedRow& r : refusedRows)
        refusedList.append(
            QJsonObject{{QStringLiteral("line"), r.line},
                        {QStringLiteral("reason"), r.reason},
                        {QStringLiteral("cells"), QJsonArray::fromStringList(r.cells)}});
    const QJsonObject o{{QStringLiteral("rows"), rows},
                        {QStringLiteral("imported"), imported},
                        {QStringLiteral("cleaned"), cleaned},
                        {QStringLiteral("refused"), refused},
                        {QStringLiteral("empty"), empty},
                        {QStringLiteral("duplicatesInFile"), duplicatesInFile},
                        {QStringLiteral("duplicatesInGroup"), duplicatesInGroup},
                        {QStringLiteral("duplicatesSkipped"), duplicatesSkipped},
                        {QStringLiteral("duplicatesKept"), duplicatesKept},
                        {QStringLiteral("duplicatesMerged"), duplicatesMerged},
                        {QStringLiteral("badDates"), badDates},
                        {QStringLiteral("cancelled"), cancelled},
                        {QStringLiteral("error"), error},
                        {QStringLiteral("refusedRows"), refusedList}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
}

bool ImportReport::saveRefused(const QString& path, QString* why) const {
    contactexport::CsvWriter out(path);
    if (!out.open(why))
        return false;
    for (const RefusedRow& r : refusedRows)
        out.write(r.cells +
                  QStringList{importtext::kReportReason + QStringLiteral(": ") + r.reason});
    return out.commit(why);
}

ContactImport::ContactImport(Database& db, const ImportOptions& options)
    : m_db(db), m_options(options) {}

ImportReport ContactImport::intoGroup(ContactReader& reader, const QString& gcode,
                                      const Progress& progress) {
    return run(reader, gcode, QString(), progress);
}

ImportReport ContactImport::intoNewGroup(ContactReader& reader, const QString& name,
                                         const Progress& progress) {
    return run(reader, QString(), name, progress);
}

ImportReport ContactImport::run(ContactReader& reader, const QString& existing,
                                const QString& newGroup, const Progress& progress) {
    ImportReport report;
    QSqlDatabase c = QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
    if (!c.isOpen() || !c.transaction()) {
        report.error = c.isOpen() ? c.lastError().text() : QStringLiteral("database not open");
        return report;
    }
    auto abandon = [&](const QString& error) {
        c.rollback();
        report.error = error;
        report.imported = report.duplicatesMerged = report.duplicatesKept = 0;
        return report;
    };

    QString gcode = existing;
    QSqlQuery q(c);
    if (!newGroup.isNull()) {
        if (!q.prepare(sql::kCountGroupName))
            return abandon(why(q));
        q.addBindValue(newGroup);
        if (!q.exec() || !q.next())
            return abandon(why(q));
        if (q.value(0).toInt() > 0)
            return abandon(QStringLiteral(u"نام وارد شده از قبل موجود می باشد"));
        if (!q.exec(sql::kNextGroupCode) || !q.next())
            return abandon(why(q));
        const int code = q.value(0).isNull() ? 1 : q.value(0).toInt();
        gcode = QString::number(code);
        if (!q.prepare(sql::kInsertGroup))
            return abandon(why(q));
        q.addBindValue(newGroup);
        q.addBindValue(gcode);
        q.addBindValue(code);
        if (!q.exec() || !q.exec(sql::createMemberTable(gcode)) ||
            !q.exec(sql::createMemberIndex(gcode)))
            return abandon(why(q));
    } else if (!c.tables().contains(gcode)) {
        return abandon(QStringLiteral("no member table ") + gcode);
    }
    report.gcode = gcode;

    const PhoneNumberCleaner cleaner(m_options.region, m_options.mobileOnly);
    // The group's numbers, in clean form where they have one, with the row
    // a merge writes to.
    QHash<QString, qint64> inGroup;
    if (!q.exec(sql::memberNumbers(gcode)))
        return abandon(why(q));
    while (q.next()) {
        const QString stored = q.value(1).toString();
        const PhoneNumberCleaner::Result r = cleaner.clean(stored);
        inGroup.insert(r.ok() ? r.number : stored, q.value(0).toLongLong());
    }
    q.finish();
    QString idError;
    qint64 nextId = newGroup.isNull() ? m_db.nextMemberId(gcode, &idError) : 1;
    if (nextId < 0)
        return abandon(idError);

    QSqlQuery insert(c);
    QSqlQuery merge(c);
    if (!insert.prepare(sql::insertMember(gcode)))
        return abandon(why(insert));
    if (!merge.prepare(sql::mergeMember(gcode)))
        return abandon(why(merge));

    const ColumnMap& map = m_options.map;
    QHash<QString, qint64> inFile;
    QStringList cells;
    bool header = m_options.firstRowIsHeader;
    while (reader.next(&cells)) {
        if (header) {
            header = false;
            continue;
        }
        ++report.rows;
        if (progress && report.rows % kProgressEvery == 0 && !progress(reader.progress())) {
            c.rollback();
            report.cancelled = true;
            report.imported = report.duplicatesMerged = report.duplicatesKept = 0;
            return report;
        }
        if (std::all_of(cells.cbegin(), cells.cend(),
                        [](const QString& s) { return s.trimmed().isEmpty(); })) {
            ++report.empty;
            continue;
        }
        const QString written = cell(cells, map.number);
        const PhoneNumberCleaner::Result clean = cleaner.clean(written);
        if (!clean.ok()) {
            ++report.refused;
            const QString reason =
                clean.status == PhoneNumberCleaner::Status::Landline ? importtext::kLandline
                : clean.status == PhoneNumberCleaner::Status::Empty  ? importtext::kNoNumber
                                                                     : importtext::kInvalidNumber;
            report.refusedRows.append({reader.line(), cells, reason});
            continue;
        }
        bool understood = true;
        const QString tart = contactfields::monthDay(cell(cells, map.birth), &understood);
        report.badDates += !understood;
        const QString targ = contactfields::monthDay(cell(cells, map.contract), &understood);
        report.badDates += !understood;
        const QString name = cell(cells, map.name).left(40);
        const QString family = cell(cells, map.family).left(50);

        qint64 existingRow = -1;
        if (const auto f = inFile.constFind(clean.number); f != inFile.cend()) {
            ++report.duplicatesInFile;
            existingRow = f.value();
        } else if (const auto g = inGroup.constFind(clean.number); g != inGroup.cend()) {
            ++report.duplicatesInGroup;
            existingRow = g.value();
        }
        // A number met again later in the file is a duplicate within it.
        if (existingRow >= 0)
            inFile.insert(clean.number, existingRow);
        if (existingRow >= 0 && m_options.duplicates == Duplicates::Skip) {
            ++report.duplicatesSkipped;
            continue;
        }
        if (existingRow >= 0 && m_options.duplicates == Duplicates::Merge) {
            merge.addBindValue(orNull(name));
            merge.addBindValue(orNull(family));
            merge.addBindValue(orNull(tart));
            merge.addBindValue(orNull(targ));
            merge.addBindValue(existingRow);
            if (!merge.exec())
                return abandon(why(merge));
            ++report.duplicatesMerged;
            continue;
        }
        insert.addBindValue(nextId++);
        insert.addBindValue(name);
        insert.addBindValue(family);
        insert.addBindValue(clean.number);
        insert.addBindValue(orNull(tart));
        insert.addBindValue(orNull(targ));
        if (!insert.exec())
            return abandon(why(insert));
        ++report.imported;
        report.cleaned += clean.number != written;
        if (existingRow >= 0)
            ++report.duplicatesKept;
        else
            inFile.insert(clean.number, insert.lastInsertId().toLongLong());
    }
    if (!reader.error().isEmpty())
        return abandon(reader.error());
    if (progress && !progress(1.0)) {
        c.rollback();
        report.cancelled = true;
        report.imported = report.duplicatesMerged = report.duplicatesKept = 0;
        return report;
    }
    if (!c.commit())
        return abandon(c.lastError().text());

    // Grids on the group show what came in; a new group joins the pickers.
    for (TableCursor* t : {&m_db.ADOTable1, &m_db.ADOTable4}) {
        if (t->isActive() && t->tableName() == gcode)
            t->refresh();
    }
    if (!newGroup.isNull() && m_db.ADOQuery1.isActive())
        m_db.ADOQuery1.reopen();
    return report;
}
