#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

// Hints and lists of the composer's toolbar.
namespace texttooltext {
inline const QString kClearHint = QStringLiteral(u"پاک کردن صفحه");
inline const QString kSaveHint = QStringLiteral(u"ذخیره متن");
inline const QString kLoadHint = QStringLiteral(u"بارگذاری متن از روی فایل ذخیره شده");
inline const QString kAlignLeftHint = QStringLiteral(u"چپ چین");
inline const QString kAlignCenterHint = QStringLiteral(u"وسط چین");
inline const QString kAlignRightHint = QStringLiteral(u"راست چین");
inline const QString kBackColorHint = QStringLiteral(u"تغییر رنگ زمینه ");
inline const QString kFontSize = QStringLiteral("Font Size");
inline const QStringList kFontSizes = {QStringLiteral("8"),  QStringLiteral("10"),
                                       QStringLiteral("12"), QStringLiteral("14"),
                                       QStringLiteral("18"), QStringLiteral("24")};
inline const QString kTextColor = QStringLiteral("Text Color");
inline const QString kFileFilter = QStringLiteral("Text Files|*.txt");
inline const QString kFileSuffix = QStringLiteral("txt");

struct NamedColour {
    QString name;
    QColor colour;
};
// The names are the program's own, "Vavy" included.
inline const QList<NamedColour> kTextColours = {
    {QStringLiteral("Black"), QColor(0, 0, 0)},        {QStringLiteral("Green"), QColor(0, 128, 0)},
    {QStringLiteral("Olive"), QColor(128, 128, 0)},    {QStringLiteral("Vavy"), QColor(0, 0, 128)},
    {QStringLiteral("Purple"), QColor(128, 0, 128)},   {QStringLiteral("Teal"), QColor(0, 128, 128)},
    {QStringLiteral("Gray"), QColor(128, 128, 128)},   {QStringLiteral("Silver"), QColor(192, 192, 192)},
    {QStringLiteral("Red"), QColor(255, 0, 0)},        {QStringLiteral("Lime"), QColor(0, 255, 0)},
    {QStringLiteral("Yellow"), QColor(255, 255, 0)},
};
} // namespace texttooltext
