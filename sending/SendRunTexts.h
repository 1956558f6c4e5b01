#pragma once

#include <QString>

#include "store/StoreTexts.h"

#include "device/ConnectionTexts.h"
#include "sending/SendJournal.h"

// What the send run, the progress window and the failed-numbers page say.
namespace sendtext {

// Every device action asks for the connection with the connect page's words.
inline const QString& kNotConnected = devicetext::kNotConnected;
inline const QString kNumberEmpty = QStringLiteral(u"لطفا شماره فرد مورد نظر را وارد نمایید");
inline const QString kCannotGoOn = QStringLiteral(
    u"به دلیل بروز مشکل ادامه ارسال امکان پذیر نمی باشد , لطفا بعدا مجددا عملیات را تکرار نمایید");
inline const QString kNoGroups = QStringLiteral(u"هیچ گروهی برای برنامه تعریف نشده است");
inline const QString kGroupEmpty = QStringLiteral(u"لطفا نام گروه مورد نظر را وارد نمایید");
inline const QString kRangeEmpty =
    QStringLiteral(u"ابتدا نقطه آغاز و پایان شماره های بازه مورد نظر را وارد نمایید");
inline const QString kRangeReversed =
    QStringLiteral(u"شماره اول بازه باید از شماره دوم کوچکتر باشد");
// Not a text of the older program: it counted such a range wrongly.
inline const QString kRangeTooLarge =
    QStringLiteral(u"بازه مورد نظر بیش از 2147483647 شماره است ، لطفا بازه کوچکتری وارد نمایید");
inline const QString kTitleOneNumber = QStringLiteral(u"ارسال به یک نفر");
inline const QString kTitleRange = QStringLiteral(u"ارسال به بازه تعین شده");
inline const QString kSummaryDate = QStringLiteral(u"تاریخ عملیات : ");
inline const QString kSummaryTime = QStringLiteral(u"زمان عملیات : ");
inline const QString kSummaryGroup = QStringLiteral(u"گروه ارسال  : ");
inline const QString kAllGroupsName = QStringLiteral(u"کلیه گروه ها");
inline const QString kSummaryKeptGroup =
    QStringLiteral(u"ذخیره ارسالهای ناموفق از ابتدا تا انتهای گروه : ");
inline const QString kSummaryKeptAll =
    QStringLiteral(u"ذخیره ارسالهای ناموفق از اولین گروه تا انتهای گروه : ");
inline const QString kRetryStart = QStringLiteral(u"به دلیل بروز مشکل در شبکه، ارسال پیام به ");
inline const QString kRetryMiddle = QStringLiteral(u" شماره با مشکل مواجه گردید");
inline const QString kRetryEnd =
    QStringLiteral(u"آیا موافقید جهت ارسال پیام، به شماره های مذکور مجددا تلاش گردد؟");
inline const QString kCancelNotice = QStringLiteral(u"عملیات به درخواست کاربر متوقف گردید");
inline const QString kCloseProgramQuestion =
    QStringLiteral(u"آیا موافقید عملیات متوقف گردیده و برنامه بسته شود؟");
inline const QString kCancelCaption = QStringLiteral(u"   انصراف");
inline const QString kCancelHint = QStringLiteral(u"انصراف و بازگشت به برنامه");
inline const QString kCloseProgramHint = QStringLiteral(u"انصراف و بستن برنامه");
inline const QString kTitleLabel = QStringLiteral(u": نام گروه در حال ارسال");
inline const QString kSentLabel = QStringLiteral(u": تعداد پیام ارسال شده");
inline const QString kContactsLabel = QStringLiteral(u": تعداد مخاطبین");
inline const QString kTargetRange = QStringLiteral(u"ارسال به بازه");
inline const QString kTargetGroupPrefix = QStringLiteral(u"گروه ");
inline const QString kHeading =
    QStringLiteral(u"لیست شماره هایی ارسال پیام به  آنها در آخرین عملیات ارسال  ناموفق بوده است");
inline const QString kSummaryBox = QStringLiteral(u"اطلاعات آخرین عملیات");
inline const QString kMessageBox = QStringLiteral(u"متن پیام");
inline const QString kListBox = QStringLiteral(u"لیست شماره های موجود");
inline const QString kFormGroup = QStringLiteral(u"تشکیل گروه جهت ارسال");
inline const QString kSaveText = QStringLiteral(u"ذخیره متن پیام");
inline const QString kDeleteList = QStringLiteral(u"حذف لیست");
inline const QString kNoNumbers = QStringLiteral(u"هیچ شماره ای در لیست موجود نمی باشد");
inline const QString kGroupFormed =
    QStringLiteral(u"گروه شماره های ارسال نشده, تشکیل و به ابتدای لیست \r\rنام گروهها اضافه گردیده "
                   u"و آماده  انتخاب و ارسال می باشد");
inline const QString kListDeleted = QStringLiteral(u"لیست حذف گردید");
// The failed-number grid shows a member table's columns.
inline const QString& kColName = storetext::kColName;
inline const QString& kColFamily = storetext::kColFamily;
inline const QString& kColNum = storetext::kColNum;
inline const QString kTextFilter = QStringLiteral(u"Text Files|*.txt");

// Errors inside a run: each ends the run with the main window back.
inline const QString kDeviceGone =
    QStringLiteral(u"ارتباط با سخت افزار ارسال قطع گردیده است ، ارسال متوقف گردید");
inline const QString kDeviceBusy = QStringLiteral(
    u"سخت افزار ارسال در حال انجام کار دیگری است ، لطفا لحظاتی بعد مجددا تلاش نمایید");
inline const QString kMemberTableMissing =
    QStringLiteral(u"جدول اعضای گروه قابل خواندن نمی باشد ، ارسال متوقف گردید");
inline const QString kSettingNotNumber = QStringLiteral(
    u"فاصله ارسال ، تعداد تکرار و زمان انتظار در صفحه تنظیمات باید عدد باشند ، ارسال متوقف گردید");
inline const QString kRangeNotNumber =
    QStringLiteral(u"شماره های بازه باید فقط از ارقام تشکیل شده باشند");
inline const QString kLogNotWritten =
    QStringLiteral(u"ثبت عملیات ارسال در گزارش ارسال ها امکان پذیر نمی باشد");
// Some failed members could not be written to the failed-number list.
inline const QString kFailedNotKept =
    QStringLiteral(u"ذخیره شماره های ارسال نشده در بانک اطلاعات با مشکل مواجه گردید");

// The send journal keeps every recipient's state; without it no run starts.
inline const QString kJournalNotOpen =
    QStringLiteral(u"فایل ثبت وضعیت ارسال ها قابل استفاده نمی باشد ، ارسال انجام نشد");
inline const QString kJournalNotWritten =
    QStringLiteral(u"ثبت وضعیت ارسال در فایل ثبت ارسال ها امکان پذیر نمی باشد ، ارسال متوقف گردید");

// Under the progress window's counts.
inline QString runCounts(qint64 sent, qint64 failed, qint64 unknown, qint64 pending,
                         qint64 secondsLeft) {
    return QStringLiteral(
               u"ارسال شده %1 ، ناموفق %2 ، نامعلوم %3 ، مانده %4 ، زمان باقیمانده %5:%6")
        .arg(sent)
        .arg(failed)
        .arg(unknown)
        .arg(pending)
        .arg(secondsLeft / 60)
        .arg(secondsLeft % 60, 2, 10, QLatin1Char('0'));
}

// A run an earlier start left unfinished, as the operator is told of it.
inline QString unfinishedRun(qint64 sent, qint64 refused, qint64 unknown, qint64 pending) {
    return QStringLiteral(u"ارسال قبلی به پایان نرسیده است : %1 پیام ارسال شده ، %2 ناموفق ، "
                          u"%3 با وضعیت نامعلوم و %4 پیام هنوز ارسال نشده است")
        .arg(sent)
        .arg(refused)
        .arg(unknown)
        .arg(pending);
}
// Told at start, after how far each unfinished run got.
inline const QString kUnfinishedAtStart = QStringLiteral(
    u"پس از اتصال به دستگاه ، با زدن دکمه ارسال می توانید ارسال قبلی را ادامه دهید یا آن را "
    u"ببندید");
// Status reports of the run so far, after the counts when there are any.
inline QString reportCounts(qint64 delivered, qint64 undelivered) {
    return QStringLiteral(u" ، تحویل شده %1 ، تحویل نشده %2").arg(delivered).arg(undelivered);
}
inline const QString kResumeQuestion = QStringLiteral(
    u"آیا موافقید ارسال به پیام های ارسال نشده ادامه یابد؟ (انصراف : بستن ارسال قبلی)");
inline QString resendUnknownChoice(qint64 n) {
    return QStringLiteral(u"ارسال مجدد به %1 شماره ای که وضعیت ارسال آنها نامعلوم است").arg(n);
}

// The window of a run's recipients.
inline const QString kRecipientsTitle = QStringLiteral(u"گیرندگان آخرین ارسال");
inline const QString kRecipientsButton = QStringLiteral(u"گیرندگان آخرین ارسال");
inline const QString kRecipientsNone = QStringLiteral(u"هنوز ارسالی انجام نشده است");
inline const QString kExportRecipients = QStringLiteral(u"ذخیره در فایل CSV");
inline const QString kExportFailed = QStringLiteral(u"ذخیره فایل امکان پذیر نمی باشد : ");
inline const QString kColPosition = QStringLiteral(u"ردیف");
inline const QString kColState = QStringLiteral(u"وضعیت");
inline QString stateText(RecipientState state) {
    switch (state) {
    case RecipientState::Pending:
        return QStringLiteral(u"ارسال نشده");
    case RecipientState::Submitting:
    case RecipientState::Unknown:
        return QStringLiteral(u"نامعلوم");
    case RecipientState::Sent:
        return QStringLiteral(u"ارسال شده");
    case RecipientState::Refused:
        return QStringLiteral(u"رد شده توسط شبکه");
    case RecipientState::Failed:
        return QStringLiteral(u"ناموفق");
    case RecipientState::Delivered:
        return QStringLiteral(u"تحویل شده");
    case RecipientState::Undelivered:
        return QStringLiteral(u"تحویل نشده");
    }
    return {};
}

// The failed-number rows could not be removed; they and their files stay.
inline const QString kFailedListNotCleared = QStringLiteral(
    u"حذف لیست شماره های ارسال نشده از بانک اطلاعات امکان پذیر نمی باشد ، لیست باقی ماند");

// A run that ended normally tells its outcome in the status bar, without a box.
inline QString outcomeNote(qint64 sent, qint64 failed) {
    return QStringLiteral(u"پایان ارسال : %1 پیام ارسال شد ، %2 ناموفق").arg(sent).arg(failed);
}

// Members on the opt-out list a run passed over: never failures, so never in
// the failed-number list, but counted for the operator beside the others.
inline QString optedOutCount(qint64 n) {
    return QStringLiteral(u"لغو شده (ارسال نشد) : %1").arg(n);
}
// The run summary's line for them, after its four lines; a run that passed
// nobody over keeps the four lines alone.
inline QString optedOutSummaryLine(qint64 n) {
    return QStringLiteral(u"شماره های لغو شده که ارسال نشد : %1").arg(n);
}

// Files of a run, in the program folder.
// A run over several modems waits, and says why.
inline QString pauseForHours(const QString& from) {
    return QStringLiteral(u"خارج از ساعات ارسال ؛ ارسال از ساعت %1 ادامه می یابد").arg(from);
}
inline const QString kPauseLimits = QStringLiteral(
    u"همه مودم ها به سقف ارسال روزانه رسیده اند ؛ ارسال از ساعت 00:00 فردا ادامه می یابد");
inline const QString kPauseNoLink =
    QStringLiteral(u"هیچ مودمی پاسخ نمی دهد ؛ ارسال با اتصال دوباره یکی از مودم ها ادامه می یابد");
inline const QString kLinkDown = QStringLiteral(u"قطع");
inline const QString kLinkAtLimit = QStringLiteral(u"سقف روزانه");
inline QString linkCount(const QString& label, qint64 sent, const QString& state) {
    QString line =
        label + QStringLiteral(u" : ") + QString::number(sent) + QStringLiteral(u" پیام");
    if (!state.isEmpty())
        line += QStringLiteral(u" (") + state + u')';
    return line;
}

inline const QString kLastTextFile = QStringLiteral("ls.txt");
inline const QString kSummaryFile = QStringLiteral("pos.dat");
inline const QString kFailedTextFile = QStringLiteral("lsn.dat");

} // namespace sendtext
