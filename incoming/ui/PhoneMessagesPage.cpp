#include "incoming/ui/PhoneMessagesPage.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "device/KylixSMS.h"
#include "incoming/IncomingTexts.h"
#include "incoming/ui/DeviceHold.h"
#include "shell/Bidi.h"
#include "shell/ui/BidiDelegate.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

namespace {
struct ListColumn {
    const QString* caption;
    int width;
    bool centred;
};
} // namespace

PhoneMessagesPage::PhoneMessagesPage(ShellContext& shell, QObject* parent)
    : QObject(parent), m_shell(shell) {
    using namespace incomingtext;
    QWidget* page = m_shell.page(Page::PhoneMessages);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);
    auto* title = named(new QLabel(bidi::caption(kPhoneTitle), page), "lblPhoneTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    auto* row = new QHBoxLayout;
    row->addWidget(named(new QLabel(kPhoneLabel, page), "lblReadAll"));
    m_btnReadAllSMS = named(new QPushButton(kPhoneButton, page), "btnReadAllSMS");
    row->addWidget(m_btnReadAllSMS);
    row->addStretch(1);
    layout->addLayout(row);

    const ListColumn columns[] = {{&kColRow, 40, false},   {&kColFolder, 80, true},
                                  {&kColStatus, 60, true}, {&kColLocation, 60, true},
                                  {&kColTime, 120, true},  {&kColNumber, 100, true},
                                  {&kColConcat, 85, true}, {&kColText, 1200, false}};
    m_SMSList = named(new QTableWidget(0, 8, page), "SMSList");
    m_SMSList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_SMSList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_SMSList->setShowGrid(true);
    m_SMSList->verticalHeader()->hide();
    m_SMSList->setItemDelegate(new BidiDelegate(m_SMSList));
    m_SMSList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The header's own minimum would widen the narrow columns past their
    // widths and push the text column off the page; a column grows only
    // where its caption needs the room in this font.
    QHeaderView* header = m_SMSList->horizontalHeader();
    header->setMinimumSectionSize(1);
    const int margin =
        2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
    for (int c = 0; c < 8; ++c) {
        m_SMSList->setHorizontalHeaderItem(c, new QTableWidgetItem(*columns[c].caption));
        const int needed = header->fontMetrics().horizontalAdvance(*columns[c].caption) + margin;
        m_SMSList->setColumnWidth(c, std::max(columns[c].width, needed));
    }
    layout->addWidget(m_SMSList, 1);
    connect(m_btnReadAllSMS, &QPushButton::clicked, this, &PhoneMessagesPage::readAction);
}

void PhoneMessagesPage::readAction() {
    DeviceGate::Hold hold = incomingui::holdConnected(m_shell);
    if (!hold)
        return;
    m_shell.showPleaseWait();
    const bool ok = btnReadAllSMSClick();
    hold.release();
    if (!ok)
        m_shell.messages().showMessage(incomingtext::kReadFailed);
    m_shell.closePleaseWait();
}

bool PhoneMessagesPage::btnReadAllSMSClick() {
    KylixSMS& sms = m_shell.deviceSms();
    m_SMSList->setRowCount(0);
    for (int i = 0; i <= kLastIndex; ++i) {
        const int result = sms.ReadAllSMS(i == 0 ? 1 : 0);
        // 0 is the end of the list; below 0 the device failed.
        if (result < 0)
            return false;
        if (result == 0)
            break;
        const int status = sms.LastReadSMSStatus();
        const QString cells[8] = {
            QString::number(i + 1),
            sms.GetSMSFolderName(sms.LastReadSMSFolder()),
            status >= 1 && status <= 4 ? incomingtext::kStatusTexts[status - 1] : QString(),
            QString::number(sms.LastReadSMSLocation()),
            sms.LastReadSMSTime(),
            sms.LastReadSMSNumber(),
            sms.LastReadSMSConcatenatedInfo(),
            sms.LastReadSMSText()};
        const int row = m_SMSList->rowCount();
        m_SMSList->insertRow(row);
        for (int c = 0; c < 8; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 1 && c <= 6)
                item->setTextAlignment(Qt::AlignCenter);
            m_SMSList->setItem(row, c, item);
        }
    }
    return true;
}
