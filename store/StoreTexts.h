#pragma once

#include <QString>

// Captions and messages of the contact store's pages: groups and members,
// backup and restore, the credit calculator.
namespace storetext {

// Members-entry and members-editing pages
inline const QString kEntryHeading = QStringLiteral(u": ثبت  مشخصات اعضای گروه ها ");
inline const QString kEditHeading = QStringLiteral(u": ویرایش  مشخصات اعضای گروه ها ");
inline const QString kMemberCount = QStringLiteral(u"تعداد اعضا");
inline const QString kNewGroupLabel = QStringLiteral(u"نام گروه جدید");
inline const QString kChooseGroupLabel = QStringLiteral(u"انتخاب گروه مورد نظر");
inline const QString kNameLabel = QStringLiteral(u": نام ");
inline const QString kFamilyLabel = QStringLiteral(u": نام خانوادگی");
inline const QString kBirthLabel = QStringLiteral(u": تاریخ تولد");
inline const QString kContractLabel = QStringLiteral(u": ... تاریخ قرارداد و");
inline const QString kYearText = QStringLiteral(u"13 X X");
inline const QString kNumberLabel = QStringLiteral(u": شماره همراه");
inline const QString kColName = QStringLiteral(u"نام");
inline const QString kColFamily = QStringLiteral(u"نام خانوادگی");
inline const QString kColNum = QStringLiteral(u"شماره همراه");
inline const QString kColTart = QStringLiteral(u"تاریخ تولد");
inline const QString kColTarg = QStringLiteral(u"... تاریخ قرارداد و");
inline const QString kDeleteCaption = QStringLiteral(u"حذف");
inline const QString kChooseCaption = QStringLiteral(u"انتخاب");
inline const QString kEditRecord = QStringLiteral(u"ویرایش رکورد جاری");
inline const QString kPostRecord = QStringLiteral(u"اعمال ویرایش");
inline const QString kDeleteRecord = QStringLiteral(u"حذف رکورد جاری");
inline const QString kEditHint =
    QStringLiteral(u"جهت ویرایش مشخصات اعضای گروهها ابتدا گروه مورد نظر را از لیست انتخاب نمایید");
inline const QString kCreateCaption = QStringLiteral(u"  ثبت");
inline const QString kAddCaption = QStringLiteral(u"    ثبت اطلاعات");
inline const QString kPasteHint = QStringLiteral(u"جایگذاری از روی حافظه کلیپ بورد");
inline const QString kContractNotice =
    QStringLiteral(u"این قسمت مربوط به درج تاریخهای متفرقه از جمله تاریخ عقد قرارداد , تاریخ "
                   u"ازدواج و غیره می باشد");
inline const QString kNameNotice1 =
    QStringLiteral(u"در صورت استفاده نام و نام خانوادگی اعضا در متن پیام و تمایل به");
inline const QString kNameNotice2 = QStringLiteral(u"درج کلماتی از قبیل ");
inline const QString kNameNotice3 = QStringLiteral(u" قبل از نام مخاطب");
inline const QString kNameNotice4 =
    QStringLiteral(u"کلمه  یا کلمات مورد نظر خود را نیز همراه  نام  افراد  وارد  نمایید ,");
inline const QString kNoYearNeeded = QStringLiteral(u"نیازی به وارد کردن سال نمی باشد");
inline const QString kEnterNewGroup = QStringLiteral(u"ابتدا نام گروه جدید را وارد نمایید");
inline const QString kNameExists = QStringLiteral(u"نام وارد شده از قبل موجود می باشد");
inline const QString kGroupCreated = QStringLiteral(u"گروه جدید ثبت گردید");
inline const QString kChooseGroupFirst =
    QStringLiteral(u"ابتدا نام گروه مود نظر را از لیست انتخاب نمایید");
inline const QString kAskDeleteGroup = QStringLiteral(u"آیا از حذف این گروه مطمئنید؟");
inline const QString kOperationFailed = QStringLiteral(u"عملیات با مشکل مواجه گردید");
inline const QString kGroupDeleted = QStringLiteral(u"گروه انتخاب شده حذف گردید");
inline const QString kChooseEntryGroup =
    QStringLiteral(u"ابتدا گروه مورد نظر جهت ورود اطلاعات اعضا را انتخاب نمایید");
inline const QString kEnterName = QStringLiteral(u"لطفا نام شخص مود نظر را وارد نمایید");
inline const QString kEnterFamily =
    QStringLiteral(u"لطفا نام خانوادگی شخص مورد نظر را وارد نمایید");
inline const QString kBirthIncomplete =
    QStringLiteral(u"لطفا تاریخ تولد را به طور کامل وارد نمایید ,  به عنوان مثال  03/08");
inline const QString kBirthInvalid =
    QStringLiteral(u"تاریخ تولد وارد شده مشکل زمانی داشته و صحیح نمی باشد");
inline const QString kContractIncomplete =
    QStringLiteral(u"لطفا تاریخ قرارداد را به طور کامل وارد نمایید ,  به عنوان مثال  03/08");
inline const QString kContractInvalid =
    QStringLiteral(u"تاریخ قرارداد وارد شده مشکل زمانی داشته و صحیح نمی باشد");
inline const QString kEnterNumber = QStringLiteral(u"لطفا شماره همراه فرد مورد نظر را وارد نمایید");
inline const QString kNumberInvalid = QStringLiteral(u"شماره وارد شده صحیح نمی باشد");
inline const QString kMemberAdded = QStringLiteral(u"اطلاعات ثبت گردید");
// The titles the name notice suggests, shown in ASCII double quotes.
inline const QString kNameNoticeTitles = QStringLiteral(u"سرکارخانم  یا جناب آقای");
inline const QString kNameNotice = kNameNotice1 + QStringLiteral("\n\n") + kNameNotice2 +
                                   QLatin1Char('"') + kNameNoticeTitles + QLatin1Char('"') +
                                   kNameNotice3 + QStringLiteral("\n\n") + kNameNotice4;
// The toolkit's own question before a grid row is deleted.
inline const QString kDeleteRecordQuestion = QStringLiteral("Delete record?");

// Backup page
inline const QString kBackupHeading = QStringLiteral(u"پشتیبانی اطلاعات ");
inline const QString kBackupCaption = QStringLiteral(u"پشيبان گرفتن از اطلاعات");
inline const QString kWait = QStringLiteral(u"...  لطفا کمي صبر کنيد ");
inline const QString kRestoreCaption = QStringLiteral(u"بارگذاري از روي نسخه پشتيبان");
inline const QString kBackupTitle =
    QStringLiteral(u"لطفا مسیر مورد نظر جهت ذخیره پشتیبان را انتخاب نمایید");
inline const QString kNoPath = QStringLiteral(u"شما هیچ مسیری را انتخاب نکردید");
inline const QString kBackupDone = QStringLiteral(u"عملیات با موفقیت به پایان رسید");
inline const QString kRestoreTitle =
    QStringLiteral(u"لطفا مسیر فایلهای ذخیره شده را انتخاب نمایید");
inline const QString kNoBackupFile =
    QStringLiteral(u"فایل مورد نظر در مسیر انتخابی شما وجود ندارد");
inline const QString kCopyToDisk =
    QStringLiteral(u"ابتدا فایلهای پشتیبان را بر روی هارد دیسک سیستم خود کپی نموده و سپس اقدام به "
                   u"بارگذاری اطلاعات نمایید");
inline const QString kRestoreDone =
    QStringLiteral(u"عملیات با موفقیت انجام شده و برنامه نیاز به راه اندازی مجدد دارد");
// Asked before a restore replaces the live files, with or without the log.
inline const QString kAskRestore = QStringLiteral(
    u"آیا موافقید اطلاعات فعلی گروه ها و اعضا با اطلاعات نسخه پشتیبان جایگزین گردد؟");
inline const QString kAskRestoreWithLog =
    QStringLiteral(u"آیا موافقید اطلاعات فعلی گروه ها و اعضا و پیامهای ارسال و دریافت شده با "
                   u"اطلاعات نسخه پشتیبان جایگزین گردد؟");
inline const QString kBackupLogOption =
    QStringLiteral(u"پیامهای ارسال و دریافت شده نیز در نسخه پشتیبان ذخیره گردد");
inline const QString kOlderLayout =
    QStringLiteral(u"به دلیل تغییر در ساختار بانک اطلاعات , اطلاعات نسخه های قبلی در این نسخه قابل "
                   u"بازیابی نمی باشد");

// Credit calculator
inline const QString kPriceLabel =
    QStringLiteral(u"مبلغ هر پیام با توجه به سیم کارت در حال استفاده و تعرفه فعلی");
inline const QString kRial = QStringLiteral(u"ریال");
inline const QString kPartsChoice =
    QStringLiteral(u"متن پیام مورد نظر شامل چند بخش ( پیام)  می باشد");
inline const QString kSampleChoice =
    QStringLiteral(u"وارد کردن متن جهت محاسبه خودکار تعداد بخشهای هر پیام");
inline const QString kCodingDefault = QStringLiteral(u"0,160,GSM");
inline const QString kCompute = QStringLiteral(u"محاسبه");
inline const QString kResultBefore = QStringLiteral(u"سیم کارت شما جهت ارسال بعدی نیاز به ");
inline const QString kResultAfter = QStringLiteral(u"ریال ، شارژ دارد");
inline const QString kEnterPrice = QStringLiteral(
    u"لطفا مبلغ هر پیام با توجه به سیم کارت در حال استفاده و تعرفه فعلی را وارد نمائید");
inline const QString kChooseGroupPlease =
    QStringLiteral(u"لطفا نام گروه مورد نظر را انتخاب نمائید");
inline const QString kEnterParts = QStringLiteral(u"لطفا تعداد بخش های متن پیام را مشخص نمائید");
inline const QString kCalcFailed =
    QStringLiteral(u"به دلیل بروز مشکل ادامه محاسبات امکان پذیر نمی باشد");
inline const QString kCalculatorLabel = QStringLiteral(u"محاسبه اعتبار لازم جهت ارسال بعدی");

} // namespace storetext
