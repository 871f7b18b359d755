#pragma once
// The page "О счетчике" (TabAbout): the five lists, MemoStatus and
// EditDelta, showing what the page model holds.
//
// Every caption and every value the meter can produce is shown whole at the
// window's fixed size, without a tool tip: the right-hand lists are as wide
// as their widest value (a reading in exponent form, a date-time) needs, and
// ListMain, which takes the rest, wraps its long captions and values onto a
// second line of the same row.

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidget *makeList(protocol::MeterPage::ListId id, const QString &objectName);
    QWidget *makeStatusBox(bool databaseMode);
    void makeWrapping(QTreeWidget *tree);
    void splitMainColumns();
    static QTreeWidget *fitted(QTreeWidget *tree);
    static int valueColumnWidth(const QTreeWidget *tree);
    int rightColumnWidth() const;
    void showCell(protocol::MeterPage::ListId id, int row, int column);
    void showStatus();

    protocol::MeterPage &m_page;
    QTreeWidget *m_lists[protocol::MeterPage::kListCount] = {};
    QPlainTextEdit *m_memoStatus = nullptr;
    QLineEdit *m_editDelta = nullptr;
};

} // namespace app
