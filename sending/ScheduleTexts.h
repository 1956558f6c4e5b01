#pragma once

#include <QString>

// What the schedules tell the operator.
namespace scheduletext {

inline const QString kOnce = QStringLiteral(u"یک بار");
inline const QString kDaily = QStringLiteral(u"روزانه");
inline const QString kStateWaiting = QStringLiteral(u"در انتظار");
inline const QString kStateRun = QStringLiteral(u"اجرا شد");
inline const QString kStateMissed = QStringLiteral(u"از دست رفت");
inline const QString kStateOff = QStringLiteral(u"غیرفعال");
inline const QString kStateDone = QStringLiteral(u"پایان یافته");

inline const QString kNoName = QStringLiteral(u"لطفا برای زمان بندی نامی وارد نمایید");
inline const QString kNoText = QStringLiteral(u"متن پیام خالی است , لطفا متن پیام را وارد نمایید");
inline const QString kBadDate = QStringLiteral(u"تاریخ وارد شده در تقویم وجود ندارد");
inline const QString kPastTime =
    QStringLiteral(u"زمان انتخاب شده گذشته است , لطفا زمانی در آینده انتخاب نمایید");
inline const QString kNoNumber = QStringLiteral(u"لطفا شماره گیرنده را وارد نمایید");
inline const QString kNoGroup = QStringLiteral(u"لطفا حداقل یک گروه را انتخاب نمایید");
inline const QString kBadRange =
    QStringLiteral(u"لطفا شماره اول و آخر بازه را به طور کامل و فقط با رقم وارد نمایید");
inline const QString kFilterNeedsGroups =
    QStringLiteral(u"فیلتر تاریخ فقط در ارسال به گروه ها امکان پذیر می باشد");
inline const QString kBadTolerance = QStringLiteral(u"میزان تحمل خطا باید بین 1 تا 20 باشد");

inline const QString kNotOpen = QStringLiteral(u"فایل زمان بندی ها باز نشد :");
inline const QString kNotSaved = QStringLiteral(u"زمان بندی ذخیره نشد :");
inline const QString kDeleteQuestion = QStringLiteral(u"زمان بندی «%1» حذف شود ؟");
inline const QString kChooseRow =
    QStringLiteral(u"لطفا ابتدا یک زمان بندی را از لیست انتخاب نمایید");

// The schedules page.
inline const QString kNavSchedules = QStringLiteral(u"ارسال زمان بندی شده");
inline const QString kHeading = QStringLiteral(u"ارسال های زمان بندی شده");
inline const QString kColName = QStringLiteral(u"نام");
inline const QString kColKind = QStringLiteral(u"نوع");
inline const QString kColTime = QStringLiteral(u"زمان");
inline const QString kColRecipients = QStringLiteral(u"گیرندگان");
inline const QString kColLast = QStringLiteral(u"آخرین اجرا");
inline const QString kColNext = QStringLiteral(u"اجرای بعدی");
inline const QString kAdd = QStringLiteral(u"زمان بندی جدید");
inline const QString kEdit = QStringLiteral(u"ویرایش");
inline const QString kDelete = QStringLiteral(u"حذف");
inline const QString kGrace =
    QStringLiteral(u"مهلت اجرای دیرهنگام پس از روشن شدن برنامه (دقیقه) :");
inline const QString kName = QStringLiteral(u"نام :");
inline const QString kDate = QStringLiteral(u"تاریخ (سال / ماه / روز) :");
inline const QString kTime = QStringLiteral(u"ساعت :");
inline const QString kText = QStringLiteral(u"متن پیام :");
inline const QString kPlaceholderButton = QStringLiteral(u"درج نام");
inline const QString kRecipients = QStringLiteral(u"گیرندگان");
inline const QString kFilter = QStringLiteral(u"فیلتر تاریخ روز اجرا :");
inline const QString kNoFilter = QStringLiteral(u"بدون فیلتر");
inline const QString kTolerance = QStringLiteral(u"تحمل خطا :");
inline const QString kEnabled = QStringLiteral(u"فعال");
inline const QString kSave = QStringLiteral(u"ذخیره");
inline const QString kGroupPrefix = QStringLiteral(u"گروه : ");
inline const QString kDateInvalid = QStringLiteral(u"این تاریخ در تقویم وجود ندارد");
inline const QString kNone = QStringLiteral("-");

// Notes in the status bar while the program is open.
inline const QString kStarted = QStringLiteral(u"ارسال زمان بندی شده «%1» آغاز شد");
inline const QString kMissed =
    QStringLiteral(u"ارسال زمان بندی شده «%1» در زمان خود (%2) انجام نشد و اجرا نخواهد شد");
inline const QString kWaitingRun =
    QStringLiteral(u"ارسال زمان بندی شده «%1» منتظر پایان ارسال جاری است");
inline const QString kWaitingDevice =
    QStringLiteral(u"ارسال زمان بندی شده «%1» منتظر اتصال به سخت افزار است");

// The command line's lines, Persian then English.
inline const QString kCliRun = QStringLiteral(u"اجرای زمان بندی «%1» برای %2 / running schedule "
                                              u"\"%1\" for %2");
inline const QString kCliMissed = QStringLiteral(u"زمان بندی «%1» در %2 از دست رفت / schedule "
                                                 u"\"%1\" missed at %2");
inline const QString kCliNotOpen =
    QStringLiteral(u"فایل زمان بندی ها باز نشد / the schedules file did not open: %1");
inline const QString kCliNotClaimed =
    QStringLiteral(u"ثبت اجرای زمان بندی «%1» ممکن نشد و اجرا نشد / schedule \"%1\" could not be "
                   u"claimed, not run");

} // namespace scheduletext
