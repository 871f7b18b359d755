// The page's controls and their places. Ranges come from the controls'
// table that settings templates use as well; item texts from the tables the
// meter page and the link show.

#include "app/widestdate.h"
#include "settingspage.h"

#include "app/lightencolor.h"
#include "app/cp1251validator.h"
#include "app/limitedspinbox.h"
#include "link/clock.h" // the timer TimerDate, destroyed with the page
#include "link/linemode.h"
#include "link/speeds.h"
#include "protocol/accesspassword.h"
#include "protocol/encodings.h"
#include "protocol/meterdecoders.h"
#include "protocol/settingsbatch.h"
#include "protocol/settingstemplate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace app {

namespace {

QGroupBox *group(QWidget *parent, const char *name, const QString &title)
{
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QGridLayout *gridOf(QGroupBox *box)
{
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setVerticalSpacing(3);
    return grid;
}

// A control hidden now and then keeps its room, so nothing below it moves.
void keepRoomWhenHidden(QWidget *w)
{
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}


} // namespace

SettingsPage::SettingsPage(protocol::SettingsWriter &writer, meterlink::Clock &clock, const RunModes &modes,
                           SettingsPageHooks hooks, QWidget *parent)
    : QWidget(parent), m_writer(writer), m_clock(clock), m_modes(modes), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("TabSet"));
    // Two bands: the tasks with the small groups beside them, then three
    // columns; the remote-control and poor-quality groups, whose texts are
    // the longest, share the widest column.
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 4);
    page->setSpacing(4);
    page->addLayout(buildTopBand());
    page->addLayout(buildColumns());
    applyRunModes();
    bindControls();
}

SettingsPage::~SettingsPage() = default;

QLayout *SettingsPage::buildTopBand()
{
    auto *top = new QHBoxLayout;
    top->addWidget(buildTasks());
    auto *beside = new QVBoxLayout;
    beside->addWidget(buildIntegration());
    auto *numbers = new QHBoxLayout;
    numbers->addWidget(buildNumber());
    numbers->addWidget(buildPassword());
    beside->addLayout(numbers);
    beside->addStretch();
    top->addLayout(beside);
    return top;
}

QLayout *SettingsPage::buildColumns()
{
    auto *first = new QVBoxLayout;
    first->addWidget(buildClock());
    first->addWidget(buildLink());
    first->addStretch();
    auto *second = new QVBoxLayout;
    second->addWidget(buildBilling());
    second->addWidget(buildSensors());
    second->addStretch();
    second->addWidget(buildTemplateButtons());
    auto *third = new QVBoxLayout;
    third->addWidget(buildPult());
    third->addWidget(buildQuality());
    third->addWidget(buildProfile());
    third->addStretch();
    auto *columns = new QHBoxLayout;
    for (QVBoxLayout *column : {first, second, third}) {
        column->setSpacing(4);
        columns->addLayout(column);
    }
    return columns;
}

// ---------------------------------------------------------------- helpers

QCheckBox *SettingsPage::taskBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    // Tag 1: allowed in database mode.
    box->setProperty("Tag", protocol::tasksDisabledInDatabaseMode().contains(box->objectName()) ? 0 : 1);
    m_tasks << box;
    return box;
}

QSpinBox *SettingsPage::spinOfTable(QWidget *parent, const char *name)
{
    const protocol::SettingsControl *control = protocol::settingsControl(QString::fromLatin1(name));
    Q_ASSERT(control && control->kind == protocol::ControlKind::Spin);
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(control->minimum, control->maximum);
    spin->setValue(protocol::SettingsValues().*control->number);
    return spin;
}

QComboBox *SettingsPage::combo(QWidget *parent, const char *name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    if (const auto *control = protocol::settingsControl(QString::fromLatin1(name))) {
        Q_ASSERT(control->kind == protocol::ControlKind::Combo && control->maximum == items.size() - 1);
        box->setCurrentIndex(protocol::SettingsValues().*control->number);
    }
    return box;
}

QLabel *SettingsPage::label(QWidget *parent, const QString &text, QWidget *buddy, const char *name)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("Label") + buddy->objectName());
    l->setBuddy(buddy);
    return l;
}

// ---------------------------------------------------------------- groups

QGroupBox *SettingsPage::buildTasks()
{
    GroupTask = group(this, "GroupTask", QStringLiteral(" Установки для записи "));
    // The button face lifted a little, so the tasks to write stand out.
    QPalette palette = GroupTask->palette();
    palette.setColor(QPalette::Window, QColor::fromRgba(lightenColor(palette.color(QPalette::Button).rgba(), 6)));
    GroupTask->setPalette(palette);
    GroupTask->setAutoFillBackground(true);

    auto *grid = gridOf(GroupTask);
    grid->setVerticalSpacing(2);
    const QList<QCheckBox *> boxes = {
        taskBox(GroupTask, "CheckTime", QStringLiteral("Время")),
        taskBox(GroupTask, "CheckShedule", QStringLiteral("РДЧ")),
        CheckAddr = taskBox(GroupTask, "CheckAddr", QStringLiteral("Параметры связи")),
        taskBox(GroupTask, "CheckIntegra", QStringLiteral("Время интегр. мощности")),
        taskBox(GroupTask, "CheckPassword", QStringLiteral("Новый пароль")),
        taskBox(GroupTask, "CheckResetTariff", QStringLiteral("Сброс тарифного расписания")),
        taskBox(GroupTask, "CheckPult", QStringLiteral("Параметры пульта")),
        taskBox(GroupTask, "CheckPeriodProfile", QStringLiteral("Период фиксации профиля")),
        taskBox(GroupTask, "CheckQuality", QStringLiteral("Параметры расчета некач. энергии")),
        taskBox(GroupTask, "CheckSeal", QStringLiteral("Сброс индик. пломбы")),
        taskBox(GroupTask, "CheckSensor", QStringLiteral("Дискретные датчики")),
        taskBox(GroupTask, "CheckTelemetry", QStringLiteral("Телеметрия реак. энергии")),
    };
    constexpr int kRows = 6;
    for (int i = 0; i < boxes.size(); ++i)
        grid->addWidget(boxes[i], i % kRows, i / kRows);
    return GroupTask;
}

QWidget *SettingsPage::buildTemplateButtons()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PanelTemplate"));
    auto *row = new QVBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    BtnSaveTemplate = new QPushButton(QStringLiteral("Сохранить шаблон…"), panel);
    BtnSaveTemplate->setObjectName(QStringLiteral("BtnSaveTemplate"));
    BtnSaveTemplate->setToolTip(QStringLiteral("Сохранить установки этой страницы в файл шаблона"));
    BtnLoadTemplate = new QPushButton(QStringLiteral("Загрузить шаблон…"), panel);
    BtnLoadTemplate->setObjectName(QStringLiteral("BtnLoadTemplate"));
    BtnLoadTemplate->setToolTip(QStringLiteral("Загрузить установки этой страницы из файла шаблона"));
    row->addWidget(BtnSaveTemplate);
    row->addWidget(BtnLoadTemplate);
    return panel;
}

QGroupBox *SettingsPage::buildClock()
{
    auto *box = group(this, "GroupTime", QStringLiteral(" Время  "));
    auto *grid = gridOf(box);
    const QLocale locale = protocol::displayLocale();
    DatePicker = new QDateEdit(box);
    DatePicker->setObjectName(QStringLiteral("DatePicker"));
    DatePicker->setLocale(locale);
    DatePicker->setDisplayFormat(QStringLiteral("ddd d MMMM yyyy"));
    DatePicker->setCalendarPopup(true);
    // The clock request holds seconds since 2000 in four bytes.
    DatePicker->setDateRange(protocol::kEarliestMoment().date(), protocol::kLatestMoment().date());
    const int arrows = DatePicker->sizeHint().width()
                       - DatePicker->fontMetrics().horizontalAdvance(DatePicker->text());
    DatePicker->setMinimumWidth(widestDateText(DatePicker) + arrows);
    TimePicker = new QTimeEdit(box);
    TimePicker->setObjectName(QStringLiteral("TimePicker"));
    TimePicker->setLocale(locale);
    TimePicker->setDisplayFormat(protocol::longTimeFormat(locale));
    auto *clock = new QCheckBox(QStringLiteral("Автопереход на летнее время"), box);
    clock->setObjectName(QStringLiteral("CheckBoxClock"));
    grid->addWidget(DatePicker, 0, 0);
    grid->addWidget(TimePicker, 1, 0);
    grid->addWidget(clock, 2, 0);
    return box;
}

QGroupBox *SettingsPage::buildNumber()
{
    auto *box = group(this, "GroupNumber", QStringLiteral(" Номер "));
    auto *grid = gridOf(box);
    SpinEdit_Number = new LimitedSpinBox(box);
    SpinEdit_Number->setObjectName(QStringLiteral("SpinEdit_Number"));
    SpinEdit_Number->setRange(0, kSerialMaximum);
    SpinEdit_Number->setMaxTyped(kMaxTypedDigits);
    grid->addWidget(SpinEdit_Number, 0, 0);
    return box;
}

QGroupBox *SettingsPage::buildLink()
{
    auto *box = group(this, "GroupLink", QStringLiteral(" Параметры связи "));
    auto *grid = gridOf(box);
    SpinNewAddr = spinOfTable(box, "SpinNewAddr");
    auto *baud = combo(box, "ComboNewBaud", meterlink::speedItems());
    ComboModeW = combo(box, "ComboModeW", meterlink::lineModeItems());
    ComboParityW = combo(box, "ComboParityW", meterlink::modbusParityItems());
    grid->addWidget(label(box, QStringLiteral("Новые адрес:"), SpinNewAddr), 0, 0);
    grid->addWidget(SpinNewAddr, 0, 1);
    grid->addWidget(label(box, QStringLiteral("Скорость :"), baud), 1, 0);
    grid->addWidget(baud, 1, 1);
    LabelModeW = label(box, QStringLiteral("Тип протокола:"), ComboModeW, "LabelModeW");
    grid->addWidget(LabelModeW, 2, 0);
    grid->addWidget(ComboModeW, 2, 1);
    LabelParityW = label(box, QStringLiteral("Паритет:"), ComboParityW, "LabelParityW");
    grid->addWidget(LabelParityW, 3, 0);
    grid->addWidget(ComboParityW, 3, 1);
    // The line mode follows the meter, never the operator: never shown.
    LabelModeW->hide();
    ComboModeW->hide();
    keepRoomWhenHidden(LabelParityW);
    keepRoomWhenHidden(ComboParityW);
    return box;
}

QGroupBox *SettingsPage::buildBilling()
{
    auto *box = group(this, "GroupBilling", QStringLiteral(" РДЧ "));
    auto *grid = gridOf(box);
    QSpinBox *day = spinOfTable(box, "SpinDay");
    QSpinBox *hour = spinOfTable(box, "SpinHour");
    grid->addWidget(label(box, QStringLiteral("Расчетный день:"), day), 0, 0);
    grid->addWidget(day, 0, 1);
    grid->addWidget(label(box, QStringLiteral("Расчетный час:"), hour), 1, 0);
    grid->addWidget(hour, 1, 1);
    return box;
}

QGroupBox *SettingsPage::buildPassword()
{
    auto *box = group(this, "GroupPassword", QStringLiteral(" Новый пароль "));
    auto *grid = gridOf(box);
    EditPassW = new QLineEdit(box);
    EditPassW->setObjectName(QStringLiteral("EditPassW"));
    EditPassW->setMaxLength(protocol::AccessPassword::kMaxLength);
    EditPassW->setValidator(new Cp1251Validator(EditPassW));
    grid->addWidget(EditPassW, 0, 0);
    return box;
}

QGroupBox *SettingsPage::buildIntegration()
{
    auto *box = group(this, "GroupIntegra", QStringLiteral(" Время интегрирования мощности "));
    auto *grid = gridOf(box);
    QSpinBox *integra = spinOfTable(box, "SpinIntegra");
    grid->addWidget(label(box, QStringLiteral("Пиковой (мин): "), integra), 0, 0);
    grid->addWidget(integra, 0, 1);
    return box;
}

QGroupBox *SettingsPage::buildPult()
{
    auto *box = group(this, "GroupPult", QStringLiteral("Номер пульта и режим  нагрузки "));
    auto *grid = gridOf(box);
    ComboModeDdm = combo(box, "ComboModeDdm", protocol::MeterDecoders::loadModeItems());
    SpinPult = new LimitedSpinBox(box);
    SpinPult->setObjectName(QStringLiteral("SpinPult"));
    const protocol::SettingsControl *pult = protocol::settingsControl(u"SpinPult");
    SpinPult->setRange(pult->minimum, pult->maximum);
    SpinPult->setMaxTyped(kMaxTypedDigits);
    QSpinBox *breaker = spinOfTable(box, "SpinBreaker");
    LabelBan = new QLabel(QStringLiteral("Запрещенная комбинация номера и режима!"), box);
    LabelBan->setObjectName(QStringLiteral("LabelBan"));
    QPalette warning = LabelBan->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    LabelBan->setPalette(warning);
    keepRoomWhenHidden(LabelBan);
    LabelBan->hide();
    grid->addWidget(ComboModeDdm, 0, 0, 1, 2);
    grid->addWidget(label(box, QStringLiteral("Номер пульта:"), SpinPult), 1, 0);
    grid->addWidget(SpinPult, 1, 1);
    grid->addWidget(label(box, QStringLiteral("Мощность отключения (Вт):"), breaker), 2, 0);
    grid->addWidget(breaker, 2, 1);
    grid->addWidget(LabelBan, 3, 0, 1, 2);
    return box;
}

QGroupBox *SettingsPage::buildProfile()
{
    auto *box = group(this, "GroupProfile", QStringLiteral(" Период фиксации профиля потребления "));
    auto *grid = gridOf(box);
    QComboBox *profile = combo(box, "ComboProfile", protocol::MeterDecoders::profilePeriodItems());
    grid->addWidget(profile, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("мин."), box), 0, 1);
    grid->setColumnStretch(2, 1);
    return box;
}

QGroupBox *SettingsPage::buildQuality()
{
    auto *box = group(this, "GroupQuality", QStringLiteral(" Параметры расчета некачественной энергии "));
    auto *grid = gridOf(box);
    QSpinBox *minutes = spinOfTable(box, "SpinMin");
    QComboBox *seconds = combo(box, "ComboSec", {QStringLiteral("0"), QStringLiteral("20"), QStringLiteral("40")});
    auto *accountKind = new QCheckBox(QStringLiteral("Account Kind (если выше порога, то все сутки)"), box);
    accountKind->setObjectName(QStringLiteral("CheckAccountKind"));
    auto *jtvf = new QCheckBox(QStringLiteral("JTVF (объединение по напряжению и частоте)"), box);
    jtvf->setObjectName(QStringLiteral("CheckJtvf"));
    auto *threshold = new QHBoxLayout;
    threshold->addWidget(label(box, QStringLiteral("Порог времени:"), minutes));
    threshold->addWidget(minutes);
    threshold->addWidget(new QLabel(QStringLiteral("мин."), box));
    threshold->addWidget(seconds);
    threshold->addWidget(new QLabel(QStringLiteral("сек."), box));
    threshold->addStretch();
    grid->addLayout(threshold, 0, 0);
    grid->addWidget(accountKind, 1, 0);
    grid->addWidget(jtvf, 2, 0);
    return box;
}

QGroupBox *SettingsPage::buildSensors()
{
    auto *box = group(this, "GroupSensor", QStringLiteral(" Дискретные датчики "));
    auto *grid = gridOf(box);
    QSpinBox *sensor = spinOfTable(box, "SpinSensor");
    auto *reading = new QLineEdit(box);
    reading->setObjectName(QStringLiteral("EditSensor"));
    auto *calibration = new QLineEdit(box);
    calibration->setObjectName(QStringLiteral("EditSensorCalibr"));
    grid->addWidget(label(box, QStringLiteral("№"), sensor), 0, 0);
    grid->addWidget(sensor, 0, 1, Qt::AlignLeft);
    grid->addWidget(label(box, QStringLiteral("Показания:"), reading), 1, 0);
    grid->addWidget(reading, 1, 1);
    grid->addWidget(label(box, QStringLiteral("Калибровка:"), calibration), 2, 0);
    grid->addWidget(calibration, 2, 1);
    return box;
}

// ---------------------------------------------------------------- run modes

void SettingsPage::applyRunModes()
{
    // Outside master mode the serial number is only shown, in its group's colour.
    if (!m_modes.masterMode) {
        SpinEdit_Number->setReadOnly(true);
        QPalette palette = SpinEdit_Number->palette();
        palette.setColor(QPalette::Base, SpinEdit_Number->parentWidget()->palette().color(QPalette::Window));
        SpinEdit_Number->setPalette(palette);
    }
    // In database mode only the tasks of the production run (Tag 1) may be written.
    for (QCheckBox *box : m_tasks)
        box->setEnabled(!m_modes.databaseMode || box->property("Tag").toInt() > 0);
    findChild<QCheckBox *>(QStringLiteral("CheckTime"))->setChecked(true);
    CheckAddr->setChecked(m_modes.databaseMode);
}

} // namespace app
