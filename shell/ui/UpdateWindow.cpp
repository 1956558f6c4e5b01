#include "shell/ui/UpdateWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AboutTexts.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/WidgetNames.h"

UpdateWindow::UpdateWindow(QWidget* parent) : PlainWindow("Form5", kCaption, {372, 243}, parent) {
    using namespace abouttext;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(372, 243);
    auto* layout = new QVBoxLayout(this);
    auto* picture = named(new QLabel(this), "imgUpdate");
    picture->setFixedSize(340, 90);
    picture->setPixmap(pictures::splash(picture->size()));
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    const struct {
        const QString& text;
        const char* name;
        void (UpdateWindow::*chosen)();
    } buttons[] = {
        {kDownloadLatest, "btnDownload", &UpdateWindow::downloadLatest},
        {kLatestNotice, "btnNotice", &UpdateWindow::latestNotice},
        {kVisitSite, "btnSite", &UpdateWindow::visitSite},
    };
    for (const auto& b : buttons) {
        auto* button = named(new QPushButton(b.text, this), b.name);
        button->setAutoDefault(false);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, chosen = b.chosen] {
            Q_EMIT(this->*chosen)();
            accept();
        });
    }
}
