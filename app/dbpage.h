#pragma once
// The page "База данных" (TabDb): the operation-log lines of one meter.
// Every change of SpinFilter lists the lines whose serial prefix matches.

#include "app/operationlog.h"

#include <QWidget>

class QPlainTextEdit;
class QSpinBox;

namespace app {

class DbPage : public QWidget
{
    Q_OBJECT
public:
    DbPage(const OperationLog &log, QWidget *parent = nullptr);

    void ShowLogForSerial();

private:
    const OperationLog &m_log;
    QSpinBox *m_filter = nullptr;
    QPlainTextEdit *m_memo = nullptr;
};

} // namespace app
