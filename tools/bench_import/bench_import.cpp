// Imports a CSV and an .xlsx of N rows (numbers in mixed forms, a tenth of
// them duplicates) into new groups with cleaning and the duplicate check,
// then exports a group of N members to CSV and to .xlsx, printing how long
// each step took and the peak resident memory.
// Usage: tavrik-bench-import [rows]        (default 100000)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "store/ContactExport.h"
#include "store/ContactImport.h"
#include "store/ContactReader.h"
#include "store/Database.h"

namespace {
double peakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The number of row i, written the ways operators' files write it.
QByteArray number(int i) {
    const int n = i % 10 == 9 ? i - 1 : i; // a tenth repeat the row before
    const QByteArray digits = QByteArray::number(1000000 + n % 9000000);
    switch (n % 4) {
    case 0:
        return "0912" + digits;
    case 1:
        return "+98 912 " + digits;
    case 2:
        return "912" + digits;
    default:
        return "0098912" + digits;
    }
}

void report(const char* what, qint64 ms, const ImportReport* r = nullptr) {
    std::printf("%-28s %7lld ms  peak %6.1f MB", what, static_cast<long long>(ms), peakMb());
    if (r)
        std::printf("  imported %lld, skipped %lld, refused %lld%s",
                    static_cast<long long>(r->imported),
                    static_cast<long long>(r->duplicatesSkipped),
                    static_cast<long long>(r->refused), r->error.isEmpty() ? "" : " ERROR");
    std::printf("\n");
}

ImportReport importFile(Database& db, const QString& path, const QString& group) {
    auto reader = contactreader::open(path, {}, nullptr);
    ImportOptions o;
    o.map = {0, 1, 2, 3, -1};
    o.firstRowIsHeader = true;
    return ContactImport(db, o).intoNewGroup(*reader, group, [](double) { return true; });
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    Database db;
    if (!db.open(dir.path() + QLatin1Char('/'))) {
        std::fprintf(stderr, "cannot open the databases\n");
        return 2;
    }
    std::printf("%d rows\n", rows);

    const QString csv = dir.filePath(QStringLiteral("in.csv"));
    {
        QFile f(csv);
        if (!f.open(QIODevice::WriteOnly))
            return 2;
        f.write("\xEF\xBB\xBFname,family,mobile,birth\r\n");
        for (int i = 0; i < rows; ++i)
            f.write("Name" + QByteArray::number(i) + ",Family,\"" + number(i) +
                    "\",1370/05/12\r\n");
    }
    QElapsedTimer t;
    t.start();
    ImportReport r = importFile(db, csv, QStringLiteral("csv"));
    report("import csv (new group)", t.elapsed(), &r);
    const QString gcode = r.gcode;

    // The .xlsx: the imported group written by the exporter, then read back.
    const QString xlsx = dir.filePath(QStringLiteral("in.xlsx"));
    const QString outCsv = dir.filePath(QStringLiteral("out.csv"));
    const QList<contactexport::Group> group{{QStringLiteral("csv"), gcode}};
    t.restart();
    contactexport::write(group, outCsv, contactexport::Format::Csv, false, nullptr, nullptr);
    report("export csv", t.elapsed());
    t.restart();
    contactexport::write(group, xlsx, contactexport::Format::Xlsx, false, nullptr, nullptr);
    report("export xlsx", t.elapsed());
    t.restart();
    r = importFile(db, xlsx, QStringLiteral("xlsx"));
    report("import xlsx (new group)", t.elapsed(), &r);
    return 0;
}
