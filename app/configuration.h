#pragma once
// The per-user configuration: read once at start-up, written once at close.
// Windows keeps it in HKEY_CURRENT_USER\SOFTWARE\Kelmora\Tarvik-504 as DWORD
// values; elsewhere in the platform's native per-user settings under the
// same organisation and application names. Value names are compared without
// regard to case ("BaudRate" read, "Baudrate" written).

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>

namespace app {

struct Configuration
{
    int address = 0;        // "Address": SpinAddr 0..255
    int port = 1;           // "Port": the meter port number (Windows COMn)
    QString portName;       // "PortName": the meter port by name (device path, or "sim:")
    int scaner = 2;         // "Scaner": scanner port number
    QString scanerName;     // "ScanerName": the scanner port by name (device path)
    int baudIndex = 0;      // "BaudRate"/"Baudrate": ComboBaud 0..5
    int timeoutMs = 500;    // "Timeout": SpinTimer 200..30000
    int parityIndex = 0;    // "Parity": ComboParity 0..2
    int modeIndex = 0;      // "Mode": ComboMode 0..1
    bool scan = false;      // "Scan": CheckScaner
};

// Restores every value present. Numbers are clamped to their control's
// range; a list index outside its list (an edited configuration) falls back
// to the list's default entry rather than leaving the control unselected
// or the link in a mode that sends nothing.
Configuration restoreConfiguration(const QSettings &settings);
// Writes the values saved at close; "Address" only when a meter port is set.
void saveConfiguration(QSettings &settings, const Configuration &config);

// Opens the configuration key; with create, makes it when missing.
// Returns nothing when it does not exist and create is false.
using SettingsOpener = std::function<std::unique_ptr<QSettings>(bool create)>;
SettingsOpener nativeSettingsOpener();

} // namespace app
