// Opens a group of 100,000 members on the members-entry and members-editing
// pages, adds a member and runs the credit calculator's count, and prints
// how long each took. Usage: tavrik-bench-contacts [members] [rounds]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "ProgramFixture.h"
#include "app/ProgramRoot.h"
#include "shell/TFormMain.h"
#include "store/CreditCalculatorWindow.h"
#include "store/GroupPicker.h"

namespace {
template <typename T> T* find(QObject* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        std::fprintf(stderr, "no widget %s\n", name);
        std::exit(2);
    }
    return w;
}

void fill(const QString& file, int members) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bench");
        db.setDatabaseName(file);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("insert into \"1\"(id,name,family,num,tart,targ) values(?,?,?,?,?,?)"));
        for (int i = 1; i <= members; ++i) {
            q.addBindValue(i);
            q.addBindValue(QStringLiteral(u"\u0639\u0644\u06CC %1").arg(i));
            q.addBindValue(QStringLiteral(u"\u0631\u0636\u0627\u06CC\u06CC"));
            q.addBindValue(QStringLiteral("0912%1").arg(i, 7, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("%1/%2")
                               .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                               .arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
            q.addBindValue(QVariant());
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
}

// Median and best of several rounds, in milliseconds.
void report(const char* what, double target, const std::function<void()>& once, int rounds) {
    QList<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        once();
        times.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s median %8.2f ms  best %8.2f ms  (target < %.0f ms)\n", what,
                times[times.size() / 2], times.first(), target);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int members = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;

    ProgramFixture f;
    f.startShown();
    TFormMain& main = f.main();
    find<QLineEdit>(&main, "Edit4")->setText(QStringLiteral("bench"));
    find<QPushButton>(&main, "btnCreateGroup")->click();
    fill(f.file(QStringLiteral("korms.dll")), members);
    if (!QTest::qWaitForWindowExposed(&main))
        std::printf("the window was not exposed: painting is not measured\n");
    std::printf("group of %d members, %d rounds each\n", members, rounds);

    auto openOn = [&](int page, const char* picker, const char* button, const char* grid) {
        main.selectPage(page);
        find<GroupPicker>(&main, picker)->choose(QStringLiteral("bench"));
        return [&main, button, grid] {
            find<QPushButton>(&main, button)->click();
            // Include the grid's own work to show the first rows.
            find<QTableView>(&main, grid)->viewport()->repaint();
        };
    };
    TableCursor probe(QStringLiteral("probe"), QString::fromLatin1(Database::kContacts), nullptr);
    probe.setTableName(QStringLiteral("1"));
    report(
        "  of which reading the rows", 100,
        [&] {
            probe.close();
            probe.open();
        },
        rounds);
    probe.close();
    report("open on page 5 (members entry)", 100,
           openOn(5, "DBLookupComboBox3", "btnOpenEntryGroup", "DBGrid1"), rounds);
    report("open on page 6 (members editing)", 100,
           openOn(6, "DBLookupComboBox2", "btnOpenEditGroup", "DBGrid2"), rounds);

    main.selectPage(5);
    find<QPushButton>(&main, "btnOpenEntryGroup")->click();
    auto* number = find<QLineEdit>(&main, "Edit7");
    auto* add = find<QPushButton>(&main, "btnAddMember");
    report(
        "add one member (with the next-id query)", 20,
        [&] {
            number->setText(QStringLiteral("09351234567"));
            add->click();
            find<QTableView>(&main, "DBGrid1")->viewport()->repaint();
        },
        rounds);

    CreditCalculatorWindow* calc = f.windows().Form9;
    calc->show();
    find<QLineEdit>(calc, "Edit1")->setText(QStringLiteral("150"));
    find<QLineEdit>(calc, "Edit2")->setText(QStringLiteral("2"));
    find<GroupPicker>(calc, "DBLookupComboBox1")->choose(QStringLiteral("bench"));
    auto* compute = find<QPushButton>(calc, "Button1");
    report(
        "calculator count", 20, [&] { compute->click(); }, rounds);
    std::printf("calculator result %s (expected %lld)\n",
                qPrintable(find<QLineEdit>(calc, "Edit3")->text()), 300LL * (members + rounds));
    if (!f.messages.errors.isEmpty())
        std::printf("errors: %s\n", qPrintable(f.messages.errors.join(" | ")));
    calc->hide();
    return 0;
}
