#pragma once
// The main window TFormMain: tool bar, connection panel, pages, menus and
// status bar, bound to the station's engine. Start-up restores the
// configuration and applies the run modes; closing disconnects and saves.
// In database mode every activation identifies the workstation
// (DbActivation), which may end the program without closing it.

#include "app/configuration.h"
#include "app/station.h"
#include "link/portlist.h"
#include "schedule/Shedule.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QUrl>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSpinBox;
class QTabWidget;
class QTimer;

class TAboutBox;

namespace app {

class BarcodeScanner;
class DbActivation;
class DbPage;
class IndicatorPage;
class JournalsPage;
class MeterPageView;
class PlcPage;
class ProtocolPage;
class ScheduleFileActions;
class SchedulePage;
class SettingsPage;

struct StartupOptions
{
    QString workingDir;                       // empty: the current directory
    SettingsOpener openSettings;              // empty: the platform's native settings
    meterlink::Clock *clock = nullptr;        // empty: the system clock
    bool selectSimulator = false;             // start with the simulated meter selected
    // Message boxes and the shell, replaceable so tests can watch them.
    std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)> showMessage;
    std::function<void(const QUrl &)> openUrl;
    // The schedule file dialogs (empty path: cancelled), the editor's save
    // question and colour dialog, and its colour store.
    std::function<QString(const QString &filter)> openScheduleFile;
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveScheduleFile;
    // The settings template dialogs of the page "Установка" (empty path: cancelled).
    std::function<QString(const QString &filter)> openTemplateFile;
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveTemplateFile;
    // The save dialogs of the journal export (*.xls), the chart picture
    // (*.bmp) and the text report (*.txt) (empty path: cancelled).
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveJournalFile;
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveChartFile;
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveReportFile;
    schedule::TFrameShedule::Options editor;
    // Database mode: the computer and user names and the PC clock setter
    // (empty: the system's own), and how the program ends when the
    // workstation or its operator is not in the database (empty: the
    // application's event loop is left, with no close sequence).
    DatabaseServices database;
    std::function<void()> endProgram;
};

class TFormMain : public QMainWindow
{
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Программирование Tarvik 504");

    explicit TFormMain(StartupOptions options = {}, QWidget *parent = nullptr);
    ~TFormMain() override;

    Station &station() { return *m_station; }
    const RunModes &modes() const { return m_modes; }
    QString helpFilePath() const { return m_helpFile; }
    TAboutBox *aboutBox() const { return m_about; }
    QTabWidget *pages() const { return m_pages; }
    SchedulePage *schedulePage() const { return m_schedulePage; }
    SettingsPage *settingsPage() const { return m_settingsPage; }
    // GaugeSched: the progress of a schedule read.
    QProgressBar *gaugeSched() const;
    // Selects the port list entry with this device (adding a typed path).
    bool selectPort(const QString &device);
    // The barcode scanner's port; database mode only, else nothing.
    BarcodeScanner *scanner() const { return m_scanner.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // start-up, in its order
    void restoreConfiguration();
    void buildActions();
    void buildToolBar();
    void buildConnectionPanel();
    void buildPages();
    void buildSettingsPage();
    void buildMeterPages();
    void buildSchedulePage();
    void buildJournalsPage();
    void buildStatusBar();
    void buildMenus();
    void fillPortLists();
    void bindEngine();
    void bindAccessPassword();
    void bindProductionRecording();
    void ActionSettingExecute();
    void ActionTxtExecute();
    void applyRunModes();
    void activated();

    QAction *makeAction(const QString &name, const QString &caption, const QString &hint, bool enabled,
                        const QIcon &icon = {});
    QIcon themed(const char *name, int fallback) const;
    void addPortEntry(const meterlink::PortEntry &entry);
    void ComboPortChange(int index);
    void ComboBaudChange(int index);
    void N12001Click(QAction *item);
    void ComboModeChange(int index);
    // the barcode scanner (database mode)
    void restoreScannerPort();
    bool selectScannerPort(const QString &device);
    QString scannerDevice() const;
    void bindScanner();
    void CheckScanerClick(bool checked);
    void ComboScanerChange();
    void openSelectedScanner();
    void openScannerAtStartup();
    void updateControls();
    void showLamp(meterlink::Lamp lamp);
    void message(QMessageBox::Icon icon, const QString &caption, const QString &text);
    void saveConfigurationAtClose();
    Configuration currentConfiguration() const;

    StartupOptions m_options;
    QString m_workingDir;
    QString m_helpFile;
    meterlink::Clock *m_clock = nullptr;
    RunModes m_modes;
    Configuration m_config;
    std::unique_ptr<Station> m_station;
    QList<meterlink::PortEntry> m_ports;
    bool m_closed = false;
    std::unique_ptr<DbActivation> m_dbActivation; // database mode only
    std::unique_ptr<BarcodeScanner> m_scanner;    // database mode only
    QTimer *m_scannerReopen = nullptr;            // the wait between closing and opening on a port change

    // actions
    QAction *ActionConnect = nullptr;
    QAction *ActionDisconnect = nullptr;
    QAction *ActionFindAddress = nullptr;
    QAction *ActionSetting = nullptr;
    QAction *ActionFixDb = nullptr;
    QAction *ActionTxt = nullptr;
    QAction *ActionNewSched = nullptr;
    QAction *ActionLoadTariff = nullptr;
    QAction *ActionSaveTariff = nullptr;
    QAction *ActionWriteSched = nullptr;
    QAction *ActionReadSched = nullptr;
    QAction *ActionReset = nullptr;
    // controls
    QLabel *Shape1 = nullptr;
    QComboBox *ComboPort = nullptr;
    QComboBox *ComboBaud = nullptr;
    QSpinBox *SpinAddr = nullptr;
    QSpinBox *SpinTimer = nullptr;
    QComboBox *ComboParity = nullptr;
    QLabel *LabelParity = nullptr;
    QLineEdit *EditPass = nullptr;
    QComboBox *ComboMode = nullptr;
    QWidget *PanelScaner = nullptr;
    QComboBox *ComboScaner = nullptr;
    QCheckBox *CheckScaner = nullptr;
    QTabWidget *m_pages = nullptr;
    MeterPageView *m_meterPage = nullptr;
    DbPage *m_dbPage = nullptr;
    ProtocolPage *m_protocolPage = nullptr;
    SchedulePage *m_schedulePage = nullptr;
    SettingsPage *m_settingsPage = nullptr;
    PlcPage *m_plcPage = nullptr; // not in database mode
    IndicatorPage *m_indicatorPage = nullptr;
    JournalsPage *m_journalsPage = nullptr;
    std::unique_ptr<ScheduleFileActions> m_scheduleFiles;
    QLabel *m_statusPanels[2] = {};
    QMenu *m_portMenu = nullptr;
    QMenu *m_speedMenu = nullptr;
    QActionGroup *m_portGroup = nullptr;
    QActionGroup *m_speedGroup = nullptr;
    TAboutBox *m_about = nullptr;
};

} // namespace app
