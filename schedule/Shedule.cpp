#include "Shedule.h"

#include "schedule/trackbar.h"
#include "schedule/yeargrid.h"

#include <QAction>
#include <QButtonGroup>
#include <QColorDialog>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTimeEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace schedule {

namespace {

// A header whose titles wrap at word boundaries and which grows to hold
// them: four quarter-width columns cannot show "тариф (превышение лимита)"
// on one line.
class WrappingHeader : public QHeaderView
{
public:
    explicit WrappingHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
    {
        setDefaultAlignment(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter) | Qt::Alignment(Qt::TextWordWrap));
        connect(this, &QHeaderView::sectionResized, this, [this] {
            updateGeometry();
            emit geometriesChanged(); // the view makes room for the new height
        });
    }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        const int width = sectionSize(logicalIndex) - 2 * margin;
        const QString title = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
        if (width > 0 && !title.isEmpty()) {
            const QRect text = fontMetrics().boundingRect(QRect(0, 0, width, 1000), Qt::TextWordWrap, title);
            size.setHeight(qMax(size.height(), text.height() + 2 * margin));
        }
        return size;
    }
};

constexpr int kDayPanelHeight = 216;
constexpr int kZoneControlsWidth = 368;
constexpr int kBarMargin = 6; // lines the day bar up with the slider's track

enum Column { ColTime, ColTariff, ColLimit, ColLimitTariff };

QFont radioFont(const QFont &base)
{
    QFont f = base;
    f.setBold(true);
    f.setPixelSize(17);
    return f;
}

QIcon themed(const QWidget *w, const char *name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), w->style()->standardIcon(fallback));
}

} // namespace

TFrameShedule::TFrameShedule(ScheduleModel &model, Options options, QWidget *parent)
    : QWidget(parent), m_model(model), m_options(std::move(options)), m_colors(defaultTariffColors())
{
    setObjectName(QStringLiteral("FrameShedule"));
    setMinimumSize(572, 433);
    if (!m_options.openColorStore)
        m_options.openColorStore = nativeColorStoreOpener();
    m_storedColors = readStoredColors(m_options.openColorStore); // applied at the first paint of the bar

    ActionEdit = new QAction(themed(this, "list-add", QStyle::SP_FileDialogNewFolder), QStringLiteral("Добавить"), this);
    ActionEdit->setObjectName(QStringLiteral("ActionEdit"));
    ActionEdit->setShortcut(Qt::Key_Insert);
    ActionEdit->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ActionDelete = new QAction(themed(this, "list-remove", QStyle::SP_TrashIcon), QStringLiteral("Удалить"), this);
    ActionDelete->setObjectName(QStringLiteral("ActionDelete"));
    ActionDelete->setShortcut(Qt::Key_Delete);
    ActionDelete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ActionDelete->setEnabled(false);
    addActions({ActionEdit, ActionDelete});
    connect(ActionEdit, &QAction::triggered, this, &TFrameShedule::ActionEditExecute);
    connect(ActionDelete, &QAction::triggered, this, &TFrameShedule::ActionDeleteExecute);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    StringGrid1 = new YearGrid(m_model, this);
    column->addWidget(StringGrid1, 1);
    column->addWidget(buildDayPanel());

    m_model.setSaveQuestion([this] { return askSave(); });
    bindModel();
    GetSheduleDay();
    m_statusPanels[0]->setText(QString::number(m_model.workingZones().size()));
}

// ---------------------------------------------------------------- layout

QWidget *TFrameShedule::buildDayPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelDay"));
    panel->setFixedHeight(kDayPanelHeight);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *labels = new QHBoxLayout;
    labels->setContentsMargins(kBarMargin, 0, kBarMargin, 0);
    labels->addWidget(new QLabel(QStringLiteral("0:00"), panel));
    labels->addStretch();
    labels->addWidget(new QLabel(QStringLiteral("12:00"), panel));
    labels->addStretch();
    labels->addWidget(new QLabel(QStringLiteral("23:59"), panel));
    column->addLayout(labels);

    TrackBar1 = new TrackBar(panel);
    connect(TrackBar1, &QSlider::valueChanged, this, &TFrameShedule::TrackBar1Change);
    column->addWidget(TrackBar1);

    PaintBoxDay = new DayBar(panel);
    PaintBoxDay->setColorSource([this] { return PaintBoxDayPaint(); });
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(kBarMargin, 0, kBarMargin, 2);
    bar->addWidget(PaintBoxDay);
    column->addLayout(bar);

    auto *lower = new QHBoxLayout;
    lower->setSpacing(4);
    lower->addWidget(buildZoneControls());
    lower->addWidget(buildDayList(), 1);
    column->addLayout(lower, 1);
    return panel;
}

QWidget *TFrameShedule::buildZoneControls()
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("PanelZone"));
    box->setFixedWidth(kZoneControlsWidth);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    DateTimeZone = new QTimeEdit(box);
    DateTimeZone->setObjectName(QStringLiteral("DateTimeZone"));
    DateTimeZone->setDisplayFormat(QStringLiteral("HH:mm"));
    connect(DateTimeZone, &QTimeEdit::timeChanged, this, &TFrameShedule::DateTimeZoneChange);
    column->addWidget(buildTariffGroup(QStringLiteral(" Действующий тариф по расписанию : "), DateTimeZone,
                                       Tariff.data(), "Tariff"));

    SpinLimit = new QSpinBox(box);
    SpinLimit->setObjectName(QStringLiteral("SpinLimit"));
    SpinLimit->setRange(0, 255);
    connect(SpinLimit, &QSpinBox::valueChanged, this, &TFrameShedule::SpinLimitChange);
    column->addWidget(buildTariffGroup(QStringLiteral(" Действующий тариф при превышении лимита : "), SpinLimit,
                                       TariffLimit.data(), "TariffLimit"));
    column->addWidget(buildButtons());
    column->addStretch();

    Tariff[0]->setChecked(true);
    TariffLimit[0]->setChecked(true);
    for (int n = 1; n <= kTariffs; ++n) {
        connect(Tariff[n - 1], &QRadioButton::clicked, this, [this, n] { TariffClick(n); });
        connect(TariffLimit[n - 1], &QRadioButton::clicked, this, &TFrameShedule::LimitClick);
    }
    applyColors();
    return box;
}

QWidget *TFrameShedule::buildTariffGroup(const QString &title, QWidget *field, QRadioButton **radios,
                                         const char *name)
{
    auto *group = new QGroupBox(title, this);
    group->setObjectName(QStringLiteral("Group%1").arg(QString::fromLatin1(name)));
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(2, 2, 0, 2);
    row->setSpacing(0);
    field->setFixedWidth(62);
    row->addWidget(field);
    auto *buttons = new QButtonGroup(group);
    for (int n = 1; n <= kTariffs; ++n) {
        auto *radio = new QRadioButton(QString::number(n), group);
        radio->setObjectName(QStringLiteral("%1%2").arg(QString::fromLatin1(name)).arg(n));
        radio->setFont(radioFont(font()));
        radio->setAutoFillBackground(true);
        radio->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        radio->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(radio, &QWidget::customContextMenuRequested, this, [this, n] { TariffContextPopup(n); });
        buttons->addButton(radio, n);
        row->addWidget(radio);
        radios[n - 1] = radio;
    }
    row->addStretch();
    return group;
}

QWidget *TFrameShedule::buildButtons()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("PanelButtons"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char *name, const QString &hint, const QIcon &icon) {
        auto *b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(icon);
        b->setIconSize(QSize(20, 20));
        b->setToolTip(hint);
        b->setAutoRaise(false);
        layout->addWidget(b);
        return b;
    };
    BitBtnRedo = button("BitBtnRedo", QStringLiteral("Сохранить"), themed(this, "document-save", QStyle::SP_DialogApplyButton));
    BitBtnUndo = button("BitBtnUndo", QStringLiteral("Отменить"), themed(this, "edit-undo", QStyle::SP_ArrowBack));
    BitBtnEdit = button("BitBtnEdit", QStringLiteral("Добавить"), ActionEdit->icon());
    BitBtnDelete = button("BitBtnDelete", QStringLiteral("Удалить"), ActionDelete->icon());
    BitBtnRedo->setEnabled(false);
    BitBtnUndo->setEnabled(false);
    // The buttons run the actions and follow their enabled state.
    BitBtnEdit->setEnabled(ActionEdit->isEnabled());
    BitBtnDelete->setEnabled(ActionDelete->isEnabled());
    connect(ActionEdit, &QAction::enabledChanged, BitBtnEdit, &QWidget::setEnabled);
    connect(ActionDelete, &QAction::enabledChanged, BitBtnDelete, &QWidget::setEnabled);
    connect(BitBtnEdit, &QToolButton::clicked, ActionEdit, &QAction::trigger);
    connect(BitBtnDelete, &QToolButton::clicked, ActionDelete, &QAction::trigger);
    connect(BitBtnRedo, &QToolButton::clicked, &m_model, &ScheduleModel::commit);
    connect(BitBtnUndo, &QToolButton::clicked, &m_model, &ScheduleModel::revert);
    layout->addStretch();
    return row;
}

QWidget *TFrameShedule::buildDayList()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelList"));
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ListViewDays = new QTreeWidget(panel);
    ListViewDays->setObjectName(QStringLiteral("ListViewDays"));
    ListViewDays->setHeader(new WrappingHeader(ListViewDays));
    ListViewDays->setRootIsDecorated(false);
    ListViewDays->setUniformRowHeights(true);
    ListViewDays->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewDays->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewDays->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewDays->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListViewDays->setHeaderLabels({QStringLiteral("время"), QStringLiteral("тариф"), QStringLiteral("лимит мощности"),
                                   QStringLiteral("тариф (превышение лимита)")});
    ListViewDays->header()->setStretchLastSection(false);
    ListViewDays->header()->setSectionResizeMode(QHeaderView::Fixed);
    ListViewDays->header()->setSectionsClickable(false);
    QPalette pale = ListViewDays->palette();
    pale.setColor(QPalette::Base, pale.color(QPalette::ToolTipBase));
    ListViewDays->setPalette(pale);
    ListViewDays->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid #c0c0c0;"
                                               " border-bottom: 1px solid #c0c0c0; }"
                                       " QTreeView::item:selected { background: palette(highlight);"
                                       " color: palette(highlighted-text); }")); // grid lines
    ListViewDays->setContextMenuPolicy(Qt::ActionsContextMenu);
    ListViewDays->addActions({ActionEdit, ActionDelete});
    ListViewDays->viewport()->installEventFilter(this);
    connect(ListViewDays, &QTreeWidget::itemSelectionChanged, this, &TFrameShedule::ListViewDaysSelectItem);
    column->addWidget(ListViewDays, 1);

    auto *status = new QWidget(panel);
    status->setObjectName(QStringLiteral("StatusBar1"));
    auto *panels = new QHBoxLayout(status);
    panels->setContentsMargins(2, 1, 2, 1);
    panels->setSpacing(2);
    for (int i = 0; i < 2; ++i) {
        m_statusPanels[i] = new QLabel(status);
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        m_statusPanels[i]->setFixedWidth(50);
        m_statusPanels[i]->setFrameShape(QFrame::StyledPanel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
        panels->addWidget(m_statusPanels[i]);
    }
    panels->addStretch();
    column->addWidget(status);
    return panel;
}

void TFrameShedule::bindModel()
{
    connect(&m_model, &ScheduleModel::dayChanged, this, [this] {
        if (m_zoneEdit)
            fillDayList(); // the edit selects its own row
        else
            GetSheduleDay();
    });
    connect(&m_model, &ScheduleModel::recordCountChanged, this,
            [this](int count) { m_statusPanels[0]->setText(QString::number(count)); });
    connect(&m_model, &ScheduleModel::changesPendingChanged, this, [this](bool pending) {
        BitBtnRedo->setEnabled(pending);
        BitBtnUndo->setEnabled(pending);
    });
}

bool TFrameShedule::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListViewDays->viewport() && event->type() == QEvent::Resize)
        PanelListResize();
    return QWidget::eventFilter(watched, event);
}

void TFrameShedule::PanelListResize()
{
    const int quarter = qMax(ListViewDays->viewport()->width() / 4, 0);
    for (int c = 0; c < 4; ++c)
        ListViewDays->setColumnWidth(c, quarter);
}

void TFrameShedule::PanelYearCanResize()
{
    StringGrid1->PanelYearCanResize();
}

// ---------------------------------------------------------------- the day

void TFrameShedule::fillDayList()
{
    const QSignalBlocker blocker(ListViewDays);
    ListViewDays->clear();
    for (const ZoneRecord &r : m_model.GetSheduleDay())
        new QTreeWidgetItem(ListViewDays, {r.startTime, QString::number(r.tariff), QString::number(r.powerLimit),
                                           QString::number(r.limitTariff)});
    ListViewDays->sortItems(ColTime, Qt::AscendingOrder);
    DayChange();
}

void TFrameShedule::GetSheduleDay()
{
    fillDayList();
    ListViewDaysSelectItem(); // the cleared list has no selection
    if (ListViewDays->topLevelItemCount() > 0)
        ListViewDays->setCurrentItem(ListViewDays->topLevelItem(0)); // loads the earliest zone
    DayChoice();
}

void TFrameShedule::DayChange()
{
    QList<DayBarZone> zones;
    for (int i = 0; i < ListViewDays->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ListViewDays->topLevelItem(i);
        const QTime start = QTime::fromString(row->text(ColTime), QStringLiteral("HH:mm"));
        zones.append({start.isValid() ? start.hour() * 60 + start.minute() : 0, row->text(ColTariff).toInt(),
                      row->text(ColLimitTariff).toInt()});
    }
    PaintBoxDay->setZones(zones);
}

void TFrameShedule::DayChoice()
{
    if (QTreeWidgetItem *row = rowWithTime(timeText())) {
        if (!row->isSelected())
            ListViewDays->setCurrentItem(row); // row selection loads it
        return;
    }
    ListViewDays->clearSelection();
    ActionEdit->setEnabled(isValidZone(controlsZone()));
}

void TFrameShedule::ListViewDaysSelectItem()
{
    QTreeWidgetItem *row = selectedRow();
    ActionDelete->setEnabled(row != nullptr);
    if (!row)
        return;
    const QTime start = QTime::fromString(row->text(ColTime), QStringLiteral("HH:mm"));
    const int minute = start.isValid() ? start.hour() * 60 + start.minute() : 0;
    {
        const QSignalBlocker b1(DateTimeZone), b2(SpinLimit), b3(TrackBar1);
        DateTimeZone->setTime(start.isValid() ? start : QTime(0, 0));
        SpinLimit->setValue(row->text(ColLimit).toInt());
        TrackBar1->setValue(minute);
        TrackBar1->setSelectionEnd(minute);
    }
    const int tariff = row->text(ColTariff).toInt(), limitTariff = row->text(ColLimitTariff).toInt();
    if (tariff >= 1 && tariff <= kTariffs)
        Tariff[tariff - 1]->setChecked(true);
    if (limitTariff >= 1 && limitTariff <= kTariffs)
        TariffLimit[limitTariff - 1]->setChecked(true);
    ActionEdit->setEnabled(false);
}

void TFrameShedule::TariffClick(int tariff)
{
    if (SpinLimit->value() == 0)
        TariffLimit[tariff - 1]->setChecked(true); // no limit: the limit tariff follows
    enableEditForControls();
}

void TFrameShedule::LimitClick()
{
    enableEditForControls();
}

void TFrameShedule::enableEditForControls()
{
    const ZoneRecord zone = controlsZone();
    if (const QTreeWidgetItem *row = selectedRow()) {
        if (row->text(ColTariff).toInt() == zone.tariff && row->text(ColLimit).toInt() == zone.powerLimit
            && row->text(ColLimitTariff).toInt() == zone.limitTariff) {
            ActionEdit->setEnabled(false);
            return;
        }
    }
    ActionEdit->setEnabled(isValidZone(zone));
}

void TFrameShedule::SpinLimitChange()
{
    DayChoice();
}

void TFrameShedule::TrackBar1Change(int position)
{
    {
        const QSignalBlocker blocker(DateTimeZone);
        DateTimeZone->setTime(QTime(position / 60, position % 60));
    }
    TrackBar1->setSelectionEnd(position);
    DayChoice();
}

void TFrameShedule::DateTimeZoneChange(const QTime &time)
{
    const int position = time.hour() * 60 + time.minute();
    {
        const QSignalBlocker blocker(TrackBar1);
        TrackBar1->setValue(position);
    }
    TrackBar1->setSelectionEnd(position);
    DayChoice();
}

void TFrameShedule::ActionEditExecute()
{
    ActionEdit->setEnabled(false);
    const ZoneRecord zone = controlsZone();
    if (!isValidZone(zone))
        return; // whatever order the controls were set in, no invalid zone is stored
    m_zoneEdit = true;
    if (rowWithTime(zone.startTime))
        m_model.UpdateTZone(zone);
    else
        m_model.InsertTZone(zone);
    m_zoneEdit = false;
    if (QTreeWidgetItem *row = rowWithTime(zone.startTime))
        ListViewDays->setCurrentItem(row);
    ActionEdit->setEnabled(false);
    DayChange();
}

void TFrameShedule::ActionDeleteExecute()
{
    const QTreeWidgetItem *row = selectedRow();
    if (!row)
        return;
    m_zoneEdit = true;
    m_model.DeleteTZone(row->text(ColTime)); // the refilled list has no selection
    m_zoneEdit = false;
    ListViewDaysSelectItem();
    DayChoice();
}

// ---------------------------------------------------------------- colours

void TFrameShedule::TariffContextPopup(int tariff)
{
    const QColor initial = m_colors[tariff - 1];
    const QColor chosen = m_options.chooseColor ? m_options.chooseColor(initial)
                                                : QColorDialog::getColor(initial, this);
    if (!chosen.isValid())
        return;
    m_colors[tariff - 1] = chosen;
    applyColors();
    PaintBoxDay->update();
    for (int n = 0; n < kTariffs; ++n)
        m_storedColors[n] = storedFromColor(m_colors[n]);
    writeStoredColors(m_options.openColorStore, m_colors); // a store that cannot be opened keeps nothing
}

TariffColors TFrameShedule::PaintBoxDayPaint()
{
    const bool anyStored = std::any_of(m_storedColors.begin(), m_storedColors.end(), [](quint32 v) { return v != 0; });
    if (anyStored) {
        TariffColors stored;
        for (int n = 0; n < kTariffs; ++n)
            stored[n] = colorFromStored(m_storedColors[n]);
        if (stored != m_colors) {
            m_colors = stored;
            applyColors();
        }
    }
    return m_colors;
}

void TFrameShedule::applyColors()
{
    for (int n = 0; n < kTariffs; ++n)
        for (QRadioButton *radio : {Tariff[n], TariffLimit[n]}) {
            if (!radio)
                continue;
            QPalette p = radio->palette();
            p.setColor(QPalette::Window, m_colors[n]);
            p.setColor(QPalette::Button, m_colors[n]); // the role a button fills its background with
            p.setColor(QPalette::WindowText, Qt::black);
            radio->setPalette(p);
        }
}

// ---------------------------------------------------------------- helpers

QString TFrameShedule::timeText() const
{
    return DateTimeZone->time().toString(QStringLiteral("HH:mm"));
}

int TFrameShedule::checkedTariff(QRadioButton *const *radios) const
{
    for (int n = 1; n <= kTariffs; ++n)
        if (radios[n - 1]->isChecked())
            return n;
    return 1;
}

ZoneRecord TFrameShedule::controlsZone() const
{
    ZoneRecord zone;
    zone.startTime = timeText();
    zone.tariff = quint8(checkedTariff(Tariff.data()));
    zone.powerLimit = quint8(SpinLimit->value());
    zone.limitTariff = quint8(checkedTariff(TariffLimit.data()));
    return zone;
}

QTreeWidgetItem *TFrameShedule::rowWithTime(const QString &time) const
{
    for (int i = 0; i < ListViewDays->topLevelItemCount(); ++i)
        if (ListViewDays->topLevelItem(i)->text(ColTime) == time)
            return ListViewDays->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem *TFrameShedule::selectedRow() const
{
    const auto rows = ListViewDays->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

bool TFrameShedule::askSave()
{
    if (m_options.askSave)
        return m_options.askSave();
    QMessageBox box(QMessageBox::Question, QStringLiteral("Внимание"), QStringLiteral("Сохранить изменения?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace schedule
