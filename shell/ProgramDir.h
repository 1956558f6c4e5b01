#pragma once

#include <QString>

// The folder of the executable, with a trailing "/": every file the program
// keeps is this path + a file name.
class ProgramDir {
public:
    static QString path();
    static QString file(const QString& name) { return path() + name; }
    // Tests run the program in a folder of their own.
    static void setOverride(const QString& dir);
};
