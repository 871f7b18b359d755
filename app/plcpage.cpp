#include "plcpage.h"

#include "protocol/rfplc.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

namespace {

enum RouteColumn { ColumnIndex, ColumnAddress, ColumnNumber };

// The widest texts each column of ListRoute can show.
const QString kWidestRouteCell[] = {QStringLiteral("3"), QStringLiteral("255"),
                                    QString::number(protocol::RfPlc::kMaxRouteNumber)};

QSpinBox *makeSpin(const char *name, int maximum, QWidget *parent)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0, maximum);
    spin->setMinimumWidth(spin->sizeHint().width() + 8);
    return spin;
}

// A line edit as wide as `widest` needs, plus the frame and cursor room.
QLineEdit *makeEdit(const char *name, const QString &widest, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(widest) + 24);
    return edit;
}

QPushButton *makeButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false); // no meter yet
    return button;
}

// A caption for `buddy` in column `column` of `row`, the control beside it.
void addRow(QGridLayout *grid, int row, int column, const QString &caption, QWidget *buddy)
{
    auto *label = new QLabel(caption, buddy->parentWidget());
    label->setBuddy(buddy);
    grid->addWidget(label, row, column);
    grid->addWidget(buddy, row, column + 1);
}

} // namespace

PlcPage::PlcPage(protocol::RfPlc &engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("TabPlc"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    column->addWidget(buildAddress(), 0, Qt::AlignLeft);
    column->addWidget(buildRoutes(), 0, Qt::AlignLeft);
    column->addStretch();

    connect(&m_engine, &protocol::RfPlc::readingsChanged, this, &PlcPage::showReadings);
    showReadings();
    storeControls();
}

void PlcPage::setMeterControlsEnabled(bool enabled)
{
    for (QPushButton *button : {BtnWriteAddress, BtnWriteRoute, ButtonDelRoute})
        button->setEnabled(enabled);
}

// ---------------------------------------------------------------- layout

QWidget *PlcPage::buildAddress()
{
    auto *group = new QGroupBox(QStringLiteral(" Группа и адрес "), this);
    group->setObjectName(QStringLiteral("GroupAddress"));
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    // Left: what the meter reports; right: what a write sends.
    EditGroup = makeEdit("EditGroup", QStringLiteral("255"), group);
    EditAddress = makeEdit("EditAddress", QStringLiteral("255"), group);
    for (QLineEdit *shown : {EditGroup, EditAddress})
        shown->setReadOnly(true);
    SpinGroup = makeSpin("SpinGroup", 255, group);
    SpinAddress = makeSpin("SpinAddress", 255, group);
    addRow(grid, 0, 0, QStringLiteral("Группа : "), EditGroup);
    addRow(grid, 1, 0, QStringLiteral("Адрес : "), EditAddress);
    grid->setColumnMinimumWidth(2, 16);
    addRow(grid, 0, 3, QStringLiteral("Группа:"), SpinGroup);
    addRow(grid, 1, 3, QStringLiteral("Адрес:"), SpinAddress);
    BtnWriteAddress = makeButton("BtnWriteAddress", QStringLiteral("Записать"), group);
    grid->setColumnMinimumWidth(5, 8);
    grid->addWidget(BtnWriteAddress, 1, 6);

    for (QSpinBox *spin : {SpinGroup, SpinAddress})
        connect(spin, &QSpinBox::valueChanged, this, &PlcPage::storeControls);
    connect(BtnWriteAddress, &QPushButton::clicked, &m_engine, &protocol::RfPlc::writeAddress);
    return group;
}

QWidget *PlcPage::buildRoutes()
{
    auto *group = new QGroupBox(QStringLiteral(" Маршруты ретрансляции "), this);
    group->setObjectName(QStringLiteral("GroupRoute"));
    auto *row = new QHBoxLayout(group);
    row->setSpacing(12);
    ListRoute = buildRouteList(group);
    row->addWidget(ListRoute, 0, Qt::AlignTop);

    auto *grid = new QGridLayout;
    SpinRoute = makeSpin("SpinRoute", protocol::RfPlc::kRoutes - 1, group);
    SpinAddrRep = makeSpin("SpinAddrRep", 255, group);
    EditNumb = makeEdit("EditNumb", kWidestRouteCell[ColumnNumber], group);
    addRow(grid, 0, 0, QStringLiteral("Маршрут:"), SpinRoute);
    addRow(grid, 1, 0, QStringLiteral("Адрес ретранслятора:"), SpinAddrRep);
    addRow(grid, 2, 0, QStringLiteral("Номер для записи:"), EditNumb);
    grid->setRowStretch(3, 1);
    row->addLayout(grid);

    auto *buttons = new QVBoxLayout;
    BtnWriteRoute = makeButton("BtnWriteRoute", QStringLiteral("Записать"), group);
    ButtonDelRoute = makeButton("ButtonDelRoute", QStringLiteral("Удалить"), group);
    buttons->addWidget(BtnWriteRoute);
    buttons->addWidget(ButtonDelRoute);
    buttons->addStretch();
    row->addLayout(buttons);

    for (QSpinBox *spin : {SpinRoute, SpinAddrRep})
        connect(spin, &QSpinBox::valueChanged, this, &PlcPage::storeControls);
    connect(EditNumb, &QLineEdit::textChanged, this, &PlcPage::storeControls);
    connect(BtnWriteRoute, &QPushButton::clicked, this, &PlcPage::BtnWriteRouteClick);
    connect(ButtonDelRoute, &QPushButton::clicked, &m_engine, &protocol::RfPlc::deleteRoute);
    return group;
}

// Four rows captioned "0".."3", every column as wide as its widest value,
// the list as high as its rows.
QTreeWidget *PlcPage::buildRouteList(QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("ListRoute"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHeaderLabels({QStringLiteral("№"), QStringLiteral("Адрес"), QStringLiteral("Номер")});
    for (int n = 0; n < protocol::RfPlc::kRoutes; ++n)
        new QTreeWidgetItem(list, QStringList{QString::number(n)});

    QHeaderView *header = list->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    const int margin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 8;
    int width = 0;
    for (int c = ColumnIndex; c <= ColumnNumber; ++c) {
        const int need = qMax(header->sectionSizeHint(c),
                              list->fontMetrics().horizontalAdvance(kWidestRouteCell[c]) + margin);
        header->setSectionResizeMode(c, QHeaderView::Fixed);
        header->resizeSection(c, need);
        width += need;
    }
    const int frame = 2 * list->frameWidth();
    list->setFixedSize(width + frame,
                       header->sizeHint().height() + protocol::RfPlc::kRoutes * list->sizeHintForRow(0) + frame);
    return list;
}

// ---------------------------------------------------------------- engine

void PlcPage::showReadings()
{
    EditGroup->setText(m_engine.group());
    EditAddress->setText(m_engine.address());
    for (int n = 0; n < protocol::RfPlc::kRoutes; ++n) {
        const protocol::RouteRow row = m_engine.route(n);
        QTreeWidgetItem *item = ListRoute->topLevelItem(n);
        item->setText(ColumnAddress, row.address);
        item->setText(ColumnNumber, row.number);
    }
}

void PlcPage::storeControls()
{
    protocol::RfPlcControls c;
    c.group = SpinGroup->value();
    c.address = SpinAddress->value();
    c.route = SpinRoute->value();
    c.repeater = SpinAddrRep->value();
    c.number = EditNumb->text();
    m_engine.setControls(c);
}

void PlcPage::BtnWriteRouteClick()
{
    QString error;
    if (!m_engine.writeRoute(&error) && !error.isEmpty())
        emit message(QMessageBox::Critical, QStringLiteral("Ошибка"), error);
}

} // namespace app
