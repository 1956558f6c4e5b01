#include "ProgramFixture.h"

#include <QDialog>
#include <QDir>

#include "shell/ui/Modal.h"
#include "device/PortSearch.h"
#include <QEventLoop>
#include <QTimer>

#include "sending/SendRun.h"
#include "sending/ui/SendingSubsystem.h"
#include "shell/ProgramDir.h"
#include "app/ProgramRoot.h"
#include "app/TFormMain.h"

ProgramFixture::ProgramFixture(const QString& dir, const QDateTime& start) : clock(start) {
    if (dir.isEmpty()) {
        m_temp = std::make_unique<QTemporaryDir>();
        m_dirPath = m_temp->path() + QLatin1Char('/');
    } else {
        m_dirPath = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    }
    ProgramDir::setOverride(m_dirPath);
    // The machine's own serial devices play no part in a test's search.
    PortSearch::setDeviceList([] { return QStringList(); });
    Modal::setRunner([this](QDialog* d) {
        modalShown.append(d);
        return int(QDialog::Accepted);
    });
    Browser::setFactory([this](QWidget* parent) -> std::unique_ptr<Browser> {
        auto made = std::make_unique<RecordingBrowser>(parent);
        browser = made.get();
        return made;
    });
}

ProgramFixture::~ProgramFixture() {
    m_windows.reset();
    Modal::setRunner(nullptr);
    Browser::setFactory(nullptr);
    ProgramDir::setOverride(QString());
    PortSearch::setDeviceList(nullptr);
}

void ProgramFixture::start() {
    m_windows = std::make_unique<ProgramRoot>();
    auto p = std::make_unique<ScriptedPhone>();
    phone = p.get();
    main().KylixSMS1.setBackend(std::move(p));
}

void ProgramFixture::startShown() {
    start();
    main().show();
    finishFade();
}

void ProgramFixture::finishFade() {
    clock.advance(3 * 60);
}

TFormMain& ProgramFixture::main() const {
    return *m_windows->FormMain;
}

bool ProgramFixture::waitForRun(SendRun& run, int limitMs) {
    if (!run.isRunning())
        return true;
    QEventLoop loop;
    QObject::connect(&run, &SendRun::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return !run.isRunning();
}

bool ProgramFixture::waitForSendRun(int limitMs) {
    if (!m_windows || !m_windows->sending)
        return true;
    return waitForRun(m_windows->sending->run(), limitMs);
}
