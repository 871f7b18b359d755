#include "dbpage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace app {

DbPage::DbPage(const OperationLog &log, QWidget *parent) : QWidget(parent), m_log(log)
{
    setObjectName(QStringLiteral("TabDb"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Номер:"), this));
    m_filter = new QSpinBox(this);
    m_filter->setObjectName(QStringLiteral("SpinFilter"));
    m_filter->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    m_filter->setValue(0);
    m_filter->setMinimumWidth(120);
    top->addWidget(m_filter);
    top->addStretch();
    layout->addLayout(top);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("MemoDb"));
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setUndoRedoEnabled(false);
    layout->addWidget(m_memo);
    connect(m_filter, &QSpinBox::valueChanged, this, &DbPage::ShowLogForSerial);
}

void DbPage::ShowLogForSerial()
{
    m_memo->clear();
    // Streamed: a log of hundreds of megabytes is never held whole.
    QStringList lines;
    m_log.forEachLogLine(m_filter->value(), [&](const QString &line) {
        lines << line;
        return true;
    });
    m_memo->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace app
