#pragma once

#include <QString>

#include <array>
#include <memory>
#include <vector>

#include "device/KylixSMS.h"
#include "shell/CoreContext.h"
#include "store/Database.h"

// The program's core without its windows, for the command line and for
// scheduled runs started from a timer: the databases of the data folder, the
// SMS control on the device backend, the clock's date and time, the shell's
// timers, and no pages. The settings page is not there, so its defaults
// stand for it.
class HeadlessContext : public CoreContext {
public:
    // folder: the data folder, with or without a trailing '/'.
    explicit HeadlessContext(const QString& folder);
    ~HeadlessContext() override;

    // Opens both databases; false with the engine's reason.
    bool open(QString* error);

    enum class Connect {
        Connected,
        NoPort, // no parameter given and none saved by the connect page
        Held,   // another process of the program has the port
        Failed, // no modem answered on the port
    };
    // parameter: "COM3, 9600", a device path, or empty for the port the
    // connect page remembered. port tells which one was tried; heldBy the
    // holder's process id when it was held.
    Connect connectModem(const QString& parameter, QString* port = nullptr,
                         qint64* heldBy = nullptr);
    void disconnectModem();
    // The last status note, the outcome of the last run.
    QString statusNote() const { return m_note; }

    Database& database() override;
    KylixSMS& sms() override { return m_sms; }
    QString programDir() const override { return m_dir; }
    void selectPage(Page) override {}
    void pageEntry() override {}
    PersianDate today() const override;
    QString statusTime() const override;
    bool isConnected() const override { return m_connected; }
    ShellHooks& hooks() override { return m_hooks; }
    void showStatusNote(const QString& text) override { m_note = text; }
    ClockTimer& timer(ShellTimer timer) override;
    void setNewMessageNotice(bool) override {}

private:
    QString m_dir;
    // Made by open(): the connections are the process's own, and a window
    // in the same process (a test) keeps its own until a run needs them.
    std::unique_ptr<Database> m_db;
    KylixSMS m_sms;
    ShellHooks m_hooks;
    std::vector<HookFill> m_fills;
    std::array<ClockTimer, 5> m_timers;
    bool m_connected = false;
    QString m_note;
};
