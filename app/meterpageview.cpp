#include "meterpageview.h"

#include "protocol/encodings.h"
#include "protocol/meterdecoders.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

using protocol::MeterPage;

namespace {

// Blank an item view leaves on each side of a cell's text.
int textMargin(const QWidget *view)
{
    return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}

// The widest reading, in the display locale: negative, eight significant
// digits, exponent form.
QString widestNumber()
{
    return protocol::formatFixed3(-8.8888888e38, protocol::displayLocale());
}

// The widest date-time, in the display locale: two-digit day, month and hour.
QString widestDateTime()
{
    return protocol::formatDateTime(QDateTime(QDate(2088, 12, 28), QTime(22, 48, 48)), protocol::displayLocale());
}

// The widest texts a value column of a right-hand list can show: readings,
// date-times, the longest working time, the largest calibration.
QStringList widestValues(MeterPage::ListId id, int valueColumn)
{
    const QString number = widestNumber();
    switch (id) {
    case MeterPage::ListAddi:
        return {number, widestDateTime()};
    case MeterPage::ListInfo:
        return {number, protocol::MeterDecoders::workingTimeText(0xFFFFFFFF)};
    case MeterPage::ListSensor:
        return {valueColumn == MeterPage::SensorCalibration ? QString::number(0xFFFF) : number};
    case MeterPage::ListParam:
    case MeterPage::ListMain:
        return {number};
    }
    return {};
}

// A column's width for its header caption, its current texts (the row
// captions) and, for a value column, the widest value it can show.
int columnNeed(const QTreeWidget *tree, MeterPage::ListId id, int column)
{
    int need = static_cast<const QAbstractItemView *>(tree)->sizeHintForColumn(column);
    if (!tree->isHeaderHidden())
        need = qMax(need, tree->header()->sectionSizeHint(column));
    if (column > 0)
        for (const QString &text : widestValues(id, column - 1))
            need = qMax(need, tree->fontMetrics().horizontalAdvance(text) + 2 * textMargin(tree));
    return need;
}

// Measures a cell at its column's width, so that a row whose caption or value
// wraps gets the height of its lines (the tree view itself measures one line).
class WrappingDelegate : public QStyledItemDelegate
{
public:
    explicit WrappingDelegate(QTreeView *tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem wrapped = option;
        wrapped.rect = QRect(0, 0, m_tree->columnWidth(index.column()), option.fontMetrics.height());
        return QStyledItemDelegate::sizeHint(wrapped, index);
    }

private:
    QTreeView *m_tree;
};

} // namespace

MeterPageView::MeterPageView(MeterPage &page, bool databaseMode, QWidget *parent)
    : QWidget(parent), m_page(page)
{
    setObjectName(QStringLiteral("TabAbout"));
    // Left: identity and settings, and the status; right: the readings, the
    // instantaneous values, the info list and the sensors.
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(4, 4, 4, 4);
    columns->setSpacing(4);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    left->setSpacing(4);
    right->setSpacing(4);
    columns->addLayout(left, 1);
    columns->addLayout(right, 0);

    QTreeWidget *main = makeList(MeterPage::ListMain, QStringLiteral("ListMain"));
    makeWrapping(main);
    left->addWidget(main, 1);
    left->addWidget(makeStatusBox(databaseMode));

    right->addWidget(fitted(makeList(MeterPage::ListAddi, QStringLiteral("ListAddi"))));
    right->addWidget(fitted(makeList(MeterPage::ListParam, QStringLiteral("ListParam"))));
    right->addWidget(fitted(makeList(MeterPage::ListInfo, QStringLiteral("ListInfo"))));
    right->addWidget(fitted(makeList(MeterPage::ListSensor, QStringLiteral("ListSensor"))));
    right->addStretch();
    const int width = rightColumnWidth();
    for (auto id : {MeterPage::ListAddi, MeterPage::ListParam, MeterPage::ListInfo, MeterPage::ListSensor})
        m_lists[id]->setFixedWidth(width);

    connect(&page, &MeterPage::cellChanged, this, &MeterPageView::showCell);
    connect(&page, &MeterPage::memoStatusChanged, this, &MeterPageView::showStatus);
    connect(&page, &MeterPage::editDeltaChanged, m_editDelta, &QLineEdit::setText);
}

QTreeWidget *MeterPageView::makeList(MeterPage::ListId id, const QString &objectName)
{
    auto *tree = new QTreeWidget(this);
    tree->setObjectName(objectName);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::NoSelection);
    tree->setFocusPolicy(Qt::NoFocus);
    tree->setColumnCount(1 + MeterPage::valueColumnCount(id));
    tree->setHeaderLabels(MeterPage::columnTitles(id));
    tree->setHeaderHidden(!MeterPage::showsColumnHeaders(id));
    for (int row = 0; row < MeterPage::rowCount(id); ++row)
        new QTreeWidgetItem(tree, QStringList{MeterPage::rowCaption(id, row)});
    // ListParam keeps four value columns; only the first carries a value.
    if (id == MeterPage::ListParam)
        for (int c = 2; c < tree->columnCount(); ++c)
            tree->setColumnHidden(c, true);
    QFont compact = tree->font();
    compact.setPointSizeF(compact.pointSizeF() - 1);
    tree->setFont(compact);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setTextElideMode(Qt::ElideRight);
    // Every column as wide as its widest text; the last takes what is left.
    QHeaderView *header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    int last = 0;
    for (int c = 0; c < tree->columnCount(); ++c) {
        if (tree->isColumnHidden(c))
            continue;
        header->setSectionResizeMode(c, QHeaderView::Fixed);
        header->resizeSection(c, columnNeed(tree, id, c));
        last = c;
    }
    header->setSectionResizeMode(last, QHeaderView::Stretch);
    m_lists[id] = tree;
    for (int row = 0; row < MeterPage::rowCount(id); ++row)
        for (int c = 0; c < MeterPage::valueColumnCount(id); ++c)
            showCell(id, row, c);
    return tree;
}

// ListMain's captions and values wrap onto further lines of their row: the
// caption column takes what the value column leaves.
void MeterPageView::makeWrapping(QTreeWidget *tree)
{
    tree->setUniformRowHeights(false);
    tree->setWordWrap(true);
    tree->setItemDelegate(new WrappingDelegate(tree));
    tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    tree->viewport()->installEventFilter(this);
}

bool MeterPageView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == m_lists[MeterPage::ListMain]->viewport())
        splitMainColumns();
    return QWidget::eventFilter(watched, event);
}

// Two fifths of ListMain for the values (a load mode takes two lines), at
// least a date-time's width, and the row heights measured anew.
void MeterPageView::splitMainColumns()
{
    QTreeWidget *tree = m_lists[MeterPage::ListMain];
    const int least = tree->fontMetrics().horizontalAdvance(widestDateTime()) + 2 * textMargin(tree);
    tree->header()->resizeSection(1, qMax(least, tree->viewport()->width() * 2 / 5));
    tree->doItemsLayout();
}

QWidget *MeterPageView::makeStatusBox(bool databaseMode)
{
    auto *statusBox = new QWidget(this);
    auto *statusLayout = new QGridLayout(statusBox);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    auto *statusLabel = new QLabel(QStringLiteral("Статус"), statusBox);
    QFont underlined = statusLabel->font();
    underlined.setUnderline(true);
    statusLabel->setFont(underlined);
    m_memoStatus = new QPlainTextEdit(statusBox);
    m_memoStatus->setObjectName(QStringLiteral("MemoStatus"));
    m_memoStatus->setReadOnly(true);
    m_memoStatus->setFixedHeight(40);
    auto *deltaLabel = new QLabel(QStringLiteral("Отклонение времени:"), statusBox);
    m_editDelta = new QLineEdit(statusBox);
    m_editDelta->setObjectName(QStringLiteral("EditDelta"));
    m_editDelta->setReadOnly(true);
    m_editDelta->setFixedWidth(90);
    deltaLabel->setVisible(databaseMode);
    m_editDelta->setVisible(databaseMode);
    statusLayout->addWidget(statusLabel, 0, 0);
    statusLayout->addWidget(deltaLabel, 0, 1, Qt::AlignRight);
    statusLayout->addWidget(m_editDelta, 0, 2);
    statusLayout->addWidget(m_memoStatus, 1, 0, 1, 3);
    statusLayout->setColumnStretch(0, 1);
    return statusBox;
}

// The right-hand lists share one width: that of the one that needs most.
int MeterPageView::rightColumnWidth() const
{
    int width = 0;
    for (auto id : {MeterPage::ListAddi, MeterPage::ListParam, MeterPage::ListInfo, MeterPage::ListSensor}) {
        const QTreeWidget *tree = m_lists[id];
        int need = 2 * tree->frameWidth();
        for (int c = 0; c < tree->columnCount(); ++c)
            if (!tree->isColumnHidden(c))
                need += columnNeed(tree, id, c);
        width = qMax(width, need);
    }
    return width;
}

void MeterPageView::showCell(MeterPage::ListId id, int row, int column)
{
    QTreeWidget *tree = m_lists[id];
    if (!tree || row < 0 || row >= tree->topLevelItemCount())
        return;
    tree->topLevelItem(row)->setText(1 + column, m_page.cell(id, row, column));
}

QTreeWidget *MeterPageView::fitted(QTreeWidget *tree)
{
    // Tall enough for every row: these lists never scroll.
    const int rows = tree->topLevelItemCount();
    const int rowHeight = tree->sizeHintForRow(0) > 0 ? tree->sizeHintForRow(0) : tree->fontMetrics().height() + 2;
    const int header = tree->isHeaderHidden() ? 0 : tree->header()->sizeHint().height();
    tree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree->setFixedHeight(rows * rowHeight + header + 2 * tree->frameWidth() + 2);
    return tree;
}

void MeterPageView::showStatus() { m_memoStatus->setPlainText(m_page.memoStatus().join(QLatin1Char('\n'))); }

} // namespace app
