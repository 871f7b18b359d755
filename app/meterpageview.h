#pragma once
// The page "О счетчике" (TabAbout): the five lists, MemoStatus and
// EditDelta, showing what the page model holds.

#include "protocol/meterpage.h"

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace app {

class MeterPageView : public QWidget
{
    Q_OBJECT
public:
    MeterPageView(protocol::MeterPage &page, bool databaseMode, QWidget *parent = nullptr);

    QTreeWidget *list(protocol::MeterPage::ListId id) const { return m_lists[id]; }

private:
    QTreeWidget *makeList(protocol::MeterPage::ListId id, const QString &objectName);
    static QTreeWidget *fitted(QTreeWidget *tree);
    void showCell(protocol::MeterPage::ListId id, int row, int column);
    void showStatus();

    protocol::MeterPage &m_page;
    QTreeWidget *m_lists[protocol::MeterPage::kListCount] = {};
    QPlainTextEdit *m_memoStatus = nullptr;
    QLineEdit *m_editDelta = nullptr;
};

} // namespace app
