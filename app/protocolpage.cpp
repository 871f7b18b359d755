#include "protocolpage.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace app {

ProtocolPage::ProtocolPage(ProtocolView &feed, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabProtocol"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_check = new QCheckBox(QStringLiteral("Выключить"), this);
    m_check->setObjectName(QStringLiteral("CheckProtocol"));
    m_terminal = new QPlainTextEdit(this);
    m_terminal->setObjectName(QStringLiteral("Memo_Terminal"));
    m_terminal->setMaximumBlockCount(kMaxLines);
    m_terminal->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_terminal->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_terminal->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_terminal->setUndoRedoEnabled(false); // the undo stack would keep every line twice
    layout->addWidget(m_check);
    layout->addWidget(m_terminal);

    connect(m_check, &QCheckBox::toggled, &feed, &ProtocolView::setSuspended);
    connect(&feed, &ProtocolView::lineAdded, m_terminal, &QPlainTextEdit::appendPlainText);
}

} // namespace app
