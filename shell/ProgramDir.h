#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The program directory, with a trailing "/": every file the program keeps is
// this path + a file name. It is the executable's folder, as in a portable
// folder or the build folder. An installed program cannot write beside its
// executable, so it keeps its files in a folder of the user's own instead,
// the way an old program's writes are redirected; what it only reads (the
// web module) stays beside the executable.
class ProgramDir {
public:
    static QString path();
    static QString file(const QString& name) { return path() + name; }
    // Tests run the program in a folder of their own.
    static void setOverride(const QString& dir);

    struct Places {
        QString executable; // the executable's folder and the files shipped in it
        QString user;       // the user's own data folder for the program
    };
    using Writable = std::function<bool(const QString& dir)>;

    // The executable's folder and the user's data folder for the program
    // ($XDG_DATA_HOME/tavrik/, by default ~/.local/share/tavrik/).
    static Places standardPlaces();
    // The executable's folder when the program may write there, else the
    // user's folder; nothing is touched.
    static QString choose(const Places& places, const Writable& writable);
    // Chooses once, at start, and makes the choice the program directory. A
    // user's folder is made when missing and given a copy of each `shipped`
    // file it lacks: the files the program reads from its own folder. A
    // copy already there is the user's and stays.
    static QString settle(const Places& places, const QStringList& shipped,
                          const Writable& writable);
    // Whether a file can be created in `dir`, found by trying: permission
    // bits tell nothing about a read-only mount, nor anything to root.
    static bool writable(const QString& dir);
};
