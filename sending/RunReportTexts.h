#pragma once

#include <QString>

// What a run's report says.
namespace reporttext {

inline const QString kTitle = QStringLiteral(u"گزارش ارسال");
inline const QString kOpenButton = QStringLiteral(u"گزارش ارسال");
inline const QString kNoReport =
    QStringLiteral(u"برای این ردیف گزارشی در فایل ثبت ارسال ها موجود نیست");
inline QString runLine(const QString& target, const QString& date, const QString& time) {
    return QStringLiteral(u"گیرنده پیام : %1 ، تاریخ : %2 ، زمان : %3").arg(target, date, time);
}
inline const QString kTotal = QStringLiteral(u"کل گیرندگان");
inline const QString kOptedOut = QStringLiteral(u"لغو شده (ارسال نشد)");
inline QString duration(qint64 ms) {
    if (ms < 0)
        return QStringLiteral(u"مدت ارسال : نامعلوم");
    const qint64 s = ms / 1000;
    return QStringLiteral(u"مدت ارسال : %1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}
inline const QString kShowOnly = QStringLiteral(u"نمایش :");
inline const QString kEveryRecipient = QStringLiteral(u"همه گیرندگان");
inline const QString kColLink = QStringLiteral(u"مودم");
inline const QString kByLink = QStringLiteral(u"به تفکیک مودم");
inline const QString kMessagesChart = QStringLiteral(u"پیام ها در طول زمان");
inline const QString kDeliveryChart = QStringLiteral(u"گزارش های تحویل در طول زمان");
inline const QString kAxisTime = QStringLiteral(u"زمان");
inline const QString kAxisCount = QStringLiteral(u"تعداد");
inline const QString kNotSent = QStringLiteral(u"ارسال نشده یا رد شده");
inline const QString kExportCsv = QStringLiteral(u"ذخیره در فایل CSV");
inline const QString kExportXlsx = QStringLiteral(u"ذخیره در فایل Excel");
inline const QString kRefresh = QStringLiteral(u"بازخوانی");
inline const QString kClose = QStringLiteral(u"بستن");
inline const QString kExporting = QStringLiteral(u"در حال ذخیره گیرندگان ...");
inline const QString kExportFailed = QStringLiteral(u"ذخیره فایل امکان پذیر نمی باشد : ");

} // namespace reporttext
