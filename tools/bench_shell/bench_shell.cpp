// Measures: process start to the first shown main window (the 2.5 s splash
// skipped), resident memory once idle, and the coding count of a 5,000
// character Persian text.
//   tavrik-bench-shell [program-dir]
// The program directory defaults to a fresh temporary folder.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

#include "app/ProgramRoot.h"
#include "device/KylixSMS.h"
#include "shell/ui/Modal.h"
#include "shell/ProgramDir.h"
#include "app/TFormMain.h"

namespace {
// Milliseconds since this process was started by the kernel.
double sinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble(); // field 22 of the whole line
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double nowMs = boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& l : status.readAll().split('\n')) {
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    const double atMain = sinceProcessStart();
    QApplication app(argc, argv);
    const double afterApp = sinceProcessStart();
    QTemporaryDir temp;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    ProgramDir::setOverride(dir);
    Modal::setRunner([](QDialog*) { return int(QDialog::Accepted); });

    ProgramRoot windows;
    const double afterWindows = sinceProcessStart();
    windows.FormMain->show();
    QApplication::processEvents();
    const double shownMs = sinceProcessStart();
    std::printf("start to first shown main window: %.1f ms (clock resolution %ld ticks/s)\n",
                shownMs, sysconf(_SC_CLK_TCK));
    std::printf("  of which: to main %.1f, application %.1f, windows %.1f, show %.1f ms\n", atMain,
                afterApp - atMain, afterWindows - afterApp, shownMs - afterWindows);

    QTimer::singleShot(1500, &app, [&] {
        std::printf("idle resident memory: %.1f MB\n", residentMb());

        KylixSMS control;
        const QString text(5000, QChar(0x0633));
        std::vector<double> us;
        QString info;
        for (int round = 0; round < 200; ++round) {
            const auto t0 = std::chrono::steady_clock::now();
            info = control.GetSMSCodingInfo(text);
            const auto t1 = std::chrono::steady_clock::now();
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        }
        std::sort(us.begin(), us.end());
        std::printf("GetSMSCodingInfo, 5000 Persian characters (%s): median %.2f us, "
                    "max %.2f us\n",
                    qPrintable(info), us[us.size() / 2], us.back());
        windows.FormMain->hide();
        app.quit();
    });
    return app.exec();
}
