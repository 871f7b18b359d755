#include "indicatorpage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kListColumns = 3;
constexpr int kListRows = (protocol::kIndicatorItems + kListColumns - 1) / kListColumns;

// The colour lists of the groups k = 0..8, in the order of k.
constexpr const char *kColorListNames[protocol::kBacklightGroups] = {
    "ComboBoxColor", "ComboBox2", "ComboBox5", "ComboBox4", "ComboBox3",
    "ComboBox6",     "ComboBox7", "ComboBox8", "ComboBox9"};

// Every item on the list's background, selected or not; its text in the
// list's font colour or, for the silver items, in RGB 192, 192, 192 (the
// check box as usual).
class IndicatorItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        item.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver);
        item.backgroundBrush = Qt::NoBrush;
        const QWidget *view = option.widget;
        QStyle *style = view ? view->style() : QApplication::style();
        const QString text = item.text;
        item.text.clear();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view); // check box and focus frame
        item.text = text;
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QRect room =
            style->subElementRect(QStyle::SE_ItemViewItemText, &item, view).adjusted(margin, 0, -margin, 0);
        painter->save();
        painter->setFont(item.font);
        painter->setPen(protocol::isSilverItem(index.row()) ? QColor(192, 192, 192)
                                                            : item.palette.color(QPalette::Text));
        painter->drawText(room, int(item.displayAlignment),
                          item.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
};

QPushButton *makeButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false); // no meter yet
    return button;
}

QComboBox *makeCombo(const char *name, const QStringList &items, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems(items);
    combo->setMinimumWidth(combo->sizeHint().width());
    return combo;
}

QCheckBox *makeCheck(const char *name, const QString &text, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

IndicatorPage::IndicatorPage(protocol::Indicator &engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("TabSheet1"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    column->addWidget(buildScreens());
    column->addWidget(buildBacklight(), 1);

    connect(&m_engine, &protocol::Indicator::settingsRead, this, &IndicatorPage::showSettings);
    showSettings();
}

void IndicatorPage::setMeterControlsEnabled(bool enabled)
{
    BtnReadIndi->setEnabled(enabled);
    BtnWriteIndi->setEnabled(enabled);
}

QComboBox *IndicatorPage::colorComboByTag(int k) const
{
    return k >= 0 && k < protocol::kBacklightGroups ? m_colorLists[k] : m_colorLists[0];
}

// ---------------------------------------------------------------- layout

// CheckListIndi in three columns, the read and write buttons beside it.
QWidget *IndicatorPage::buildScreens()
{
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    CheckListIndi = new QListWidget(box);
    CheckListIndi->setObjectName(QStringLiteral("CheckListIndi"));
    CheckListIndi->setItemDelegate(new IndicatorItemDelegate(CheckListIndi));
    CheckListIndi->setFlow(QListView::TopToBottom);
    CheckListIndi->setWrapping(true);
    CheckListIndi->setUniformItemSizes(true);
    CheckListIndi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    CheckListIndi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int widest = 0;
    for (const QString &text : protocol::indicatorItemTexts()) {
        auto *item = new QListWidgetItem(text, CheckListIndi);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        widest = qMax(widest, CheckListIndi->sizeHintForIndex(CheckListIndi->indexFromItem(item)).width());
    }
    // Five rows a column: room for five rows and less than six.
    m_rowHeight = CheckListIndi->sizeHintForRow(0) + 4;
    const int frame = 2 * CheckListIndi->frameWidth();
    CheckListIndi->setFixedHeight(kListRows * m_rowHeight + m_rowHeight / 2 + frame);
    CheckListIndi->setMinimumWidth(kListColumns * (widest + 16) + frame);
    CheckListIndi->viewport()->installEventFilter(this);
    row->addWidget(CheckListIndi, 1);

    auto *buttons = new QVBoxLayout;
    BtnReadIndi = makeButton("BtnReadIndi", QStringLiteral("Прочитать"), box);
    BtnWriteIndi = makeButton("BtnWriteIndi", QStringLiteral("Записать"), box);
    buttons->addWidget(BtnReadIndi);
    buttons->addWidget(BtnWriteIndi);
    buttons->addStretch();
    row->addLayout(buttons);

    connect(CheckListIndi, &QListWidget::itemChanged, this, &IndicatorPage::storeSettings);
    connect(BtnReadIndi, &QPushButton::clicked, &m_engine, &protocol::Indicator::read);
    connect(BtnWriteIndi, &QPushButton::clicked, &m_engine, &protocol::Indicator::write);
    return box;
}

// ComboColor on top; the nine colour lists under their labels on the left,
// the two check boxes on the right.
QWidget *IndicatorPage::buildBacklight()
{
    m_backlight = new QGroupBox(QStringLiteral(" Подсветка  "), this);
    m_backlight->setObjectName(QStringLiteral("GroupBacklight"));
    auto *grid = new QGridLayout(m_backlight);
    grid->setVerticalSpacing(4);
    ComboColor = makeCombo("ComboColor", protocol::backlightModeItems(), m_backlight);
    grid->addWidget(ComboColor, 0, 0, 1, 2, Qt::AlignLeft);

    const QStringList labels = protocol::backlightGroupLabels();
    const QStringList colours = protocol::backlightColorNames();
    for (int k = 0; k < protocol::kBacklightGroups; ++k) {
        m_colorLists[k] = makeCombo(kColorListNames[k], colours, m_backlight);
        auto *label = new QLabel(labels[k], m_backlight);
        label->setBuddy(m_colorLists[k]);
        grid->addWidget(label, k + 1, 0);
        grid->addWidget(m_colorLists[k], k + 1, 1);
        connect(m_colorLists[k], &QComboBox::currentIndexChanged, this, &IndicatorPage::storeSettings);
    }
    CheckCleat = makeCheck("CheckCleat", QStringLiteral("Режим \"вскрыта клемная крыщка\" приоритетный"),
                           m_backlight);
    CheckOnlyButton = makeCheck("CheckOnlyButton", QStringLiteral("Только по нажатию кнопки"), m_backlight);
    grid->setColumnMinimumWidth(2, 24);
    grid->addWidget(CheckCleat, 1, 3);
    grid->addWidget(CheckOnlyButton, 2, 3);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(protocol::kBacklightGroups + 1, 1); // hidden rows leave the box as it is

    connect(ComboColor, &QComboBox::currentIndexChanged, this, [this] {
        ComboColorChange();
        storeSettings();
    });
    for (QCheckBox *box : {CheckCleat, CheckOnlyButton})
        connect(box, &QCheckBox::toggled, this, &IndicatorPage::storeSettings);
    return m_backlight;
}

bool IndicatorPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == CheckListIndi->viewport())
        spreadColumns();
    return QWidget::eventFilter(watched, event);
}

// The three columns share the list's width.
void IndicatorPage::spreadColumns()
{
    const QSize cell(CheckListIndi->viewport()->width() / kListColumns, m_rowHeight);
    if (CheckListIndi->gridSize() != cell)
        CheckListIndi->setGridSize(cell);
}

// ---------------------------------------------------------------- controls

// Everything in the group but ComboColor shows only with per-group colours.
void IndicatorPage::ComboColorChange()
{
    const bool userColours = ComboColor->currentIndex() == int(protocol::BacklightMode::User);
    for (QWidget *w : m_backlight->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w != ComboColor)
            w->setVisible(userColours);
}

void IndicatorPage::showSettings()
{
    const protocol::IndicatorSettings &s = m_engine.settings();
    m_showing = true;
    for (int i = 0; i < protocol::kIndicatorItems; ++i)
        CheckListIndi->item(i)->setCheckState(s.items & (1u << i) ? Qt::Checked : Qt::Unchecked);
    for (int k = 0; k < protocol::kBacklightGroups; ++k)
        colorComboByTag(k)->setCurrentIndex(qBound(0, s.colors[k], protocol::kBacklightColors - 1));
    CheckOnlyButton->setChecked(s.onlyButton);
    CheckCleat->setChecked(s.cleat);
    ComboColor->setCurrentIndex(int(s.mode));
    m_showing = false;
    ComboColorChange();
    storeSettings();
}

void IndicatorPage::storeSettings()
{
    if (!m_showing)
        m_engine.setSettings(settingsOfControls());
}

protocol::IndicatorSettings IndicatorPage::settingsOfControls() const
{
    protocol::IndicatorSettings s;
    for (int i = 0; i < protocol::kIndicatorItems; ++i)
        if (CheckListIndi->item(i)->checkState() == Qt::Checked)
            s.items |= quint16(1u << i);
    s.mode = ComboColor->currentIndex() == int(protocol::BacklightMode::ByPower) ? protocol::BacklightMode::ByPower
                                                                                  : protocol::BacklightMode::User;
    for (int k = 0; k < protocol::kBacklightGroups; ++k)
        s.colors[k] = colorComboByTag(k)->currentIndex();
    s.onlyButton = CheckOnlyButton->isChecked();
    s.cleat = CheckCleat->isChecked();
    return s;
}

} // namespace app
