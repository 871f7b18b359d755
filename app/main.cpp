#include "main.h"

#include "app/About.h"
#include "app/appicon.h"
#include "app/barcodescanner.h"
#include "app/compacttabs.h"
#include "app/cp1251validator.h"
#include "app/dbactivation.h"
#include "app/dbpage.h"
#include "app/helpfile.h"
#include "app/indicatorpage.h"
#include "app/journalspage.h"
#include "app/meterpageview.h"
#include "app/plcpage.h"
#include "app/productionrecording.h"
#include "app/profilechart.h"
#include "app/protocolpage.h"
#include "app/schedulefileactions.h"
#include "app/schedulepage.h"
#include "app/settingspage.h"
#include "app/textreport.h"
#include "db/workstation.h"
#include "link/linemode.h"
#include "link/qtclock.h"
#include "link/speeds.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

namespace app {

namespace {
constexpr int kClientWidth = 792;
constexpr int kClientHeight = 624;

// The file dialogs of the schedule and template buttons, unless a test
// answers them.
std::function<QString(const QString &)> openDialog(QWidget *parent)
{
    return [parent](const QString &filter) { return QFileDialog::getOpenFileName(parent, QString(), QString(), filter); };
}

std::function<QString(const QString &, const QString &)> saveDialog(QWidget *parent)
{
    return [parent](const QString &filter, const QString &suffix) {
        QFileDialog dialog(parent, QString(), QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(suffix);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
}

// Ends the program without the close sequence. Queued: at the first show
// the event loop may not run yet, and exit() outside it does nothing.
void leaveEventLoop()
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}
} // namespace

TFormMain::TFormMain(StartupOptions options, QWidget *parent) : QMainWindow(parent), m_options(std::move(options))
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(kTitle);
    setWindowIcon(applicationIcon());
    if (!m_options.openSettings)
        m_options.openSettings = nativeSettingsOpener();
    if (!m_options.showMessage)
        m_options.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
            QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
            box.exec();
        };
    if (!m_options.openUrl)
        m_options.openUrl = [](const QUrl &url) { QDesktopServices::openUrl(url); };

    // 1. Paths fixed for the whole run.
    m_workingDir = m_options.workingDir.isEmpty() ? QDir::currentPath() : m_options.workingDir;
    m_helpFile = QDir(m_workingDir).filePath(QStringLiteral("Setting_Tarvik_504.chm"));
    // 3, 4, 7. Configuration and run modes.
    restoreConfiguration();
    m_clock = m_options.clock ? m_options.clock : &meterlink::QtClock::instance();
    m_station = std::make_unique<Station>(*m_clock, m_modes, m_workingDir, m_options.database);

    buildActions();
    buildToolBar();
    buildConnectionPanel();
    buildPages(); // 2. the lists of "О счетчике" with their row titles
    buildStatusBar();
    buildMenus();
    // 6. Line mode, time-out; 10, 11. port lists and the restored selection.
    fillPortLists();
    bindEngine();
    bindScanner();
    applyRunModes(); // 8.
    m_pages->setCurrentWidget(m_meterPage); // 14.
    // 16. No meter yet.
    m_station->connection().setMeterControls(false);
    m_station->resetReadings();
    updateControls();

    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_about = new TAboutBox(this); // created with the window, shown on request

    if (productiondb::Workstation *workstation = m_station->workstation()) {
        auto show = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
            message(icon, caption, text);
        };
        auto end = m_options.endProgram ? m_options.endProgram : leaveEventLoop;
        m_dbActivation = std::make_unique<DbActivation>(*workstation, show, end, kTitle);
    }
    openScannerAtStartup(); // 18.
}

TFormMain::~TFormMain()
{
    // The child widgets outlive this object's members: a focus change while
    // they are torn down must not reach the window's handlers.
    for (QComboBox *combo : {ComboPort, ComboScaner})
        if (combo && combo->lineEdit())
            disconnect(combo->lineEdit(), nullptr, this, nullptr);
    if (!m_closed && m_station)
        m_station->connection().disconnectLink();
}

// ---------------------------------------------------------------- configuration

void TFormMain::restoreConfiguration()
{
    const QDir dir(m_workingDir);
    if (auto settings = m_options.openSettings(true)) {
        m_config = app::restoreConfiguration(*settings);
        m_modes = determineRunModes(*settings, dir);
    } else {
        QSettings none(QString(), QSettings::IniFormat);
        m_modes = determineRunModes(none, dir);
    }
}

Configuration TFormMain::currentConfiguration() const
{
    Configuration c = m_config;
    c.address = SpinAddr->value();
    c.baudIndex = ComboBaud->currentIndex();
    c.timeoutMs = SpinTimer->value();
    c.parityIndex = ComboParity->currentIndex();
    c.modeIndex = ComboMode->currentIndex();
    c.scan = CheckScaner->isChecked();
    const int index = ComboPort->currentIndex();
    if (index >= 0 && index < m_ports.size()) {
        const auto &entry = m_ports[index];
        c.portName = entry.device;
        c.port = entry.number >= 0 ? entry.number : c.port;
    }
    const int scanner = meterlink::portFromCaption(ComboScaner->currentText(), -1);
    if (scanner >= 0)
        c.scaner = scanner;
    if (ComboScaner->currentIndex() >= 0)
        c.scanerName = scannerDevice();
    return c;
}

void TFormMain::saveConfigurationAtClose()
{
    // A key deleted while the program ran is not made anew: nothing is saved.
    if (auto settings = m_options.openSettings(false))
        saveConfiguration(*settings, currentConfiguration());
}

// ---------------------------------------------------------------- layout

QIcon TFormMain::themed(const char *name, int fallback) const
{
    return QIcon::fromTheme(QString::fromLatin1(name), style()->standardIcon(QStyle::StandardPixmap(fallback)));
}

QAction *TFormMain::makeAction(const QString &name, const QString &caption, const QString &hint, bool enabled,
                               const QIcon &icon)
{
    auto *action = new QAction(icon, caption, this);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    action->setEnabled(enabled);
    return action;
}

void TFormMain::buildActions()
{
    ActionConnect = makeAction("ActionConnect", "&Установить", "Установить связь", true,
                               themed("network-connect", QStyle::SP_MediaPlay));
    ActionDisconnect = makeAction("ActionDisconnect", "&Разорвать", "Разорвать связь", false,
                                  themed("network-disconnect", QStyle::SP_MediaStop));
    ActionFindAddress = makeAction("ActionFindAddress", "Поиск &адреса", "Поиск адреса", false,
                                   themed("edit-find", QStyle::SP_FileDialogContentsView));
    ActionFindAddress->setShortcut(Qt::Key_F3);
    ActionSetting = makeAction("ActionSetting", "&Записать", "Записать установки", false,
                               themed("document-send", QStyle::SP_ArrowDown));
    ActionSetting->setShortcut(Qt::Key_F12);
    ActionFixDb = makeAction("ActionFixDb", "Зафиксировать в Б&Д", "Зафиксировать в БД", false,
                             themed("document-save", QStyle::SP_DriveHDIcon));
    ActionTxt = makeAction("ActionTxt", "Краткий отчет", "Краткий отчет", false,
                           themed("text-x-generic", QStyle::SP_FileDialogDetailedView));
    ActionNewSched = makeAction("ActionNewSched", "&Новое", "Новое тарифное расписание", true,
                                themed("document-new", QStyle::SP_FileIcon));
    ActionLoadTariff = makeAction("ActionLoadTariff", "&Загрузить из файла",
                                  "Загрузить тарифное расписание из файла", true,
                                  themed("document-open", QStyle::SP_DialogOpenButton));
    ActionSaveTariff = makeAction("ActionSaveTariff", "&Сохранить как файл",
                                  "Сохранить тарифное расписание как файл", true,
                                  themed("document-save-as", QStyle::SP_DialogSaveButton));
    ActionWriteSched = makeAction("ActionWriteSched", "З&аписать в счетчик", "Записать расписание в счетчик", false,
                                  themed("go-down", QStyle::SP_ArrowDown));
    ActionReadSched = makeAction("ActionReadSched", "&Прочитать из счетчика", "Прочитать расписание из счетчика",
                                 false, themed("go-up", QStyle::SP_ArrowUp));
    ActionReset = makeAction("ActionReset", "&Сброс", "Сброс", true);
    addAction(ActionReset); // no menu item or button; the lamp timer runs it

    connect(ActionConnect, &QAction::triggered, this, [this] { m_station->connection().connectLink(); });
    connect(ActionDisconnect, &QAction::triggered, this, [this] { m_station->connection().disconnectLink(); });
    connect(ActionFindAddress, &QAction::triggered, this, [this] { m_station->connection().findAddress(); });
    connect(ActionReset, &QAction::triggered, this, [this] { m_station->resetReadings(); });
    connect(ActionTxt, &QAction::triggered, this, &TFormMain::ActionTxtExecute);
}

void TFormMain::buildToolBar()
{
    auto *bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(20, 20));
    bar->addActions({ActionConnect, ActionDisconnect, ActionFindAddress});
    bar->addSeparator();
    bar->addActions({ActionSetting, ActionFixDb, ActionTxt});
    bar->addSeparator();
    bar->addActions({ActionNewSched, ActionLoadTariff, ActionSaveTariff, ActionWriteSched, ActionReadSched});
    if (auto *button = bar->widgetForAction(ActionFixDb))
        button->setObjectName(QStringLiteral("ToolFixDb"));

    auto *lampPanel = new QWidget(bar);
    auto *lampLayout = new QHBoxLayout(lampPanel);
    lampLayout->setContentsMargins(12, 0, 4, 0);
    Shape1 = new QLabel(lampPanel);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFixedSize(18, 18);
    Shape1->hide();
    lampLayout->addWidget(Shape1);
    bar->addWidget(lampPanel);
}

void TFormMain::buildConnectionPanel()
{
    auto *panelMain = new QWidget(this);
    panelMain->setObjectName(QStringLiteral("PanelMainConnect"));
    panelMain->setFixedHeight(63);
    auto *outer = new QHBoxLayout(panelMain);
    outer->setContentsMargins(6, 2, 6, 2);

    auto *panel = new QFrame(panelMain);
    panel->setObjectName(QStringLiteral("PanelConnect"));
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    auto label = [&](const QString &text, int column) {
        auto *l = new QLabel(text, panel);
        grid->addWidget(l, 0, column);
        return l;
    };
    label(QStringLiteral("Порт:"), 0);
    ComboPort = new QComboBox(panel);
    ComboPort->setObjectName(QStringLiteral("ComboPort"));
    ComboPort->setMinimumWidth(150);
    grid->addWidget(ComboPort, 1, 0);

    label(QStringLiteral("Скорость :"), 1);
    ComboBaud = new QComboBox(panel);
    ComboBaud->setObjectName(QStringLiteral("ComboBaud"));
    ComboBaud->addItems(meterlink::speedItems());
    grid->addWidget(ComboBaud, 1, 1);

    label(QStringLiteral("Адрес :"), 2);
    SpinAddr = new QSpinBox(panel);
    SpinAddr->setObjectName(QStringLiteral("SpinAddr"));
    SpinAddr->setRange(0, 255);
    grid->addWidget(SpinAddr, 1, 2);

    label(QStringLiteral("Таймаут :"), 3);
    SpinTimer = new QSpinBox(panel);
    SpinTimer->setObjectName(QStringLiteral("SpinTimer"));
    SpinTimer->setRange(meterlink::MeterConnection::kMinTimeoutMs, meterlink::MeterConnection::kMaxTimeoutMs);
    SpinTimer->setSingleStep(100);
    SpinTimer->setValue(meterlink::MeterConnection::kDefaultTimeoutMs);
    SpinTimer->setSuffix(QStringLiteral(" мсек"));
    grid->addWidget(SpinTimer, 1, 3);

    LabelParity = label(QStringLiteral("Паритет:"), 4);
    LabelParity->setObjectName(QStringLiteral("LabelParity"));
    ComboParity = new QComboBox(panel);
    ComboParity->setObjectName(QStringLiteral("ComboParity"));
    ComboParity->addItems(meterlink::modbusParityItems());
    grid->addWidget(ComboParity, 1, 4);

    label(QStringLiteral("Пароль для доступа : "), 5);
    EditPass = new QLineEdit(panel);
    EditPass->setObjectName(QStringLiteral("EditPass"));
    EditPass->setMaxLength(6);
    EditPass->setFixedWidth(80);
    EditPass->setValidator(new Cp1251Validator(EditPass)); // one Windows-1251 byte per character
    grid->addWidget(EditPass, 1, 5);
    outer->addWidget(panel);

    PanelScaner = new QFrame(panelMain);
    PanelScaner->setObjectName(QStringLiteral("PanelScaner"));
    PanelScaner->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred); // as wide as "Сканер:" and "Включен"
    auto *scan = new QGridLayout(PanelScaner);
    scan->setContentsMargins(0, 0, 0, 0);
    scan->setVerticalSpacing(2);
    scan->addWidget(new QLabel(QStringLiteral("Сканер:"), PanelScaner), 0, 0);
    CheckScaner = new QCheckBox(QStringLiteral("Включен"), PanelScaner);
    CheckScaner->setObjectName(QStringLiteral("CheckScaner"));
    scan->addWidget(CheckScaner, 0, 1);
    ComboScaner = new QComboBox(PanelScaner);
    ComboScaner->setObjectName(QStringLiteral("ComboScaner"));
    scan->addWidget(ComboScaner, 1, 0, 1, 2);
    // Captions on one line and boxes on another across both panels, though the
    // switch is taller than a label.
    const int captionRow = CheckScaner->sizeHint().height();
    for (QGridLayout *rows : {grid, scan}) {
        rows->setRowMinimumHeight(0, captionRow);
        rows->setRowStretch(2, 1); // spare height below, not between the lines
    }
    outer->addWidget(PanelScaner);

    auto *panelMode = new QWidget(panelMain);
    panelMode->setObjectName(QStringLiteral("PanelMode"));
    auto *modeLayout = new QHBoxLayout(panelMode);
    modeLayout->setContentsMargins(0, 0, 0, 0);
    ComboMode = new QComboBox(panelMode);
    ComboMode->setObjectName(QStringLiteral("ComboMode"));
    ComboMode->addItems(meterlink::lineModeItems());
    ComboMode->hide(); // the line mode follows the configuration and the meter, never the operator
    modeLayout->addWidget(ComboMode);
    outer->addWidget(panelMode);
    outer->addStretch();

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(panelMain);
    setCentralWidget(central);
}

void TFormMain::buildPages()
{
    m_pages = new QTabWidget(centralWidget());
    m_pages->setObjectName(QStringLiteral("PageControlMain"));
    compactTabs(m_pages);
    m_meterPage = new MeterPageView(m_station->page(), m_modes.databaseMode, m_pages);
    m_pages->addTab(m_meterPage, QStringLiteral("О счетчике"));
    buildSettingsPage();
    buildMeterPages();
    buildSchedulePage();
    buildJournalsPage();
    if (!m_modes.databaseMode) {
        m_dbPage = new DbPage(m_station->operationLog(), m_pages);
        m_pages->addTab(m_dbPage, QStringLiteral("База данных"));
    }
    m_protocolPage = new ProtocolPage(m_station->protocolView(), m_pages);
    m_pages->addTab(m_protocolPage, QStringLiteral("Протокол"));
    static_cast<QVBoxLayout *>(centralWidget()->layout())->addWidget(m_pages, 1);
}

void TFormMain::buildSettingsPage()
{
    SettingsPageHooks hooks;
    hooks.openFileName = m_options.openTemplateFile ? m_options.openTemplateFile : openDialog(this);
    hooks.saveFileName = m_options.saveTemplateFile ? m_options.saveTemplateFile : saveDialog(this);
    hooks.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
        message(icon, caption, text);
    };
    auto &writer = m_station->settingsWriter();
    m_settingsPage = new SettingsPage(writer, *m_clock, m_modes, std::move(hooks), m_pages);
    m_pages->addTab(m_settingsPage, QStringLiteral("Установка"));

    connect(ActionSetting, &QAction::triggered, this, &TFormMain::ActionSettingExecute);
    connect(&writer, &protocol::SettingsWriter::sensorValuesInvalid, this, [this] {
        message(QMessageBox::Critical, QStringLiteral("Ошибка"), QStringLiteral("Некорректные значения дискретных датчиков"));
    });
    // SpinEdit_Number follows the serial number the meter reports.
    auto &decoders = m_station->decoders();
    connect(&decoders, &protocol::MeterDecoders::serialRead, m_settingsPage,
            [this](quint32, bool spinEditNumberEnabled, bool) {
                m_settingsPage->setSerialNumberEnabled(spinEditNumberEnabled);
            });
    connect(&decoders, &protocol::MeterDecoders::serialNumberForEdit, m_settingsPage,
            &SettingsPage::setSerialNumber);
    connect(&m_station->page(), &protocol::MeterPage::readingsReset, m_settingsPage,
            &SettingsPage::focusSerialNumber);
}

// "Параметры RFPLC" (not at a production workstation) and "Индикатор".
void TFormMain::buildMeterPages()
{
    if (!m_modes.databaseMode) {
        m_plcPage = new PlcPage(m_station->rfPlc(), m_pages);
        m_pages->addTab(m_plcPage, QStringLiteral("Параметры RFPLC"));
        connect(m_plcPage, &PlcPage::message, this, &TFormMain::message);
    }
    m_indicatorPage = new IndicatorPage(m_station->indicator(), m_pages);
    m_pages->addTab(m_indicatorPage, QStringLiteral("Индикатор"));
}

void TFormMain::ActionSettingExecute()
{
    // A refusal with no text has shown its own boxes already.
    protocol::SettingsWriter::Refusal refusal;
    if (!m_station->settingsWriter().write(&refusal) && !refusal.text.isEmpty())
        message(QMessageBox::Critical, refusal.caption, refusal.text);
}

void TFormMain::buildSchedulePage()
{
    m_schedulePage = new SchedulePage(m_station->schedule(), m_options.editor, m_pages);
    m_pages->addTab(m_schedulePage, QStringLiteral("Тарифное расписание"));

    ScheduleFileHooks hooks;
    hooks.openFileName = m_options.openScheduleFile ? m_options.openScheduleFile : openDialog(this);
    hooks.saveFileName = m_options.saveScheduleFile ? m_options.saveScheduleFile : saveDialog(this);
    hooks.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
        message(icon, caption, text);
    };
    hooks.showSchedulePage = [this] {
        m_pages->setCurrentWidget(m_schedulePage);
        m_schedulePage->showEditor();
    };
    m_scheduleFiles = std::make_unique<ScheduleFileActions>(m_station->schedule(), std::move(hooks));
    connect(ActionNewSched, &QAction::triggered, this, [this] { m_scheduleFiles->ActionNewSchedExecute(); });
    connect(ActionLoadTariff, &QAction::triggered, this, [this] { m_scheduleFiles->ActionLoadTariffExecute(); });
    connect(ActionSaveTariff, &QAction::triggered, this, [this] { m_scheduleFiles->ActionSaveTariffExecute(); });

    // The schedule to and from the meter.
    auto &transfer = m_station->scheduleTransfer();
    connect(ActionWriteSched, &QAction::triggered, this, [this] {
        if (QString error; !m_station->scheduleTransfer().writeToMeter(&error))
            message(QMessageBox::Critical, QStringLiteral("Ошибка"), error);
    });
    connect(ActionReadSched, &QAction::triggered, &transfer, &schedule::ScheduleTransfer::readFromMeter);
    connect(&transfer, &schedule::ScheduleTransfer::readStarted, this, [this] {
        m_pages->setCurrentWidget(m_schedulePage);
        m_schedulePage->showEditor();
    });
    connect(&transfer, &schedule::ScheduleTransfer::progressChanged, this, [this](int value) {
        gaugeSched()->setMaximum(schedule::kReadReplies);
        gaugeSched()->setValue(value);
    });
    connect(&m_station->dispatcher(), &protocol::ReplyDispatcher::scheduleGaugeVisible, gaugeSched(),
            &QWidget::setVisible);
    connect(&transfer, &schedule::ScheduleTransfer::zonesSkipped, this, [this](int count) {
        message(QMessageBox::Warning, QStringLiteral("Тарифное расписание"), schedule::skippedZonesMessage(count));
    });
}

// "Журналы": DTPProfile starts on today's date (13.), the inner page
// "Месячный" is shown (14.).
void TFormMain::buildJournalsPage()
{
    JournalExportHooks exportHooks;
    exportHooks.saveFileName = m_options.saveJournalFile; // empty: the file dialog
    exportHooks.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
        message(icon, caption, text);
    };
    exportHooks.openUrl = m_options.openUrl;
    m_journalsPage = new JournalsPage(m_station->journals(), m_clock->now().date(), m_pages, std::move(exportHooks));
    m_pages->addTab(m_journalsPage, QStringLiteral("Журналы"));
    ChartSaveHooks chartHooks;
    chartHooks.saveFileName = m_options.saveChartFile; // empty: the file dialog
    chartHooks.showMessage = [this](QMessageBox::Icon icon, const QString &caption, const QString &text) {
        message(icon, caption, text);
    };
    m_journalsPage->chart()->setSaveHooks(std::move(chartHooks));
}

// "Краткий отчет": the page "О счетчике" into a text file, then opened.
void TFormMain::ActionTxtExecute()
{
    const auto chooseFile = m_options.saveReportFile ? m_options.saveReportFile : saveDialog(this);
    const QString path = chooseFile(QStringLiteral("Текстовые файлы (*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeTextReport(path, textReportLines(m_station->page(), m_clock->now()), &error)) {
        message(QMessageBox::Warning, QStringLiteral("Краткий отчет"), error);
        return;
    }
    m_options.openUrl(QUrl::fromLocalFile(path));
}

QProgressBar *TFormMain::gaugeSched() const
{
    return m_schedulePage->gaugeSched();
}

void TFormMain::buildStatusBar()
{
    for (int i = 0; i < 2; ++i) {
        m_statusPanels[i] = new QLabel(this);
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_statusPanels[i]->setFixedWidth(i == 0 ? 50 : 420);
        statusBar()->addWidget(m_statusPanels[i]);
    }
    statusBar()->setSizeGripEnabled(false);
}

void TFormMain::buildMenus()
{
    QMenu *link = menuBar()->addMenu(QStringLiteral("&Связь"));
    m_portMenu = link->addMenu(QStringLiteral("&Порт"));
    m_portMenu->setObjectName(QStringLiteral("MenuPort"));
    m_portGroup = new QActionGroup(this);
    m_speedMenu = link->addMenu(QStringLiteral("&Скорость"));
    m_speedMenu->setObjectName(QStringLiteral("MenuSpeed"));
    m_speedGroup = new QActionGroup(this);
    const QStringList speeds = meterlink::speedItems();
    for (int tag = 0; tag < speeds.size(); ++tag) {
        QAction *item = m_speedMenu->addAction(speeds[tag]);
        item->setObjectName(QStringLiteral("N%1").arg(12001 + tag));
        item->setCheckable(true);
        item->setData(tag);
        m_speedGroup->addAction(item);
    }
    connect(m_speedGroup, &QActionGroup::triggered, this, &TFormMain::N12001Click);
    link->addSeparator();
    link->addActions({ActionConnect, ActionDisconnect});
    link->addSeparator();
    link->addAction(ActionFindAddress);
    link->addSeparator();
    QAction *exit = link->addAction(QStringLiteral("В&ыход"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("NExit"));

    QMenu *settings = menuBar()->addMenu(QStringLiteral("&Установки"));
    settings->addAction(ActionSetting);
    settings->addAction(ActionFixDb); // the item NFixDb
    settings->addSeparator();
    settings->addAction(ActionTxt);

    QMenu *schedule = menuBar()->addMenu(QStringLiteral("&Расписание"));
    schedule->addActions({ActionNewSched, ActionLoadTariff, ActionSaveTariff});
    schedule->addSeparator();
    schedule->addActions({ActionWriteSched, ActionReadSched});

    QMenu *help = menuBar()->addMenu(QStringLiteral("&?"));
    QAction *helpItem = help->addAction(QStringLiteral("&Справка"), this,
                                        [this] { m_options.openUrl(helpUrl(m_helpFile)); });
    helpItem->setObjectName(QStringLiteral("NHelp"));
    help->addSeparator();
    QAction *aboutItem = help->addAction(QStringLiteral("&О программе"), this, [this] { m_about->exec(); });
    aboutItem->setObjectName(QStringLiteral("NAbout"));
}

// ---------------------------------------------------------------- ports

void TFormMain::addPortEntry(const meterlink::PortEntry &entry)
{
    m_ports.append(entry);
    ComboPort->addItem(entry.caption);
    if (!entry.complete)
        return;
    QAction *item = m_portMenu->addAction(entry.caption);
    item->setCheckable(true);
    item->setData(entry.device);
    m_portGroup->addAction(item);
    if (entry.device != Station::simulatorPortName())
        ComboScaner->addItem(entry.caption, entry.device);
}

void TFormMain::fillPortLists()
{
    for (const auto &entry : meterlink::systemPorts())
        addPortEntry(entry);
    addPortEntry({Station::simulatorCaption(), -1, Station::simulatorPortName()});
    connect(m_portGroup, &QActionGroup::triggered, this, [this](QAction *item) { selectPort(item->data().toString()); });
    connect(ComboPort, &QComboBox::currentIndexChanged, this, &TFormMain::ComboPortChange);
#ifndef Q_OS_WIN
    // A device path the system does not list (a pseudo-terminal) can be typed.
    ComboPort->setEditable(true);
    ComboPort->setInsertPolicy(QComboBox::NoInsert);
    connect(ComboPort->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString text = ComboPort->currentText().trimmed();
        if (!text.isEmpty() && ComboPort->findText(text) < 0)
            selectPort(meterlink::portEntryForName(text).device);
    });
    // The scanner's list takes a typed path too (into both lists).
    ComboScaner->setEditable(true);
    ComboScaner->setInsertPolicy(QComboBox::NoInsert);
    connect(ComboScaner->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString text = ComboScaner->currentText().trimmed();
        if (!text.isEmpty() && ComboScaner->findText(text) < 0)
            selectScannerPort(meterlink::portEntryForName(text).device);
    });
#endif

    // The restored meter port: by name, else by number, else the simulated meter.
    bool selected = false;
    if (m_options.selectSimulator)
        selected = selectPort(Station::simulatorPortName());
    if (!selected && !m_config.portName.isEmpty())
        selected = selectPort(m_config.portName);
    for (int i = 0; !selected && i < m_ports.size(); ++i)
        if (m_ports[i].number >= 0 && m_ports[i].number == m_config.port)
            selected = selectPort(m_ports[i].device);
    if (!selected)
        selectPort(m_ports.size() > 1 ? m_ports.first().device : Station::simulatorPortName());
    restoreScannerPort();

    // Speed, line mode, parity, address, time-out from the configuration.
    ComboBaud->setCurrentIndex(m_config.baudIndex);
    ComboBaudChange(m_config.baudIndex);
    ComboParity->setCurrentIndex(m_config.parityIndex);
    ComboMode->setCurrentIndex(m_config.modeIndex);
    ComboModeChange(m_config.modeIndex);
    SpinAddr->setValue(m_config.address);
    SpinTimer->setValue(m_config.timeoutMs);
    CheckScaner->setChecked(m_config.scan);
    auto &c = m_station->connection();
    c.setAddress(m_config.address);
    c.setTimeoutMs(m_config.timeoutMs);
    c.setParityIndex(m_config.parityIndex);
}

bool TFormMain::selectPort(const QString &device)
{
    auto it = std::find_if(m_ports.begin(), m_ports.end(), [&](const auto &e) { return e.device == device; });
    if (it == m_ports.end()) {
#ifdef Q_OS_WIN
        return false;
#else
        if (!device.startsWith(QLatin1Char('/')))
            return false;
        addPortEntry(meterlink::unixPortEntry(device)); // a stored or typed path not listed by the system
        it = m_ports.end() - 1;
#endif
    }
    const int index = int(it - m_ports.begin());
    if (ComboPort->currentIndex() != index)
        ComboPort->setCurrentIndex(index); // runs ComboPortChange
    else
        ComboPortChange(index);
    return true;
}

void TFormMain::ComboPortChange(int index)
{
    if (index < 0 || index >= m_ports.size())
        return;
    const auto &entry = m_ports[index];
    m_station->selectPort(entry.device, entry.caption);
    for (QAction *item : m_portGroup->actions())
        if (item->data().toString() == entry.device)
            item->setChecked(true);
}

void TFormMain::ComboBaudChange(int index)
{
    const auto items = m_speedGroup->actions();
    if (index >= 0 && index < items.size())
        items[index]->setChecked(true);
    m_station->connection().setSpeedIndex(index);
}

void TFormMain::N12001Click(QAction *item)
{
    item->setChecked(true);
    ComboBaud->setCurrentIndex(item->data().toInt()); // runs ComboBaudChange
}

void TFormMain::ComboModeChange(int index)
{
    const bool modbus = index == static_cast<int>(meterlink::LineMode::Modbus);
    ComboParity->setVisible(modbus);
    LabelParity->setVisible(modbus);
    m_station->connection().setLineMode(index);
}

// ---------------------------------------------------------------- barcode scanner

// The restored scanner port: by name (a device path), else by number.
void TFormMain::restoreScannerPort()
{
    if (!m_config.scanerName.isEmpty() && selectScannerPort(m_config.scanerName))
        return;
    for (int i = 0; i < ComboScaner->count(); ++i)
        if (meterlink::portFromCaption(ComboScaner->itemText(i), -1) == m_config.scaner)
            ComboScaner->setCurrentIndex(i);
}

// Selects the scanner list's entry with this device; on systems with
// device paths a path not listed yet becomes an entry of both port lists.
bool TFormMain::selectScannerPort(const QString &device)
{
    int index = ComboScaner->findData(device);
#ifndef Q_OS_WIN
    if (index < 0 && device.startsWith(QLatin1Char('/'))) {
        addPortEntry(meterlink::unixPortEntry(device));
        index = ComboScaner->findData(device);
    }
#endif
    if (index < 0)
        return false;
    ComboScaner->setCurrentIndex(index);
    return true;
}

QString TFormMain::scannerDevice() const { return ComboScaner->currentData().toString(); }

// Database mode only: outside it the scanner is hidden and never opened.
// Bound after the restored switch and port are shown, so restoring opens
// nothing.
void TFormMain::bindScanner()
{
    if (!m_modes.databaseMode)
        return;
    m_scanner = std::make_unique<BarcodeScanner>();
    m_scanner->setPortName(scannerDevice()); // 11.
    // A scanned code is typed into SpinEdit_Number, with its change handling.
    connect(m_scanner.get(), &BarcodeScanner::scanned, m_settingsPage,
            [this](int number) { m_settingsPage->setSerialNumber(quint32(number)); });
    m_scannerReopen = new QTimer(this);
    m_scannerReopen->setSingleShot(true);
    m_scannerReopen->setInterval(100); // the old port settles before the new one opens
    connect(m_scannerReopen, &QTimer::timeout, this, &TFormMain::openSelectedScanner);
    connect(CheckScaner, &QCheckBox::toggled, this, &TFormMain::CheckScanerClick);
    connect(ComboScaner, &QComboBox::currentIndexChanged, this, &TFormMain::ComboScanerChange);
}

// The switch opens and closes the port; a failure is not shown (codes
// simply do not arrive).
void TFormMain::CheckScanerClick(bool checked)
{
    if (checked)
        m_scanner->open(nullptr);
    else
        m_scanner->close(nullptr);
}

// Another port: the old one is closed now, the new one opened 100 ms later,
// whether or not the switch is on.
void TFormMain::ComboScanerChange()
{
    m_scanner->close(nullptr);
    m_scannerReopen->start();
}

void TFormMain::openSelectedScanner()
{
    m_scanner->setPortName(scannerDevice());
    if (QString error; !m_scanner->open(&error)) // the general error handler's box
        m_dbActivation ? m_dbActivation->showBox(QMessageBox::Critical, kTitle, error)
                       : message(QMessageBox::Critical, kTitle, error);
}

// The end of start-up: with the switch on, the port opens and the scanner
// gets one 0x00 byte; failures are ignored.
void TFormMain::openScannerAtStartup()
{
    if (m_scanner && CheckScaner->isChecked() && m_scanner->open(nullptr))
        m_scanner->write(QByteArray(1, '\0'));
}

// ---------------------------------------------------------------- engine

void TFormMain::bindEngine()
{
    auto &c = m_station->connection();
    connect(ComboBaud, &QComboBox::currentIndexChanged, this, &TFormMain::ComboBaudChange);
    connect(ComboMode, &QComboBox::currentIndexChanged, this, &TFormMain::ComboModeChange);
    connect(ComboParity, &QComboBox::currentIndexChanged, &c, &meterlink::MeterConnection::setParityIndex);
    connect(SpinAddr, &QSpinBox::valueChanged, &c, &meterlink::MeterConnection::setAddress);
    connect(SpinTimer, &QSpinBox::valueChanged, &c, &meterlink::MeterConnection::setTimeoutMs);
    // What the meter changes (address search, new communication parameters) shows in the panel.
    connect(&c, &meterlink::MeterConnection::addressChanged, SpinAddr, &QSpinBox::setValue);
    connect(&c, &meterlink::MeterConnection::speedIndexChanged, ComboBaud, &QComboBox::setCurrentIndex);
    connect(&c, &meterlink::MeterConnection::parityIndexChanged, ComboParity, &QComboBox::setCurrentIndex);
    connect(&c, &meterlink::MeterConnection::lineModeChanged, ComboMode, &QComboBox::setCurrentIndex);

    connect(&c, &meterlink::MeterConnection::controlsChanged, this, &TFormMain::updateControls);
    connect(&c, &meterlink::MeterConnection::connectedChanged, this, &TFormMain::updateControls);
    connect(&c, &meterlink::MeterConnection::lampChanged, this, &TFormMain::showLamp);
    connect(&c, &meterlink::MeterConnection::statusPanelChanged, this,
            [this](int panel, const QString &text) { m_statusPanels[panel == 0 ? 0 : 1]->setText(text); });
    connect(&c, &meterlink::MeterConnection::batchFailed, this,
            [this](meterlink::Batch, const QString &text) { message(QMessageBox::Critical, "Ошибка", text); });
    connect(&c, &meterlink::MeterConnection::closeFailed, this,
            [this](const QString &text) { message(QMessageBox::Critical, "Ошибка", text); });
    connect(&c, &meterlink::MeterConnection::openFailed, this,
            [this](const QString &text) { message(QMessageBox::Critical, kTitle, text); });
    connect(&c, &meterlink::MeterConnection::portError, this,
            [this](const QString &text) { message(QMessageBox::Critical, kTitle, text); });
    bindAccessPassword();
    bindProductionRecording();
}

// Database mode: "Зафиксировать в Б&Д" records the meter; what the records
// report becomes a box (a failed statement outside a record goes to the
// general error handler, as the identification's does).
void TFormMain::bindProductionRecording()
{
    ProductionRecording *records = m_station->productionRecording();
    if (!records)
        return;
    connect(ActionFixDb, &QAction::triggered, records, &ProductionRecording::fixDb);
    // Through the identification's guard: the activation a box hands back
    // does not identify again.
    const auto error = [this](const QString &caption, const QString &text) {
        m_dbActivation->showBox(QMessageBox::Critical, caption, text);
    };
    connect(records, &ProductionRecording::refused, this, error);
    connect(records, &ProductionRecording::recordFailed, this, error);
    connect(records, &ProductionRecording::databaseError, this,
            [error](const QString &text) { error(kTitle, text); });
}

// EditPass is the station's access password both ways: what the operator
// types is the password of the next entry, and a new password the meter has
// acknowledged shows here.
void TFormMain::bindAccessPassword()
{
    auto &password = m_station->accessPassword();
    EditPass->setText(password.text());
    connect(EditPass, &QLineEdit::textChanged, &password, [&password](const QString &text) { password.setText(text); });
    connect(&password, &protocol::AccessPassword::textChanged, EditPass, [this](const QString &text) {
        if (EditPass->text() != text)
            EditPass->setText(text);
    });
}

void TFormMain::applyRunModes()
{
    ActionFixDb->setVisible(m_modes.databaseMode); // both ToolFixDb and the menu item NFixDb
    PanelScaner->setVisible(m_modes.databaseMode);
}

void TFormMain::updateControls()
{
    const auto &c = m_station->connection();
    const bool connected = c.isConnected();
    ActionConnect->setEnabled(c.connectEnabled());
    ActionDisconnect->setEnabled(connected);
    ActionFindAddress->setEnabled(c.findAddressEnabled());
    ActionSetting->setEnabled(c.settingEnabled());
    ActionFixDb->setEnabled(c.fixDbEnabled());
    for (QAction *a : {ActionWriteSched, ActionReadSched, ActionTxt})
        a->setEnabled(c.meterControlsEnabled());
    if (m_plcPage)
        m_plcPage->setMeterControlsEnabled(c.meterControlsEnabled());
    m_indicatorPage->setMeterControlsEnabled(c.meterControlsEnabled());
    m_journalsPage->setMeterControlsEnabled(c.meterControlsEnabled());
    const bool selectable = !connected && c.connectEnabled();
    ComboPort->setEnabled(selectable);
    m_portMenu->setEnabled(selectable);
    ComboBaud->setEnabled(selectable);
    m_speedMenu->setEnabled(selectable);
    ComboMode->setEnabled(selectable);
}

void TFormMain::showLamp(meterlink::Lamp lamp)
{
    if (lamp == meterlink::Lamp::Hidden) {
        Shape1->hide();
        return;
    }
    QPixmap pixmap(Shape1->size() * devicePixelRatio());
    pixmap.setDevicePixelRatio(devicePixelRatio());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(lamp == meterlink::Lamp::Green ? QColor(0, 255, 0) : QColor(255, 0, 0));
    painter.drawEllipse(QRectF(1, 1, Shape1->width() - 2, Shape1->height() - 2));
    painter.end();
    Shape1->setPixmap(pixmap);
    Shape1->setProperty("lampColor", lamp == meterlink::Lamp::Green ? QColor(0, 255, 0) : QColor(255, 0, 0));
    Shape1->show();
}

void TFormMain::message(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    m_options.showMessage(icon, caption, text);
}

// ---------------------------------------------------------------- window events

void TFormMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        activated();
    else if (m_dbActivation)
        m_dbActivation->deactivated();
}

// The window became the program's active window (at its first show, when a
// dialog of the program returns the focus): in database mode the
// workstation is identified, which may end the program; then the year grid
// takes its panel's size anew.
void TFormMain::activated()
{
    if (m_dbActivation && !m_dbActivation->activated()) {
        setEnabled(false); // the program is ending: nothing more to do here
        return;
    }
    if (m_schedulePage)
        m_schedulePage->editor()->PanelYearCanResize();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    // Ended for a workstation or operator not in the database: the meter
    // link stays as it is and the configuration is not saved.
    if (m_dbActivation && m_dbActivation->ending()) {
        event->accept();
        return;
    }
    if (!m_closed) {
        m_station->connection().disconnectLink();
        saveConfigurationAtClose();
        m_closed = true;
    }
    event->accept();
}

} // namespace app
