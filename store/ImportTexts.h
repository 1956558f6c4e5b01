#pragma once

#include <QString>

// Messages of contact import and export: the readers' refusals of a file,
// the reasons a row is refused, and the report's lines.
namespace importtext {

// A file that cannot be taken; nothing is changed.
inline const QString kUnreadable = QStringLiteral(u"فایل انتخاب شده قابل خواندن نمی باشد");
inline const QString kUnknownType = QStringLiteral(
    u"نوع این فایل پشتیبانی نمی شود؛ فایل های csv، txt، xlsx، ods، xls و vcf قابل ورود هستند");
inline const QString kBinary =
    QStringLiteral(u"فایل انتخاب شده یک فایل متنی نیست و اطلاعاتی از آن وارد نشد");
inline const QString kCellTooLong = QStringLiteral(
    u"یک خانه از فایل بیش از اندازه طولانی است؛ فایل آسیب دیده است و اطلاعاتی از آن وارد نشد");
inline const QString kTooManyColumns = QStringLiteral(
    u"یک سطر از فایل بیش از اندازه ستون دارد؛ فایل آسیب دیده است و اطلاعاتی از آن وارد نشد");
inline const QString kTooLarge =
    QStringLiteral(u"محتوای فایل پس از باز شدن بیش از اندازه بزرگ است؛ فایل پذیرفته نشد");
inline const QString kBrokenSheet =
    QStringLiteral(u"ساختار فایل صفحه گسترده آسیب دیده است و اطلاعاتی از آن وارد نشد");
inline const QString kNotASheet = QStringLiteral(u"فایل انتخاب شده یک فایل صفحه گسترده معتبر نیست");
inline const QString kNoCard = QStringLiteral(u"در فایل انتخاب شده هیچ کارت تماسی یافت نشد");

// Why a row was refused.
inline const QString kNoNumber = QStringLiteral(u"شماره ندارد");
inline const QString kInvalidNumber = QStringLiteral(u"شماره معتبر نیست");
inline const QString kLandline = QStringLiteral(u"شماره تلفن ثابت است، شماره همراه لازم است");

// The report.
inline const QString kReportRows = QStringLiteral(u"سطرهای خوانده شده");
inline const QString kReportImported = QStringLiteral(u"اعضای وارد شده");
inline const QString kReportCleaned = QStringLiteral(u"شماره های اصلاح شده");
inline const QString kReportRefused = QStringLiteral(u"سطرهای رد شده");
inline const QString kReportEmpty = QStringLiteral(u"سطرهای خالی");
inline const QString kReportDupFile = QStringLiteral(u"تکراری در فایل");
inline const QString kReportDupGroup = QStringLiteral(u"تکراری در گروه");
inline const QString kReportDupSkipped = QStringLiteral(u"تکراری های وارد نشده");
inline const QString kReportDupKept = QStringLiteral(u"تکراری های وارد شده");
inline const QString kReportDupMerged = QStringLiteral(u"تکراری های ادغام شده");
inline const QString kReportBadDates = QStringLiteral(u"تاریخ های نامفهوم (خالی ماند)");
inline const QString kReportCancelled =
    QStringLiteral(u"ورود اطلاعات لغو شد و گروه بدون تغییر ماند");
inline const QString kReportFailed =
    QStringLiteral(u"ورود اطلاعات با مشکل مواجه شد و گروه بدون تغییر ماند");
inline const QString kReportLine = QStringLiteral(u"سطر");
inline const QString kReportReason = QStringLiteral(u"علت");

// Column headings of exported files, which import guesses back.
inline const QString kHeadName = QStringLiteral(u"نام");
inline const QString kHeadFamily = QStringLiteral(u"نام خانوادگی");
inline const QString kHeadNumber = QStringLiteral(u"موبایل");
inline const QString kHeadBirth = QStringLiteral(u"تاریخ تولد");
inline const QString kHeadContract = QStringLiteral(u"تاریخ قرارداد");
inline const QString kHeadGroup = QStringLiteral(u"گروه");

} // namespace importtext

// The import window and the buttons of the groups page.
namespace importtext {
inline const QString kImportButton = QStringLiteral(u"ورود اعضا از فایل ...");
inline const QString kExportButton = QStringLiteral(u"خروجی گروه ...");
inline const QString kExportAllButton = QStringLiteral(u"خروجی همه گروه ها ...");
inline const QString kWindowTitle = QStringLiteral(u"ورود اعضا از فایل");
inline const QString kChooseFile = QStringLiteral(u"انتخاب فایل ...");
inline const QString kEncoding = QStringLiteral(u"کدگذاری");
inline const QString kDelimiter = QStringLiteral(u"جداکننده");
inline const QString kAutoDetect = QStringLiteral(u"تشخیص خودکار");
inline const QString kHasHeader = QStringLiteral(u"سطر اول عنوان ستون هاست");
inline const QString kIntoGroup = QStringLiteral(u"به گروه موجود");
inline const QString kIntoNewGroup = QStringLiteral(u"به گروه جدید");
inline const QString kColumn = QStringLiteral(u"ستون");
inline const QString kNoColumn = QStringLiteral(u"(هیچ)");
inline const QString kDuplicatesLabel = QStringLiteral(u"شماره های تکراری");
inline const QString kDupSkip = QStringLiteral(u"وارد نشوند");
inline const QString kDupKeep = QStringLiteral(u"وارد شوند");
inline const QString kDupMerge = QStringLiteral(u"با عضو موجود ادغام شوند");
inline const QString kStart = QStringLiteral(u"شروع ورود اطلاعات");
inline const QString kCancel = QStringLiteral(u"انصراف");
inline const QString kSaveRefused = QStringLiteral(u"ذخیره سطرهای رد شده ...");
inline const QString kClose = QStringLiteral(u"بستن");
inline const QString kChooseNumberColumn = QStringLiteral(u"لطفا ستون شماره همراه را مشخص نمایید");
inline const QString kChooseTarget =
    QStringLiteral(u"ابتدا گروه مورد نظر را انتخاب نمایید یا نام گروه جدید را وارد نمایید");
inline const QString kNoFile = QStringLiteral(u"ابتدا فایل مورد نظر را انتخاب نمایید");
inline const QString kImportFilter =
    QStringLiteral(u"فایل های اعضا|*.csv;*.txt;*.tsv;*.xlsx;*.ods;*.xls;*.vcf|همه فایل ها|*.*");
inline const QString kExportFilter = QStringLiteral(u"CSV|*.csv|Excel|*.xlsx|vCard|*.vcf");
inline const QString kRefusedFilter = QStringLiteral(u"CSV|*.csv");
inline const QString kExported = QStringLiteral(u"تعداد اعضای ذخیره شده در فایل");
inline const QString kExportFailed = QStringLiteral(u"ذخیره فایل با مشکل مواجه گردید");
inline const QString kChooseGroupFirst =
    QStringLiteral(u"ابتدا نام گروه مود نظر را از لیست انتخاب نمایید");
} // namespace importtext

// The opt-out list's window.
namespace importtext {
inline const QString kOptOutsButton = QStringLiteral(u"لیست لغو دریافت پیام ...");
inline const QString kOptOutsTitle = QStringLiteral(u"شماره هایی که پیام گروهی دریافت نمی کنند");
inline const QString kOptOutAdd = QStringLiteral(u"افزودن");
inline const QString kOptOutRemove = QStringLiteral(u"حذف");
inline const QString kOptOutImport = QStringLiteral(u"ورود از فایل ...");
inline const QString kOptOutExport = QStringLiteral(u"ذخیره در فایل ...");
inline const QString kOptOutCount = QStringLiteral(u"تعداد");
inline const QString kOptOutWords =
    QStringLiteral(u"پاسخ هایی که فرستنده را به لیست اضافه می کنند (هر سطر یک عبارت)");
inline const QString kOptOutWordsSave = QStringLiteral(u"ذخیره عبارت ها");
inline const QString kOptOutWordsNotSaved = QStringLiteral(u"ذخیره عبارت ها امکان پذیر نمی باشد");
} // namespace importtext
