#include "holidayspage.h"

#include "protocol/encodings.h"
#include "schedule/scheduledocument.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

namespace {

QTreeWidget *makeList(const char *name, const QStringList &titles, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHeaderLabels(titles);
    list->header()->setSectionsClickable(false);
    list->header()->setStretchLastSection(true);
    list->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid #d0d0d0;"
                                       " border-bottom: 1px solid #d0d0d0; }"
                                       " QTreeView::item:selected { background: palette(highlight);"
                                       " color: palette(highlighted-text); }")); // grid lines
    return list;
}

QPushButton *makeButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// Indices of the selected rows of a list.
QList<int> selectedRows(const QTreeWidget *list)
{
    QList<int> rows;
    for (QTreeWidgetItem *item : list->selectedItems())
        rows << list->indexOfTopLevelItem(item);
    return rows;
}

} // namespace

HolidaysPage::HolidaysPage(schedule::ScheduleDocument &document, std::function<QDate()> today, QWidget *parent)
    : QWidget(parent), m_document(document), m_today(today ? std::move(today) : [] { return QDate::currentDate(); })
{
    setObjectName(QStringLiteral("TabHolidays"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(buildHolidays(), 0, 0);
    grid->addWidget(buildTransfers(), 0, 1);
    grid->addWidget(buildCoefficient(), 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    connect(&m_document, &schedule::ScheduleDocument::holidaysChanged, this, &HolidaysPage::showHolidays);
    connect(&m_document, &schedule::ScheduleDocument::transfersChanged, this, &HolidaysPage::showTransfers);
    connect(&m_document, &schedule::ScheduleDocument::limitCoefficientChanged, SpinLimit, &QSpinBox::setValue);
    showHolidays();
    showTransfers();
}

// ---------------------------------------------------------------- layout

QWidget *HolidaysPage::buildHolidays()
{
    auto *group = new QGroupBox(QStringLiteral(" Праздники "), this);
    group->setObjectName(QStringLiteral("GroupCel"));
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("месяц:"), group), 0, 0);
    ComboM = new QComboBox(group);
    ComboM->setObjectName(QStringLiteral("ComboM"));
    ComboM->addItems(schedule::holidayMonthNames());
    grid->addWidget(ComboM, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("день:"), group), 0, 2);
    SpinD = new QSpinBox(group);
    SpinD->setObjectName(QStringLiteral("SpinD"));
    SpinD->setRange(1, 31);
    grid->addWidget(SpinD, 0, 3);

    ListCel = makeList("ListCel", {QStringLiteral("Месяц"), QStringLiteral("День")}, group);
    grid->addWidget(ListCel, 1, 0, 1, 4);
    auto *buttons = new QVBoxLayout;
    BtnInsCel = makeButton("BtnInsCel", QStringLiteral("Добавить"), group);
    BtnDelCel = makeButton("BtnDelCel", QStringLiteral("Удалить"), group);
    BtnTemplet = makeButton("BtnTemplet", QStringLiteral("Праздники по умолчанию"), group);
    BtnDelCel->setEnabled(false);
    for (QPushButton *b : {BtnInsCel, BtnDelCel, BtnTemplet}) {
        b->setMinimumWidth(b->sizeHint().width());
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(ComboM, &QComboBox::currentIndexChanged, this, &HolidaysPage::ComboMChange);
    connect(BtnInsCel, &QPushButton::clicked, this, &HolidaysPage::BtnInsCelClick);
    connect(BtnDelCel, &QPushButton::clicked, this, &HolidaysPage::BtnDelCelClick);
    connect(BtnTemplet, &QPushButton::clicked, this, &HolidaysPage::BtnTempletClick);
    connect(ListCel, &QTreeWidget::itemSelectionChanged, this,
            [this] { BtnDelCel->setEnabled(!ListCel->selectedItems().isEmpty()); }); // ListCelSelectItem
    return group;
}

QWidget *HolidaysPage::buildTransfers()
{
    auto *group = new QGroupBox(QStringLiteral(" Переносы "), this);
    group->setObjectName(QStringLiteral("GroupTransfer"));
    auto *grid = new QGridLayout(group);
    DTPTrans = new QDateEdit(group);
    DTPTrans->setObjectName(QStringLiteral("DTPTrans"));
    DTPTrans->setCalendarPopup(true);
    DTPTrans->setLocale(protocol::displayLocale());
    DTPTrans->setDisplayFormat(protocol::displayLocale().dateFormat(QLocale::ShortFormat));
    DTPTrans->setMinimumDate(m_today()); // transfers lie today or later
    DTPTrans->setDate(m_today());
    grid->addWidget(DTPTrans, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("по графику:"), group), 0, 1);
    ComboTrans = new QComboBox(group);
    ComboTrans->setObjectName(QStringLiteral("ComboTrans"));
    ComboTrans->addItems(schedule::transferDayTypeNames());
    grid->addWidget(ComboTrans, 0, 2, 1, 2);
    DTPTrans->setMinimumWidth(DTPTrans->sizeHint().width() + 8); // the widest date whole
    ComboTrans->setMinimumWidth(ComboTrans->sizeHint().width());

    ListTransfer = makeList("ListTransfer", {QStringLiteral("День"), QStringLiteral("По графику")}, group);
    grid->addWidget(ListTransfer, 1, 0, 1, 3);
    auto *buttons = new QVBoxLayout;
    BtnInsTrans = makeButton("BtnInsTrans", QStringLiteral("Добавить"), group);
    BtnDelTrans = makeButton("BtnDelTrans", QStringLiteral("Удалить"), group);
    BtnDelTrans->setEnabled(false);
    buttons->addWidget(BtnInsTrans);
    buttons->addWidget(BtnDelTrans);
    buttons->addStretch();
    grid->addLayout(buttons, 1, 3);
    grid->setColumnStretch(2, 1);

    connect(DTPTrans, &QDateEdit::dateChanged, this, &HolidaysPage::DTPTransChange);
    connect(BtnInsTrans, &QPushButton::clicked, this, &HolidaysPage::BtnInsTransClick);
    connect(BtnDelTrans, &QPushButton::clicked, this, &HolidaysPage::BtnDelTransClick);
    connect(ListTransfer, &QTreeWidget::itemSelectionChanged, this,
            [this] { BtnDelTrans->setEnabled(!ListTransfer->selectedItems().isEmpty()); }); // ListTransferSelectItem
    return group;
}

QWidget *HolidaysPage::buildCoefficient()
{
    auto *group = new QGroupBox(QStringLiteral(" Коэффициент лимита тарифного расписания "), this);
    group->setObjectName(QStringLiteral("GroupLimit"));
    auto *row = new QHBoxLayout(group);
    auto *text = new QLabel(QStringLiteral("Лимит мощности определяется как значение поля лимита тарифного "
                                           "расписания, умноженное на тысячу и деленное на коэффициент (Вт)"),
                            group);
    text->setObjectName(QStringLiteral("LabelLimit"));
    text->setWordWrap(true);
    row->addWidget(text, 1);
    SpinLimit = new QSpinBox(group);
    SpinLimit->setObjectName(QStringLiteral("SpinLimit"));
    SpinLimit->setRange(schedule::kMinCoefficient, schedule::kMaxCoefficient);
    SpinLimit->setValue(m_document.limitCoefficient());
    SpinLimit->setMinimumWidth(70);
    row->addWidget(SpinLimit);
    connect(SpinLimit, &QSpinBox::valueChanged, &m_document, &schedule::ScheduleDocument::setLimitCoefficient);
    return group;
}

// ---------------------------------------------------------------- holidays

void HolidaysPage::showHolidays()
{
    ListCel->clear();
    for (const schedule::Holiday &h : m_document.holidays().rows())
        new QTreeWidgetItem(ListCel, {schedule::holidayMonthName(h.month), QString::number(h.day)});
    BtnInsCel->setEnabled(m_document.holidays().canAdd());
    BtnDelCel->setEnabled(false);
}

void HolidaysPage::ComboMChange(int index)
{
    const int month = index + 1;
    SpinD->setMaximum(month == 2 ? 29 : (month == 4 || month == 6 || month == 9 || month == 11) ? 30 : 31);
}

void HolidaysPage::BtnInsCelClick()
{
    m_document.holidays().insert(ComboM->currentIndex() + 1, SpinD->value());
    m_document.notifyHolidaysChanged();
}

void HolidaysPage::BtnDelCelClick()
{
    m_document.holidays().removeRows(selectedRows(ListCel));
    m_document.notifyHolidaysChanged();
}

void HolidaysPage::BtnTempletClick()
{
    m_document.holidays().setDefaults();
    m_document.notifyHolidaysChanged();
}

// ---------------------------------------------------------------- transfers

void HolidaysPage::showTransfers()
{
    ListTransfer->clear();
    const QLocale locale = protocol::displayLocale();
    for (const schedule::Transfer &t : m_document.transfers().rows())
        new QTreeWidgetItem(ListTransfer,
                            {locale.toString(t.date, QLocale::ShortFormat), schedule::transferDayTypeName(t.dayType)});
    BtnInsTrans->setEnabled(m_document.transfers().canAdd());
    BtnDelTrans->setEnabled(false);
}

void HolidaysPage::DTPTransChange(QDate picked)
{
    const QDate allowed = schedule::clampToToday(picked, m_today());
    if (allowed != picked)
        DTPTrans->setDate(allowed);
}

void HolidaysPage::BtnInsTransClick()
{
    m_document.transfers().insert(DTPTrans->date(), ComboTrans->currentIndex() + 1);
    m_document.notifyTransfersChanged();
}

void HolidaysPage::BtnDelTransClick()
{
    m_document.transfers().removeRows(selectedRows(ListTransfer));
    m_document.notifyTransfersChanged();
}

} // namespace app
