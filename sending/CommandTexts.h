#pragma once

#include <QString>

// What the command line and the runs without windows tell on standard
// error: each message in Persian, then in English for scripts and logs.
namespace commandtext {

inline QString both(const QString& persian, const QString& english) {
    return persian + QLatin1Char('\n') + english;
}

inline QString noModem() {
    return both(QStringLiteral(u"هیچ مودمی تنظیم نشده است : یک بار از صفحه اتصال وصل شوید یا "
                               u"درگاه را با --port بدهید"),
                QStringLiteral("no modem configured: connect once on the connection page or "
                               "give --port"));
}
inline QString noAnswer(const QString& port) {
    return both(QStringLiteral(u"هیچ مودمی در درگاه %1 پاسخ نداد").arg(port),
                QStringLiteral("no modem answered on %1").arg(port));
}
inline QString portHeld(const QString& port, qint64 pid) {
    return both(QStringLiteral(u"درگاه %1 در اختیار پنجره برنامه یا ارسال دیگری است (پردازش %2) ؛ "
                               u"ابتدا در برنامه اتصال را قطع کنید")
                    .arg(port)
                    .arg(pid),
                QStringLiteral("port %1 is held by the program's window or another run "
                               "(process %2): disconnect it there first")
                    .arg(port)
                    .arg(pid));
}
inline QString unknownGroup(const QString& name) {
    return both(QStringLiteral(u"گروهی با نام «%1» وجود ندارد").arg(name),
                QStringLiteral("no group named \"%1\"").arg(name));
}
inline QString databaseError(const QString& why) {
    return both(QStringLiteral(u"بانک اطلاعات باز نشد : ") + why,
                QStringLiteral("the databases cannot be opened: ") + why);
}
inline QString runRefused(const QString& message) {
    return both(message, QStringLiteral("the run did not start (see the message above)"));
}
inline QString textFileMissing(const QString& path) {
    return both(QStringLiteral(u"فایل متن پیام خوانده نشد : ") + path,
                QStringLiteral("cannot read the text file ") + path);
}
inline QString textEmpty(const QString& path) {
    return both(QStringLiteral(u"فایل متن پیام خالی است : ") + path,
                QStringLiteral("the text file is empty: ") + path);
}
inline QString badUsage(const QString& why) {
    return both(QStringLiteral(u"فرمان نادرست است : ") + why, QStringLiteral("bad usage: ") + why);
}

} // namespace commandtext
