#include <QtTest>

#include "shell/ProgramDir.h"

// Where the program keeps its files: beside the executable when it may write
// there, else in the user's own folder. Tests run as root, who may write
// anywhere, so the folder's writability is handed in.
class ProgramDirTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;
    QString m_exe;
    QString m_user;

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Writable everywhere but in the executable's folder, as for an
    // installed program.
    ProgramDir::Writable installed() const {
        return [exe = m_exe](const QString& dir) { return QDir(dir) != QDir(exe); };
    }

private Q_SLOTS:
    void init() {
        m_exe = m_root.filePath(QStringLiteral("usr/lib/tavrik/"));
        m_user = m_root.filePath(QStringLiteral("home/u/.local/share/tavrik/"));
        QDir(m_root.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_exe));
        write(m_exe + QStringLiteral("bmin.cnt"), "1");
    }
    void cleanup() { ProgramDir::setOverride(QString()); }

    void portableFolderKeepsItsFiles() {
        const QString dir =
            ProgramDir::settle({m_exe.chopped(1), m_user}, {QStringLiteral("bmin.cnt")},
                               [](const QString&) { return true; });
        QCOMPARE(dir, m_exe);
        QCOMPARE(ProgramDir::path(), m_exe);
        QCOMPARE(ProgramDir::file(QStringLiteral("korms.dll")),
                 m_exe + QStringLiteral("korms.dll"));
        QVERIFY(!QFileInfo::exists(m_user));
    }

    void installedProgramMovesIntoTheUsersFolder() {
        const QStringList shipped{QStringLiteral("bmin.cnt"), QStringLiteral("absent.dat")};
        QCOMPARE(ProgramDir::settle({m_exe, m_user.chopped(1)}, shipped, installed()), m_user);
        QCOMPARE(ProgramDir::path(), m_user);
        QCOMPARE(read(m_user + QStringLiteral("bmin.cnt")), QByteArray("1"));
        QVERIFY(!QFileInfo::exists(m_user + QStringLiteral("absent.dat")));
        QCOMPARE(QFileInfo(m_user).permissions() & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());

        // A later start keeps what the user's folder holds.
        write(m_user + QStringLiteral("bmin.cnt"), "mine");
        QCOMPARE(ProgramDir::settle({m_exe, m_user}, shipped, installed()), m_user);
        QCOMPARE(read(m_user + QStringLiteral("bmin.cnt")), QByteArray("mine"));

        // A test's own folder comes before the choice and gives way to it again.
        ProgramDir::setOverride(m_root.path());
        QCOMPARE(ProgramDir::path(), m_root.path() + QLatin1Char('/'));
        ProgramDir::setOverride(QString());
        QCOMPARE(ProgramDir::path(), m_user);
    }

    void usersFolderFollowsXdgDataHome() {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        const QByteArray home = qgetenv("HOME");
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toUtf8());
        const ProgramDir::Places withXdg = ProgramDir::standardPlaces();
        qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", m_root.path().toUtf8());
        const ProgramDir::Places withoutXdg = ProgramDir::standardPlaces();
        qputenv("HOME", home);
        if (!saved.isNull())
            qputenv("XDG_DATA_HOME", saved);

        QCOMPARE(withXdg.user, m_root.filePath(QStringLiteral("data/tavrik/")));
        QCOMPARE(withoutXdg.user, m_root.filePath(QStringLiteral(".local/share/tavrik/")));
        QCOMPARE(withXdg.executable, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    }

    void writableIsFoundByTrying() {
        QVERIFY(ProgramDir::writable(m_exe));
        QCOMPARE(QDir(m_exe).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("bmin.cnt")});
        QVERIFY(!ProgramDir::writable(m_root.filePath(QStringLiteral("missing"))));
        QVERIFY(!ProgramDir::writable(m_exe + QStringLiteral("bmin.cnt")));
        // Root passes every permission check, yet cannot create a file here.
        QVERIFY(!ProgramDir::writable(QStringLiteral("/proc")));
    }
};

QTEST_GUILESS_MAIN(ProgramDirTest)
#include "test_program_dir.moc"
