#include "device/SerialDevices.h"

#include <QDir>
#include <QFileInfo>

namespace serialdevices {

QStringList present(const QString& devDir, const QString& sysTtyDir) {
    const QDir dev(devDir);
    const QDir sys(sysTtyDir);
    QStringList out;
    for (const QString& family :
         {QStringLiteral("ttyUSB"), QStringLiteral("ttyACM"), QStringLiteral("rfcomm")}) {
        QList<std::pair<int, QString>> found;
        const QStringList names = dev.entryList({family + u'*'}, QDir::System | QDir::Files);
        for (const QString& name : names) {
            bool ok = false;
            const int n = name.mid(family.size()).toInt(&ok);
            if (ok && n >= 0 && QFileInfo::exists(sys.filePath(name)))
                found.append({n, dev.filePath(name)});
        }
        std::sort(found.begin(), found.end());
        for (const auto& f : std::as_const(found))
            out.append(f.second);
    }
    return out;
}

} // namespace serialdevices
