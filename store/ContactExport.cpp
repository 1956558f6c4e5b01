#include "store/ContactExport.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "store/Database.h"
#include "store/ImportTexts.h"
#include "store/Sql.h"
#include "store/TextWorkbook.h"

namespace contactexport {

namespace {
QSqlDatabase contacts() {
    return QSqlDatabase::database(QString::fromLatin1(Database::kContacts), false);
}

bool formulaStart(QChar c) {
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') ||
           c == QLatin1Char('@') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

struct Member {
    QString name, family, num, tart, targ;
};

// vCard 3.0 escapes in a text value.
QString vcardText(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    t.replace(QLatin1Char(';'), QLatin1String("\\;"));
    t.replace(QLatin1Char(','), QLatin1String("\\,"));
    t.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return t;
}

QStringList heading(bool groupColumn) {
    using namespace importtext;
    QStringList h{kHeadName, kHeadFamily, kHeadNumber, kHeadBirth, kHeadContract};
    if (groupColumn)
        h << kHeadGroup;
    return h;
}
} // namespace

Format formatFor(const QString& path) {
    const QString s = QFileInfo(path).suffix().toLower();
    if (s == QLatin1String("xlsx"))
        return Format::Xlsx;
    if (s == QLatin1String("vcf") || s == QLatin1String("vcard"))
        return Format::VCard;
    return Format::Csv;
}

QList<Group> userGroups(QString* error) {
    QList<Group> out;
    QSqlQuery q(contacts());
    if (!q.exec(sql::kGroupList + QStringLiteral(" order by code"))) {
        if (error)
            *error = q.lastError().text();
        return out;
    }
    while (q.next())
        out.append({q.value(QStringLiteral("gname")).toString(),
                    q.value(QStringLiteral("gcode")).toString()});
    return out;
}

bool findGroup(const QString& name, Group* group) {
    for (const Group& g : userGroups()) {
        if (g.name == name) {
            *group = g;
            return true;
        }
    }
    return false;
}

QString guard(const QString& cell) {
    return !cell.isEmpty() && formulaStart(cell.at(0)) ? QLatin1Char('\'') + cell : cell;
}

QString unguard(const QString& cell) {
    return cell.size() > 1 && cell.at(0) == QLatin1Char('\'') && formulaStart(cell.at(1))
               ? cell.mid(1)
               : cell;
}

CsvWriter::CsvWriter(const QString& path) : m_file(path) {}

bool CsvWriter::open(QString* error) {
    if (!m_file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    m_file.write("\xEF\xBB\xBF");
    return true;
}

void CsvWriter::write(const QStringList& cells) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(',');
        QString c = guard(cells.at(i));
        if (c.contains(QLatin1Char(',')) || c.contains(QLatin1Char('"')) ||
            c.contains(QLatin1Char('\n')) || c.contains(QLatin1Char('\r'))) {
            c.replace(QLatin1Char('"'), QLatin1String("\"\""));
            c = QLatin1Char('"') + c + QLatin1Char('"');
        }
        line += c;
    }
    line += QLatin1String("\r\n");
    m_file.write(line.toUtf8());
}

bool CsvWriter::commit(QString* error) {
    if (!m_file.commit()) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    return true;
}

namespace {
// Calls each(member, group name) for every member of the groups.
template <typename Each> bool forEachMember(const QList<Group>& groups, Each each, QString* error) {
    for (const Group& g : groups) {
        QSqlQuery q(contacts());
        q.setForwardOnly(true);
        if (!q.exec(sql::allMembers(g.gcode))) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
        while (q.next()) {
            const Member m{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                           q.value(3).toString(), q.value(4).toString()};
            each(m, g.name);
        }
    }
    return true;
}

bool writeCsv(const QList<Group>& groups, const QString& path, bool groupColumn, qint64* n,
              QString* error) {
    CsvWriter out(path);
    if (!out.open(error))
        return false;
    out.write(heading(groupColumn));
    const bool read = forEachMember(
        groups,
        [&](const Member& m, const QString& group) {
            QStringList cells{m.name, m.family, m.num, m.tart, m.targ};
            if (groupColumn)
                cells << group;
            out.write(cells);
            ++*n;
        },
        error);
    return read && out.commit(error);
}

bool writeXlsx(const QList<Group>& groups, const QString& path, bool groupColumn, qint64* n,
               QString* error) {
    TextWorkbook book(path);
    if (!book.isOpen()) {
        if (error)
            *error = importtext::kUnreadable;
        return false;
    }
    book.writeRow(heading(groupColumn));
    const bool read = forEachMember(
        groups,
        [&](const Member& m, const QString& group) {
            QStringList cells{m.name, m.family, m.num, m.tart, m.targ};
            if (groupColumn)
                cells << group;
            book.writeRow(cells);
            ++*n;
        },
        error);
    if (!read)
        return false;
    const TextWorkbook::Commit done = book.commit();
    if (done != TextWorkbook::Commit::Done) {
        if (error)
            *error =
                done == TextWorkbook::Commit::NotClosed ? book.error() : importtext::kUnreadable;
        return false;
    }
    return true;
}

bool writeVCard(const QList<Group>& groups, const QString& path, qint64* n, QString* error) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    const bool read = forEachMember(
        groups,
        [&](const Member& m, const QString& group) {
            QString card = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
            card += QStringLiteral("N:") + vcardText(m.family) + QLatin1Char(';') +
                    vcardText(m.name) + QStringLiteral(";;;\r\n");
            card += QStringLiteral("FN:") +
                    vcardText((m.name + QLatin1Char(' ') + m.family).trimmed()) +
                    QStringLiteral("\r\n");
            card += QStringLiteral("TEL;TYPE=CELL:") + m.num + QStringLiteral("\r\n");
            // Month-days of the Persian calendar have no vCard form.
            if (!m.tart.isEmpty())
                card += QStringLiteral("X-TAVRIK-BIRTH:") + m.tart + QStringLiteral("\r\n");
            if (!m.targ.isEmpty())
                card += QStringLiteral("X-TAVRIK-CONTRACT:") + m.targ + QStringLiteral("\r\n");
            card += QStringLiteral("CATEGORIES:") + vcardText(group) + QStringLiteral("\r\n");
            card += QStringLiteral("END:VCARD\r\n");
            out.write(card.toUtf8());
            ++*n;
        },
        error);
    if (!read)
        return false;
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}
} // namespace

bool write(const QList<Group>& groups, const QString& path, Format format, bool groupColumn,
           qint64* members, QString* error) {
    qint64 n = 0;
    bool ok = false;
    switch (format) {
    case Format::Csv:
        ok = writeCsv(groups, path, groupColumn, &n, error);
        break;
    case Format::Xlsx:
        ok = writeXlsx(groups, path, groupColumn, &n, error);
        break;
    case Format::VCard:
        ok = writeVCard(groups, path, &n, error);
        break;
    }
    if (members)
        *members = n;
    return ok;
}

} // namespace contactexport
