#pragma once

#include <QString>

// Captions and messages of the program password.
namespace passwordtext {
inline const QString kPageTitle = QStringLiteral(u"تنظيمات امنيتي");
inline const QString kFrameCaption = QStringLiteral(u"تعیین رمز ورود به برنامه");
inline const QString kNewPassword = QStringLiteral(u"رمز ورود  جديد");
inline const QString kRepeatPassword = QStringLiteral(u"تکرار رمز جديد");
inline const QString kConfirm = QStringLiteral(u"تاييد");
inline const QString kRemove = QStringLiteral(u"حذف رمز عبور");
inline const QString kDigitsOnly = QStringLiteral(u"لطفا فقط از اعداد استفاده نمایید");
inline const QString kEnterBoth = QStringLiteral(u"لطفا رمز ورود جدید و تکرار آن را وارد نمایید");
inline const QString kMismatch = QStringLiteral(u"خطا : رمز وارد شده با تکرار آن مطابقت ندارد");
inline const QString kDone = QStringLiteral(u"عملیات با موفقیت انجام گردید");
inline const QString kNoAccess =
    QStringLiteral(u"خطا : به دلیل عدم دسترسی کامل به سیستم , تعیین رمز ورود ممکن نمی باشد");
// The prompt at start-up
inline const QString kPromptLine = QStringLiteral(u"لطفا رمز عبور خود را وارد نماييد");
inline const QString kCancel = QStringLiteral(u"انصراف");
inline const QString kWrong = QStringLiteral(u"رمز وارد شده صحیح نمی باشد");
inline const QString kClosing = QStringLiteral(u"به دلیل حفظ امنیت , برنامه بسته خواهد شد");
// The password file is there but cannot be read.
inline const QString kUnreadable = QStringLiteral(
    u"خطا : فایل رمز عبور قابل خواندن نمی باشد . به دلیل حفظ امنیت , برنامه بسته خواهد شد");
} // namespace passwordtext
