#pragma once

#include "shell/ui/PlainWindow.h"

// The update window: three ways to the maker's web site. Each button says
// what was chosen and closes the window; the web page does the browsing.
class UpdateWindow : public PlainWindow {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("UPDATE");
    explicit UpdateWindow(QWidget* parent = nullptr);

Q_SIGNALS:
    void downloadLatest();
    void latestNotice();
    void visitSite();
};
