#pragma once

#include <QString>

// What the gateway entry and its link tell the operator.
namespace gatewaytext {

inline const QString kBoxTitle = QStringLiteral(u"درگاه ارسال (Kannel)");
inline const QString kOpenButton = QStringLiteral(u"درگاه ارسال Kannel ...");
inline const QString kUrlLabel = QStringLiteral(u"نشانی ارسال smsbox :");
inline const QString kUserLabel = QStringLiteral(u"نام کاربری :");
inline const QString kPasswordLabel = QStringLiteral(u"کلمه عبور :");
inline const QString kSmscLabel = QStringLiteral(u"شناسه smsc (اختیاری) :");
inline const QString kSenderLabel = QStringLiteral(u"شماره فرستنده (اختیاری) :");
inline const QString kWindowLabel = QStringLiteral(u"پیام های همزمان در راه :");
inline const QString kRateLabel = QStringLiteral(u"حداکثر پیام در ثانیه (0 = بی حد) :");
inline const QString kTimeoutLabel = QStringLiteral(u"مهلت پاسخ (ثانیه) :");
inline const QString kListenLabel = QStringLiteral(u"نشانی و درگاه دریافت گزارش :");
inline const QString kCallbackLabel = QStringLiteral(u"نشانی برنامه از دید Kannel (اختیاری) :");
inline const QString kServiceLabel = QStringLiteral(u"get-url برای sms-service در kannel.conf :");
inline const QString kSave = QStringLiteral(u"ذخیره");
inline const QString kSaved = QStringLiteral(u"تنظیمات درگاه ذخیره شد");
inline const QString kNotSaved = QStringLiteral(u"تنظیمات درگاه ذخیره نشد : ");

inline const QString kBadUrl =
    QStringLiteral(u"نشانی ارسال باید به شکل http://host:13013/cgi-bin/sendsms باشد");
inline const QString kBadWindow =
    QStringLiteral(u"تعداد پیام های همزمان باید عددی بین 1 تا 1000 باشد");
inline const QString kBadRate =
    QStringLiteral(u"حداکثر پیام در ثانیه باید عددی بین 0 تا 100000 باشد");
inline const QString kBadTimeout = QStringLiteral(u"مهلت پاسخ باید عددی بین 1 تا 600 ثانیه باشد");
inline const QString kBadAddress =
    QStringLiteral(u"نشانی دریافت گزارش باید یک نشانی IP مانند 127.0.0.1 باشد");
inline const QString kBadPort = QStringLiteral(u"درگاه دریافت گزارش باید عددی بین 1 تا 65535 باشد");
inline const QString kBadNumber = QStringLiteral(u"لطفا در این قسمت فقط عدد وارد نمایید");
inline const QString kNotListening =
    QStringLiteral(u"دریافت گزارش های درگاه روی این نشانی و درگاه ممکن نشد : ");
inline const QString kListening = QStringLiteral(u"گزارش ها و پیام های درگاه دریافت می شوند روی ");
inline const QString kNotConfigured = QStringLiteral(u"درگاه ارسال تنظیم نشده است");

} // namespace gatewaytext
