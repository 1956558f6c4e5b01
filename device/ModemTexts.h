#pragma once

#include <QString>
#include <QStringList>

// Captions and messages of the modems page.
namespace modemtext {
inline const QString kNavModems = QStringLiteral(u"مودم ها");
inline const QString kDuplicatePort =
    QStringLiteral(u"این درگاه قبلا برای مودم دیگری ثبت شده است ، برای هر مودم درگاه دیگری را "
                   u"وارد نمایید");
inline const QString kEmptyPort = QStringLiteral(u"لطفا درگاه مودم را وارد نمایید");
inline const QString kBadLimit = QStringLiteral(u"سقف ارسال روزانه باید عددی صفر یا بیشتر باشد");
inline const QString kFirstStays =
    QStringLiteral(u"مودم اول همان اتصال صفحه اتصال به سخت افزار است و حذف نمی گردد");
inline const QString kNotSaved = QStringLiteral(u"فهرست مودم ها در فایل ذخیره نگردید");
inline const QString kChooseRow = QStringLiteral(u"لطفا ابتدا یک مودم را از فهرست انتخاب نمایید");
inline const QString kConnectFailed = QStringLiteral(u"اتصال به مودم برقرار نگردید");
inline const QString kLost = QStringLiteral(u"ارتباط با مودم به طور ناگهانی قطع گردید");
inline const QString kNoneFound = QStringLiteral(u"مودم جدیدی یافت نگردید");
inline const QString kFound = QStringLiteral(u"تعداد مودم های یافته شده و افزوده شده : ");

inline const QString kStateConnected = QStringLiteral(u"متصل");
inline const QString kStateDisconnected = QStringLiteral(u"قطع");
inline const QString kStateOff = QStringLiteral(u"غیر فعال");
inline const QString kStateRetry = QStringLiteral(u"تلاش مجدد تا %1 ثانیه دیگر");

inline const QString kTitle = QStringLiteral(u"مودم های ارسال پیام");
inline const QStringList kColumns = {
    QStringLiteral(u"ردیف"),        QStringLiteral(u"درگاه"),
    QStringLiteral(u"سیستم"),       QStringLiteral(u"برچسب سیم کارت"),
    QStringLiteral(u"سقف روزانه"),  QStringLiteral(u"وضعیت"),
    QStringLiteral(u"آنتن"),        QStringLiteral(u"اپراتور"),
    QStringLiteral(u"ارسال امروز"), QStringLiteral(u"آخرین خطا")};
inline const QString kPortLabel = QStringLiteral(u"درگاه");
inline const QString kSpeedLabel = QStringLiteral(u"سرعت");
inline const QString kLabelLabel = QStringLiteral(u"برچسب سیم کارت");
inline const QString kLimitLabel = QStringLiteral(u"سقف روزانه");
inline const QString kEnabled = QStringLiteral(u"فعال");
inline const QString kAdd = QStringLiteral(u"افزودن");
inline const QString kUpdate = QStringLiteral(u"ثبت تغییرات");
inline const QString kRemove = QStringLiteral(u"حذف");
inline const QString kConnect = QStringLiteral(u"اتصال");
inline const QString kDisconnect = QStringLiteral(u"قطع اتصال");
inline const QString kFind = QStringLiteral(u"یافتن مودم ها");
inline const QString kChosenLabel = QStringLiteral(u"مودم کد دستوری و صفحات سخت افزار");
inline const QString kHoursHeading = QStringLiteral(u"محدوده زمانی ارسال");
inline const QString kHoursEnabled = QStringLiteral(u"ارسال فقط در این محدوده زمانی");
inline const QString kHoursFrom = QStringLiteral(u"از ساعت");
inline const QString kHoursTo = QStringLiteral(u"تا ساعت");
inline const QString kHoursSave = QStringLiteral(u"ثبت محدوده");
inline const QString kHoursSaved = QStringLiteral(u"محدوده زمانی ارسال ثبت گردید");
} // namespace modemtext
