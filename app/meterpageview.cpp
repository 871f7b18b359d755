#include "meterpageview.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace app {

using protocol::MeterPage;

MeterPageView::MeterPageView(MeterPage &page, bool databaseMode, QWidget *parent)
    : QWidget(parent), m_page(page)
{
    setObjectName(QStringLiteral("TabAbout"));
    // Left: identity and settings, the info list and the status; right: the
    // readings, the instantaneous values and the sensors.
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(4, 4, 4, 4);
    columns->setSpacing(4);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    left->setSpacing(4);
    right->setSpacing(4);
    columns->addLayout(left, 56);
    columns->addLayout(right, 44);

    left->addWidget(makeList(MeterPage::ListMain, QStringLiteral("ListMain")), 1);
    left->addWidget(fitted(makeList(MeterPage::ListInfo, QStringLiteral("ListInfo"))));
    right->addWidget(fitted(makeList(MeterPage::ListAddi, QStringLiteral("ListAddi"))));
    right->addWidget(fitted(makeList(MeterPage::ListParam, QStringLiteral("ListParam"))));
    right->addWidget(fitted(makeList(MeterPage::ListSensor, QStringLiteral("ListSensor"))));
    right->addStretch();

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
    left->addWidget(statusBox);

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
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int c = 1; c < tree->columnCount(); ++c)
        tree->header()->setSectionResizeMode(c, QHeaderView::Stretch);
    m_lists[id] = tree;
    for (int row = 0; row < MeterPage::rowCount(id); ++row)
        for (int c = 0; c < MeterPage::valueColumnCount(id); ++c)
            showCell(id, row, c);
    return tree;
}

void MeterPageView::showCell(MeterPage::ListId id, int row, int column)
{
    QTreeWidget *tree = m_lists[id];
    if (!tree || row < 0 || row >= tree->topLevelItemCount())
        return;
    QTreeWidgetItem *item = tree->topLevelItem(row);
    const QString text = m_page.cell(id, row, column);
    item->setText(1 + column, text);
    item->setToolTip(1 + column, text); // long values are elided in the cell
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
