#include "store/ContactsCommand.h"

#include <QTextStream>

#include "store/ContactExport.h"
#include "store/ContactImport.h"
#include "store/ContactReader.h"
#include "store/Database.h"

namespace contactscommand {

namespace {
constexpr int kUsage = 2;

const char kUsageText[] =
    "usage: tavrik import --group NAME [--new] [--map name=2,family=3,number=1,birth=4,"
    "contract=5]\n"
    "                     [--encoding auto|utf-8|utf-16le|utf-16be|windows-1256]\n"
    "                     [--delimiter ,|;|tab|'|'] [--header|--no-header]\n"
    "                     [--duplicates skip|keep|merge] [--json] FILE\n"
    "       tavrik export (--group NAME | --all-groups) FILE\n";

struct Args {
    QString command;
    QString group;
    bool newGroup = false;
    bool allGroups = false;
    QString map;
    QString encoding = QStringLiteral("auto");
    QString delimiter;
    int header = -1; // -1 guessed
    QString duplicates = QStringLiteral("skip");
    bool json = false;
    QString file;
};

bool parse(const QStringList& args, Args* a, QString* why) {
    if (args.isEmpty())
        return false;
    a->command = args.first();
    for (int i = 1; i < args.size(); ++i) {
        const QString& s = args.at(i);
        auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *why = s + QStringLiteral(" needs a value");
                return false;
            }
            *out = args.at(++i);
            return true;
        };
        bool ok = true;
        if (s == QLatin1String("--group"))
            ok = value(&a->group);
        else if (s == QLatin1String("--new"))
            a->newGroup = true;
        else if (s == QLatin1String("--all-groups"))
            a->allGroups = true;
        else if (s == QLatin1String("--map"))
            ok = value(&a->map);
        else if (s == QLatin1String("--encoding"))
            ok = value(&a->encoding);
        else if (s == QLatin1String("--delimiter"))
            ok = value(&a->delimiter);
        else if (s == QLatin1String("--header"))
            a->header = 1;
        else if (s == QLatin1String("--no-header"))
            a->header = 0;
        else if (s == QLatin1String("--duplicates"))
            ok = value(&a->duplicates);
        else if (s == QLatin1String("--json"))
            a->json = true;
        else if (s.startsWith(QLatin1String("--"))) {
            *why = QStringLiteral("unknown option ") + s;
            return false;
        } else if (a->file.isEmpty())
            a->file = s;
        else {
            *why = QStringLiteral("more than one file");
            return false;
        }
        if (!ok)
            return false;
    }
    if (a->file.isEmpty()) {
        *why = QStringLiteral("no file");
        return false;
    }
    return true;
}

bool encodingOf(const QString& name, contactreader::Encoding* e) {
    const QString n = name.toLower();
    using contactreader::Encoding;
    if (n == QLatin1String("auto"))
        *e = Encoding::Auto;
    else if (n == QLatin1String("utf-8") || n == QLatin1String("utf8"))
        *e = Encoding::Utf8;
    else if (n == QLatin1String("utf-16le") || n == QLatin1String("utf-16"))
        *e = Encoding::Utf16LE;
    else if (n == QLatin1String("utf-16be"))
        *e = Encoding::Utf16BE;
    else if (n == QLatin1String("windows-1256") || n == QLatin1String("cp1256"))
        *e = Encoding::Windows1256;
    else
        return false;
    return true;
}

int runImport(const Args& a, Database& db, QTextStream& out, QTextStream& err) {
    contactreader::Options ro;
    if (!encodingOf(a.encoding, &ro.encoding)) {
        err << "unknown encoding " << a.encoding << "\n" << kUsageText;
        return kUsage;
    }
    if (!a.delimiter.isEmpty())
        ro.delimiter = a.delimiter == QLatin1String("tab") ? QChar(u'\t') : a.delimiter.at(0);
    ImportOptions options;
    if (a.duplicates == QLatin1String("skip"))
        options.duplicates = Duplicates::Skip;
    else if (a.duplicates == QLatin1String("keep"))
        options.duplicates = Duplicates::Keep;
    else if (a.duplicates == QLatin1String("merge"))
        options.duplicates = Duplicates::Merge;
    else {
        err << "unknown duplicates choice " << a.duplicates << "\n" << kUsageText;
        return kUsage;
    }
    QString error;
    // The first row, read once, tells the header and the guessed columns.
    auto probe = contactreader::open(a.file, ro, &error);
    if (!probe) {
        err << error << "\n";
        return kUsage;
    }
    QStringList first = probe->fixedHeader();
    const bool fixed = !first.isEmpty();
    if (!fixed)
        probe->next(&first);
    bool isHeader = false;
    const ColumnMap guessed = contactfields::guessColumns(first, &isHeader);
    if (!a.map.isEmpty()) {
        if (!contactfields::parseMap(a.map, &options.map)) {
            err << "bad --map " << a.map << "\n" << kUsageText;
            return kUsage;
        }
    } else if (isHeader) {
        options.map = guessed;
    } else {
        err << "the columns cannot be guessed from the first row: give --map\n";
        return kUsage;
    }
    options.firstRowIsHeader = !fixed && (a.header < 0 ? isHeader : a.header == 1);
    probe.reset();

    auto reader = contactreader::open(a.file, ro, &error);
    if (!reader) {
        err << error << "\n";
        return kUsage;
    }
    ContactImport import(db, options);
    ImportReport report;
    if (a.newGroup) {
        report = import.intoNewGroup(*reader, a.group);
    } else {
        contactexport::Group g;
        if (!contactexport::findGroup(a.group, &g)) {
            err << "no group " << a.group << " (--new makes it)\n";
            return kUsage;
        }
        report = import.intoGroup(*reader, g.gcode);
    }
    out << (a.json ? report.json() : report.text());
    if (!report.error.isEmpty())
        return kUsage;
    return report.refused > 0 ? 1 : 0;
}

int runExport(const Args& a, QTextStream& out, QTextStream& err) {
    QList<contactexport::Group> groups;
    if (a.allGroups) {
        groups = contactexport::userGroups();
    } else {
        contactexport::Group g;
        if (!contactexport::findGroup(a.group, &g)) {
            err << "no group " << a.group << "\n";
            return kUsage;
        }
        groups << g;
    }
    qint64 members = 0;
    QString error;
    if (!contactexport::write(groups, a.file, contactexport::formatFor(a.file), a.allGroups,
                              &members, &error)) {
        err << error << "\n";
        return kUsage;
    }
    out << members << "\n";
    return 0;
}
} // namespace

bool wanted(const QStringList& args) {
    return !args.isEmpty() &&
           (args.first() == QLatin1String("import") || args.first() == QLatin1String("export"));
}

int run(const QStringList& args, const QString& folder, QTextStream& out, QTextStream& err) {
    Args a;
    QString why;
    if (!parse(args, &a, &why) || (a.command == QLatin1String("import") && a.group.isEmpty()) ||
        (a.command == QLatin1String("export") && a.group.isEmpty() == !a.allGroups)) {
        if (!why.isEmpty())
            err << why << "\n";
        err << kUsageText;
        return kUsage;
    }
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    Database db;
    QString error;
    db.open(dir, &error);
    if (!db.contactsOpen()) {
        err << error << "\n";
        return kUsage;
    }
    const int code =
        a.command == QLatin1String("import") ? runImport(a, db, out, err) : runExport(a, out, err);
    db.closeContacts();
    return code;
}

} // namespace contactscommand
