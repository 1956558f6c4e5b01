#pragma once

#include <QObject>

class TFormMain;

// The members-entry and members-editing pages (5 and 6).
class GroupPages : public QObject {
    Q_OBJECT
public:
    explicit GroupPages(TFormMain& main);

private:
    TFormMain& m_main;
};
