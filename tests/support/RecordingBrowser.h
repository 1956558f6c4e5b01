#pragma once

#include <QStringList>
#include <QWidget>

#include "shell/ui/Browser.h"

// Stands in for the web engine: records what the page asked of it.
class RecordingBrowser : public Browser {
public:
    explicit RecordingBrowser(QWidget* parent) : m_view(new QWidget(parent)) {}
    QWidget* widget() override { return m_view; }
    void navigate(const QString& address) override { calls.append("navigate " + address); }
    void stop() override { calls.append(QStringLiteral("stop")); }
    void reload() override { calls.append(QStringLiteral("reload")); }

    QStringList calls;

private:
    QWidget* m_view;
};
