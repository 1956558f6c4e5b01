#pragma once

#include <QString>
#include <QStringList>

// Captions and messages of the connect and settings pages.
namespace devicetext {
inline const QString kConnectHeading = QStringLiteral(u"تنظیمات نحوه اتصال");
inline const QString kModeLabel = QStringLiteral(u"حالت اتصال");
inline const QString kProtocolLabel = QStringLiteral(u"سیستم");
inline const QString kParameterLabel = QStringLiteral(u"شماره پورت");
inline const QString kPinLabel = QStringLiteral(u"پین کد");
inline const QString kAutoSearch = QStringLiteral(u"جستجوی خودکار جهت یافتن سخت افزار ارسال پیام");
inline const QString kConnect = QStringLiteral(u"  اتصال");
inline const QString kDisconnect = QStringLiteral(u" قطع اتصال");
inline const QString kHardwareHeading = QStringLiteral(u"اطلاعات سخت افزار");
inline const QString kManufactureLabel = QStringLiteral(u"شرکت سازنده");
inline const QString kModelLabel = QStringLiteral(u"مدل دستگاه");
inline const QString kImeiLabel = QStringLiteral(u"IMEI کد");
inline const QString kNetworkInfoLabel = QStringLiteral(u"اطلاعات شبکه");
inline const QString kBatteryLabel = QStringLiteral(u"شارژ باطري");
inline const QString kReceptionLabel = QStringLiteral(u"ميزان آنتن دهي");
inline const QString kFirmwareLabel = QStringLiteral(u"نرم افزار سیستم");
inline const QString kHardwareLabel = QStringLiteral(u"سخت افزار");
inline const QString kTimeLabel = QStringLiteral(u"زمان");
inline const QString kRefresh = QStringLiteral(u"به روز رسانی");
inline const QString kSetTime = QStringLiteral(u" تنظیم زمان");
inline const QString kSettingsHeading = QStringLiteral(u"تنظیمات برنامه");
inline const QString kConcatenated =
    QStringLiteral(u"الحاق و ارسال پیامهای طولانی در قالب یک پیام");
inline const QString kDeleteAllReport = QStringLiteral(u"حذف اتومات تمام گزارشات وضعیتها");
inline const QString kSendTimeoutLabel = QStringLiteral(u"زمان اتمام مهلت ارسال");
inline const QString kSendIntervalLabel = QStringLiteral(u"زمان بین ارسالهای پیاپی");
inline const QString kSendRetryLabel = QStringLiteral(u"زمان تلاش مجدد ارسال");
inline const QString kValidityLabel = QStringLiteral(u"مدت زمان اعتبار پیام");
inline const QString kSmscLabel = QStringLiteral(u"شماره مرکز پیام");
inline const QString kNoHardwareOnPort =
    QStringLiteral(u"هیچ سخت افزار مناسبی جهت اتصال و استفاده در این درگاه یافت نگردید");
inline const QString kNoHardware =
    QStringLiteral(u"هیچ سخت افزار مناسبی جهت اتصال و استفاده یافت نگردید");
inline const QString kConnected = QStringLiteral(u"اتصال با موفقیت برقرار گردید");
inline const QString kConnectedNoNetwork =
    QStringLiteral(u"اتصال با سخت افزار  ارسال پیام  برقرار  گردید , لیکن  اطلاعات شبکه\r\rو  مرکز "
                   u"پیام شناسایی نگردید ,  لذا در صورت  بروز  مشکل  در هنگام\r\rارسال پیام , صحت "
                   u"سیم کارت و عملکرد سخت افزار  را برسی نمایید");
inline const QString kNotConnected =
    QStringLiteral(u"لطفا ابتدا سخت افزار ارسال را انتخاب نموده و به آن متصل گردید");
inline const QString kDisconnected = QStringLiteral(u" ارتباط با سخت افزار قطع گردید");
// The device went away by itself (unplugged, its link dropped).
inline const QString kConnectionLost =
    QStringLiteral(u"ارتباط با سخت افزار ارسال به طور ناگهانی قطع گردید , لطفا اتصال آن را بررسی "
                   u"نموده و دوباره متصل گردید");
inline const QString kDisconnectFailed =
    QStringLiteral(u" خطا : عملیات قطع ارتباط با مشکل مواجه گردید");
inline const QString kTimeSet = QStringLiteral(u"زمان تنظیم گردید");
inline const QString kTimeSetFailed = QStringLiteral(u"تنظیم زمان با مشکل مواجه گردید");
inline const QString kConnectFirst = QStringLiteral(u"ابتدا به سخت افزار ارسال متصل گردید");
inline const QString kSmscStored = QStringLiteral(u"اطلاعات مرکز پیام ثبت گردید");
inline const QString kOperationFailed = QStringLiteral(u"عملیات با مشکل مواجه گردید");

inline const QStringList kModes = {QStringLiteral("Physical/Virtual COM Port"),
                                   QStringLiteral("Infrared"), QStringLiteral("Bluetooth"),
                                   QStringLiteral("USB")};
inline const QStringList kProtocols = {QStringLiteral("AT Command"), QStringLiteral("Nokia FBus"),
                                       QStringLiteral("Nokia MBus")};
inline const QStringList kValidities = {QStringLiteral("1 Hour"), QStringLiteral("6 Hours"),
                                        QStringLiteral("1 Day"),  QStringLiteral("3 Days"),
                                        QStringLiteral("1 Week"), QStringLiteral("Max Time")};
inline const QString kDefaultParameter = QStringLiteral("COM1, 9600");
inline const QString kFastParameter = QStringLiteral("COM1, 115200");
inline const QString kLastPortFile = QStringLiteral("cnn.kvx");
// A connect refused because another process of the program (a run started
// from the command line, or the program's window) has the port.
inline QString portHeld(const QString& device, qint64 pid) {
    return QStringLiteral(u"درگاه %1 هم اکنون در اختیار ارسالی از خط فرمان یا پنجره دیگری از "
                          u"برنامه است (پردازش %2) ؛ پس از پایان آن دوباره اتصال را امتحان کنید")
        .arg(device)
        .arg(pid);
}
} // namespace devicetext
