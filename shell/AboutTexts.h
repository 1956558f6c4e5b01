#pragma once

#include <QString>

#include <string_view>

// Texts of the About page, the web page and the update window, and the
// maker's addresses. Nothing else in the program names the maker's site.
namespace abouttext {

// Typed out on the About page one character per tick, line ends included.
inline constexpr std::u16string_view kAboutText =
    u"\r\n"
    u"تاوریک برنامه ای برای ارسال گروهی پیامک از راه یک گوشی یا یک مودم جی اس ام است.\r\n"
    u"مخاطبین در گروه های نامدار نگه داری می شوند و پیام با نام هر مخاطب شخصی می شود.\r\n"
    u"ارسال به یک شماره، یک گروه، همه گروه ها یا بازه ای از شماره ها انجام می گیرد.\r\n"
    u"پیام های دریافتی و گزارش های تحویل نیز در بانک اطلاعات ثبت می گردند.\r\n"
    u"تاریخ ها به تقویم خورشیدی هستند و از بانک اطلاعات پشتیبان گرفته می شود.\r\n"
    u"برای دریافت آخرین نسخه و راهنما به وب سایت گروه نرم افزاری تاوریک سر بزنید.\r\n";
static_assert(kAboutText.size() == 463, "the About text is typed to its last character");

inline const QString kAboutCaption = QStringLiteral(u"درباره برنامه : ");
inline const QString kAboutLatin = QStringLiteral("About ");
inline const QString kVersionLine = QStringLiteral(u"شماره نسخه جاری : 6,0");
inline const QString kReleaseLine = QStringLiteral(u"تاریخ عرضه : 1389/02/01 ");
inline const QString kSystemLine =
    QStringLiteral(u" سیستم عامل مورد نیاز : Debian GNU/Linux 12  or  newer");
inline const QString kCredit1 = QStringLiteral(u"طراحی و برنامه نویسی : گروه نرم افزاری تاوریک");
inline const QString kCredit2 =
    QStringLiteral(u"با سپاس از همه کاربرانی که با پیشنهادهای خود یاری کردند");

// Web page
inline const QString kGo = QStringLiteral("GO");
inline const QString kStop = QStringLiteral("STOP");
inline const QString kRefresh = QStringLiteral("REFRESH");
inline const QString kMakerName = QStringLiteral(u"گروه نرم افزاری تاوریک");
inline const QString kPhoneLine1 = QStringLiteral(u"تلفن پشتیبانی : 021-00000000");
inline const QString kPhoneLine2 = QStringLiteral(u"تلفن فروش : 021-00000001");

// Update window
inline const QString kDownloadLatest = QStringLiteral(u"دانلود آخرين نسخه");
inline const QString kLatestNotice = QStringLiteral(u"دريافت فايل آخرين اطلاعيه");
inline const QString kVisitSite = QStringLiteral(u"ورود به وب سايت گروه");

} // namespace abouttext

// The maker's addresses. The reserved .example domain never resolves, so
// without a network of the maker's own the browser shows its error page.
namespace maker {
inline const QString kWebSite = QStringLiteral("https://www.tavrik.example/");
inline const QString kContactPage = QStringLiteral("https://www.tavrik.example/contact");
inline const QString kDownload =
    QStringLiteral("https://www.tavrik.example/download/tavrik-setup.zip");
inline const QString kAnnouncement =
    QStringLiteral("https://www.tavrik.example/download/notice.txt");
} // namespace maker
