#pragma once

#include <QString>
#include <QStringList>

// What a row's cells mean: which column holds which field, guessed from a
// header row, and the dates in them as the member tables keep them.
struct ColumnMap {
    int name = -1;
    int family = -1;
    int number = -1;
    int birth = -1;
    int contract = -1;

    bool operator==(const ColumnMap&) const = default;
};

namespace contactfields {

// The columns a header row names ("نام", "نام خانوادگی", "موبایل",
// "تلفن همراه", "Name", "Mobile", ...). A row that names no number column
// is taken as no header (*isHeader false), and the map is empty.
ColumnMap guessColumns(const QStringList& header, bool* isHeader);

// The number column of rows without a header: the one where most cells
// look like numbers; -1 when none does.
int guessNumberColumn(const QList<QStringList>& rows);

// "name=2,family=3,number=1,birth=4,contract=5", columns from 1.
bool parseMap(const QString& text, ColumnMap* map);

// A date cell as the month-day text MM/DD of the Persian calendar: Persian
// dates ("1370/05/12", "12/05/1370", "1370-5-12"), Gregorian ones ("1991-08-03",
// "03/08/1991", "19910803", with or without a time), a month-day already in
// that form ("05/12"), and a spreadsheet's serial day number. Persian and
// Arabic-Indic digits are read too. Empty, with *understood false, when the
// cell holds something that is none of these; an empty cell is understood.
QString monthDay(const QString& cell, bool* understood);

// ASCII digits for Persian and Arabic-Indic ones.
QString foldDigits(const QString& text);

} // namespace contactfields
