#pragma once

#include <QString>

#include "device/ConnectionTexts.h"

// The fixed texts of the inbox, the phone messages, the sent log, the
// delivery reports and the SIM charge page.
namespace incomingtext {

// Beside an inbox row's status when its text is a reply to the opt-out list.
inline const QString kOptOutReplyMark = QStringLiteral(u"لغو دریافت پیام");
inline const QString kOptInReplyMark = QStringLiteral(u"ادامه دریافت پیام");
inline const QString kColRow = QStringLiteral(u"ردیف");
inline const QString kColFolder = QStringLiteral(u"پوشه");
inline const QString kColStatus = QStringLiteral(u"وضعیت");
inline const QString kColLocation = QStringLiteral(u"موقعیت");
inline const QString kColTime = QStringLiteral(u"زمان");
inline const QString kColNumber = QStringLiteral(u"شماره");
inline const QString kColConcat = QStringLiteral(u"پیوستگی");
inline const QString kColText = QStringLiteral(u" متن پیام");
inline const QString kNoticeTitle = QStringLiteral(u"آخرین پیام دریافتی :");
inline const QString kInboxTitle = QStringLiteral(u": پیامهای دریافت شده ");
inline const QString kClickHint = QStringLiteral(u"جهت مشاهده متن هر پیام بر روی آن کلیک نمایید");
inline const QString kColSender = QStringLiteral(u"فرستنده پیام");
inline const QString kColTimeSent = QStringLiteral(u"زمان ارسال");
inline const QString kColDateSent = QStringLiteral(u" تاریخ ارسال");
inline const QString kColPos = QStringLiteral(u" وضعیت");
inline const QString kColModem = QStringLiteral(u"مودم");
inline const QString kViewText = QStringLiteral(u"مشاهده متن پیام");
inline const QString kReplyCaption = QStringLiteral(u"   ارسال پاسخ");
inline const QString kInboxDeleteCaption = QStringLiteral(u"     حذف پیام");
inline const QString kDeleteQuestion = QStringLiteral(u"آیا موافقید پیام انتخاب شده حذف گردد؟");
inline const QString kCountTotal = QStringLiteral(u"  تعداد کل پیامها     ");
inline const QString kCountRead = QStringLiteral(u"  تعداد پیام خوانده شده     ");
inline const QString kCountNew = QStringLiteral(u"  تعداد پیام جدید     ");
inline const QString kPhoneTitle = QStringLiteral(u" پیامهای متنی داخل تلفن همراه و سیم کارت :");
inline const QString kPhoneLabel = QStringLiteral(u"خواندن و به روز رسانی اطلاعات");
inline const QString kPhoneButton = QStringLiteral(u"انجام عملیات");
// Every device action asks for the connection with the connect page's words.
inline const QString& kNotConnected = devicetext::kNotConnected;
// A press while another action holds the device (a refresh, a send run, a
// read) does not run; the operator is told, in the send run's words.
inline const QString kDeviceBusy = QStringLiteral(
    u"سخت افزار ارسال در حال انجام کار دیگری است ، لطفا لحظاتی بعد مجددا تلاش نمایید");
inline const QString kReadFailed = QStringLiteral(u"انجام عملیات با مشکل مواجه گردید");
inline const QString kColRecipient = QStringLiteral(u"گیرنده پیام");
inline const QString kSentTitle = QStringLiteral(u": پیامهای ارسال شده ");
inline const QString kResendCaption = QStringLiteral(u"   ارسال مجدد");
inline const QString kSentDeleteCaption = QStringLiteral(u"    حذف پیام");
inline const QString kNoText = QStringLiteral(u"هیچ متنی موجود نمی باشد");
inline const QString kDeliveredStart = QStringLiteral(u"پیام ارسالی شما به شماره");
inline const QString kDeliveredEnd = QStringLiteral(u"با موفقیت ارسال گردید");
inline const QString kNotDelivered = QStringLiteral(u"ارسال پیام با مشکل مواجه گردید");
inline const QString kReportCaption = QStringLiteral(u"گزارش تحویل پیام");
inline const QString kReportIntro1 =
    QStringLiteral(u"این لیست شامل شماره هایی است که در آخرین سری ارسال دسته جمعی  ,  گزارش "
                   u"تحویلشان  توسط برنامه");
inline const QString kReportIntro2 = QStringLiteral(u" دریافت و ثبت گردیده است.");
inline const QString kReportNote1 =
    QStringLiteral(u"نکته 1 : عدم دریافت گزارش تحویل به معنی عدم ارسال موفق پیام نمی باشد.");
inline const QString kReportNote2 =
    QStringLiteral(u"نکته 2 : دریافت و ذخیره گزارش تحویل پیام به پشتیبانی دستگاه مودم جی اسم شما "
                   u"از این امکان بستگی دارد.");
inline const QString kViewList = QStringLiteral(u"مشاهده لیست");
inline const QString kSaveList = QStringLiteral(u"ذخیره لیست");
inline const QString kDeleteList = QStringLiteral(u"حذف لیست");
inline const QString kNoList = QStringLiteral(u"هیچ لیستی موجود نمی باشد");
inline const QString kDone = QStringLiteral(u"عملیات انجام شد");
inline const QString kListNotDeleted =
    QStringLiteral(u"حذف فایل لیست گزارش های تحویل امکان پذیر نمی باشد ، لیست باقی ماند");
inline const QString kDialCaption = QStringLiteral(u"درخواست عملیات");
inline const QString kEndCaption = QStringLiteral(u"پایان عملیات");
inline const QString kChargeTitle =
    QStringLiteral(u"شارژ و مشاهده  موجودی  حساب  سیم کارت قرار داده شده در مودم  GSM");
inline const QString kDialFailed = QStringLiteral(u"سیستم فعلا با مشکل مواجه گردید");
inline const QString kEndDone = QStringLiteral(u"عملیات با موفقیت انجام گردید");

// The phone's status codes 1 to 4 as the list shows them.
inline const QString kStatusTexts[] = {QStringLiteral("Unread"), QStringLiteral("Read"),
                                       QStringLiteral("Unsent"), QStringLiteral("Sent")};
inline const QString kReportNumber = QStringLiteral("Number :  ");
inline const QString kReportTime = QStringLiteral("              Time :  ");
inline const QString kReportModem = QStringLiteral("              Modem :  ");
inline const QString kDeliverFile = QStringLiteral("deliver.txt");
// Inbox rows the log would not take at closing, stored at the next start.
inline const QString kUnsavedFile = QStringLiteral("reci-unsaved.txt");
inline const QString kTextFilter = QStringLiteral("Text File|*.txt");
inline const QString kRejectCalls = QStringLiteral("Auto Reject Incoming Call");
inline const QString kUssdOk = QStringLiteral("OK");
// A received message the log database would not take: it is kept and
// written with the next one or at closing.
inline const QString kNotStored = QStringLiteral(
    u"پیام دریافتی در بانک اطلاعات ثبت نشد؛ برنامه آن را نگه می دارد و با پیام بعدی یا هنگام "
    u"خروج دوباره ثبت می کند");

} // namespace incomingtext
