#pragma once

#include <QString>

// The shell's own captions and messages.
namespace shelltext {
inline const QString kAppTitle = QStringLiteral("Tavrik");
inline const QString kVersion = QStringLiteral("Tavrik  6.0 ");
inline const QString kPowerSupply = QStringLiteral(u"منبع تغذیه");
inline const QString kAntenna = QStringLiteral(u"وضعیت آنتن");
inline const QString kHideHint = QStringLiteral(u"مخفی نمودن برنامه");
inline const QString kNewMessageHint = QStringLiteral(u"دریافت پیام جدید");
inline const QString kSolarDate = QStringLiteral(u"تاریخ شمسی");
inline const QString kTime = QStringLiteral(u"زمان");
inline const QString kGregorian = QStringLiteral(u"تاریخ میلادی");
inline const QString kSearching1 = QStringLiteral(u"سیستم در حال جستجوی سخت افزار است");
inline const QString kSearching2 = QStringLiteral(u"... لطفا چند لحظه منتظر بمانید");
inline const QString kCancel = QStringLiteral(u"انصراف");
inline const QString kPleaseWait = QStringLiteral(u"... لطفا کمی منتظر بمانید ");
inline const QString kCalculatorCaption = QStringLiteral(u"محاسبه اعتبار لازم جهت ارسال بعدی");
inline const QString kNavSending = QStringLiteral(u"سیستم ارسال");
inline const QString kNavConnect = QStringLiteral(u"اتصال به سخت افزار");
inline const QString kNavSend = QStringLiteral(u"ارسال پیام");
inline const QString kNavCharge = QStringLiteral(u"شارژ سیم کارت");
inline const QString kNavBoxes = QStringLiteral(u"جعبه پیامها");
inline const QString kNavSent = QStringLiteral(u"پیامهای ارسال شده");
inline const QString kNavUnsent = QStringLiteral(u"پیامهای ارسال نشده");
inline const QString kNavReceived = QStringLiteral(u"پیامهای دریافت شده");
inline const QString kNavPhone = QStringLiteral(u"پیامهای داخل تلفن همراه");
inline const QString kNavGroups = QStringLiteral(u"اطلاعات گروه ها");
inline const QString kNavDefine = QStringLiteral(u"تعریف گروه ها");
inline const QString kNavEdit = QStringLiteral(u"ویرایش گروه ها");
inline const QString kNavDatabase = QStringLiteral(u"بانک اطلاعات");
inline const QString kNavBackup = QStringLiteral(u"پشتیبانی اطلاعات");
inline const QString kNavSettings = QStringLiteral(u"تنظیمات");
inline const QString kNavProgram = QStringLiteral(u"تنظیمات برنامه");
inline const QString kNavSecurity = QStringLiteral(u"تنظیمات امنیتی");
inline const QString kNavGuide = QStringLiteral(u"راهنمای برنامه");
inline const QString kNavRequirements = QStringLiteral(u"نیازهای برنامه");
inline const QString kNavUpdate = QStringLiteral(u"به روز رسانی");
inline const QString kNavContact = QStringLiteral(u"تماس با شرکت");
inline const QString kNavAbout = QStringLiteral(u"در باره  برنامه");
// A second start on the same data folder, before it touches the port or the
// databases.
inline const QString kAlreadyRunning = QStringLiteral(u"برنامه هم اکنون در حال اجرا می باشد");
inline const QString kDbError = QStringLiteral(u"سیستم در اتصال با بانک اطلاعات دچار مشکل گردید");
} // namespace shelltext
