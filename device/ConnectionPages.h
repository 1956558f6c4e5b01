#pragma once

#include <QObject>

class TFormMain;

// The connect and settings pages (1 and 2) and the status strip's lamps and gauges.
class ConnectionPages : public QObject {
    Q_OBJECT
public:
    explicit ConnectionPages(TFormMain& main);

private:
    TFormMain& m_main;
};
