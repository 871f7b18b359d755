#pragma once
// The page "Протокол" (TabProtocol): Memo_Terminal, which only ever has
// lines appended, and CheckProtocol "Выключить", which suspends the trace.
// The view keeps the most recent kMaxLines lines so hours of tracing do not
// slow the window down.

#include "app/protocolview.h"

#include <QWidget>

class QCheckBox;
class QPlainTextEdit;

namespace app {

class ProtocolPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxLines = 100000;

    ProtocolPage(ProtocolView &feed, QWidget *parent = nullptr);

private:
    QPlainTextEdit *m_terminal = nullptr;
    QCheckBox *m_check = nullptr;
};

} // namespace app
