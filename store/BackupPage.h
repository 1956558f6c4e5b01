#pragma once

#include <QObject>

class TFormMain;

// The backup and restore page (9).
class BackupPage : public QObject {
    Q_OBJECT
public:
    explicit BackupPage(TFormMain& main);

private:
    TFormMain& m_main;
};
