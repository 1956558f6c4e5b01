#pragma once

#include <QString>

#include "store/StoreTexts.h"

// Captions and messages of the send page and the date filter window.
namespace sendtext {
inline const QString kInitialCoding = QStringLiteral("0,160,GSM");
inline const QString kInsertNameHint =
    QStringLiteral(u"استخراح نام هر مخاطب از بانک اطلاعات و درج  در این محل از متن پیام");
inline const QString kPlaceholder = QStringLiteral("**");
inline const QString kOnePlaceholderOnly = QStringLiteral(
    u"کاربر گرامی : درج نام و نام خانوادگی , فقط در یک قسمت از پیام امکان پذیر می باشد");
inline const QString kPlaceholderInserted = QStringLiteral(
    u"نام و نام خانوادگی هر یک از اعضا , پس از استخراج از بانک اطلاعات در این قسمت از پیام درج "
    u"خواهد گردید");

inline const QString kFlash = QStringLiteral(u"نمايش پيام روي صفحه تلفن مخاطب");
inline const QString kInbox = QStringLiteral(u"ورود به صندوق دريافت تلفن مخاطب");
inline const QString kRequestReport = QStringLiteral(u"دریافت گزارش تحويل پيام");
inline const QString kReportNote =
    QStringLiteral(u"نکته : درخواست دریافت و ذخیره گزارش تحویل پیامها در هنگام ارسال گروهی , "
                   u"موجب کاهش سرعت ارسال می گردد");
// A line under every bulk message telling how to opt out.
inline const QString kOptOutFooter = QStringLiteral(u"لغو11");
inline const QString kOptOutFooterCaption =
    QStringLiteral(u"افزودن «لغو11» به انتهای پیام های گروهی");
inline const QString kErrorControl = QStringLiteral(u"کنترل خطا  هنگام ارسال");
inline const QString kToleranceLow = QStringLiteral(u"زیاد");
inline const QString kToleranceHigh = QStringLiteral(u"کم");

inline const QString kToNumber = QStringLiteral(u"ارسال به شماره");
inline const QString kToGroup = QStringLiteral(u"ارسال به گروه");
inline const QString kToAllGroups = QStringLiteral(u"ارسال به کليه گروه ها");
inline const QString kToRange = QStringLiteral(u"ارسال به بازه شماره های");
inline const QString kSendToAll = QStringLiteral("              Send  To  All");
inline const QString kRangeTo = QStringLiteral(u"الی");

inline const QString kClearCaption = QStringLiteral(u"    انصراف");
inline const QString kClearHint = QStringLiteral(u"انصراف");
inline const QString kSendCaption = QStringLiteral(u"     ارسال");
inline const QString kSendHint = QStringLiteral(u"ارسال پیام");

// The date-filter box of the page.
inline const QString kFilterLabel = QStringLiteral(u"فیلتر تاریخ فعال گردد");
inline const QString kBirthKind = QStringLiteral(u"تاریخ تولد");
inline const QString kContractKind = QStringLiteral(u"تاریخ عقد قرارداد");

// The date filter window.
inline const QString kFilterLine1 =
    QStringLiteral(u"اعمال فیلتر تاریخ در هنگام ارسال پیامک به اعضای گروهها ");
inline const QString kFilterLine2 =
    QStringLiteral(u"در صورتی که تاریخ تولد  یا  تاریخ قراردادشان  برابر باشد با :");
inline const QString kBirthRow = QStringLiteral(u": تاریخ تولد");
inline const QString kContractRow = QStringLiteral(u": ... تاریخ قرارداد و");
inline const QString kConfirm = QStringLiteral(u"تایید");
inline const QString kCancel = QStringLiteral(u"انصراف");
inline const QString kYearText = QStringLiteral(u"13 X X");
// Month-day entry speaks as the members' date boxes do.
inline const QString& kNoYearNeeded = storetext::kNoYearNeeded;
inline const QString& kBirthIncomplete = storetext::kBirthIncomplete;
inline const QString& kContractIncomplete = storetext::kContractIncomplete;
inline const QString kBirthInvalid =
    QStringLiteral(u"تاریخ تولد وارد شده مشکل زمانی داشته و صحیح نمی باشد");
inline const QString kContractInvalid =
    QStringLiteral(u"تاریخ قرارداد وارد شده مشکل زمانی داشته و صحیح نمی باشد");
} // namespace sendtext
