#include "configuration.h"

#include "runmodes.h"

#include <climits>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace app {

namespace {

// A number stored under name (any case), or nothing when absent or not a number.
std::optional<int> readInt(const QSettings &settings, const QString &name)
{
    const QString key = keyIgnoringCase(settings, name);
    if (key.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qlonglong v = settings.value(key).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<int>(qBound(qlonglong(INT_MIN), v, qlonglong(INT_MAX)));
}

void restoreClamped(const QSettings &s, const QString &name, int lo, int hi, int &target)
{
    if (const auto v = readInt(s, name))
        target = qBound(lo, *v, hi);
}

void restoreIndex(const QSettings &s, const QString &name, int count, int &target)
{
    if (const auto v = readInt(s, name))
        target = (*v >= 0 && *v < count) ? *v : 0;
}

// Writes under exactly this name, dropping a spelling in another case first
// (a registry compares names without case; an INI file does not).
void writeValue(QSettings &settings, const QString &name, const QVariant &value)
{
    const QString existing = keyIgnoringCase(settings, name);
    if (!existing.isEmpty() && existing != name)
        settings.remove(existing);
    settings.setValue(name, value);
}

// A text stored under name (any case); empty when absent.
QString readText(const QSettings &settings, const QString &name)
{
    const QString key = keyIgnoringCase(settings, name);
    return key.isEmpty() ? QString() : settings.value(key).toString();
}

} // namespace

Configuration restoreConfiguration(const QSettings &s)
{
    Configuration c;
    restoreClamped(s, QStringLiteral("Address"), 0, 255, c.address);
    if (const auto v = readInt(s, QStringLiteral("Port")))
        c.port = *v;
    c.portName = readText(s, QStringLiteral("PortName"));
    if (const auto v = readInt(s, QStringLiteral("Scaner")))
        c.scaner = *v;
    c.scanerName = readText(s, QStringLiteral("ScanerName"));
    restoreIndex(s, QStringLiteral("BaudRate"), 6, c.baudIndex);
    restoreClamped(s, QStringLiteral("Timeout"), 200, 30000, c.timeoutMs);
    restoreIndex(s, QStringLiteral("Parity"), 3, c.parityIndex);
    restoreIndex(s, QStringLiteral("Mode"), 2, c.modeIndex);
    if (const auto v = readInt(s, QStringLiteral("Scan")))
        c.scan = *v != 0;
    return c;
}

void saveConfiguration(QSettings &s, const Configuration &c)
{
    if (c.port != 0 || !c.portName.isEmpty())
        writeValue(s, QStringLiteral("Address"), c.address);
    writeValue(s, QStringLiteral("Port"), c.port);
    writeValue(s, QStringLiteral("PortName"), c.portName);
    writeValue(s, QStringLiteral("Baudrate"), c.baudIndex);
    writeValue(s, QStringLiteral("Timeout"), c.timeoutMs);
    writeValue(s, QStringLiteral("Parity"), c.parityIndex);
    writeValue(s, QStringLiteral("Mode"), c.modeIndex);
    writeValue(s, QStringLiteral("Scaner"), c.scaner);
    writeValue(s, QStringLiteral("ScanerName"), c.scanerName);
    writeValue(s, QStringLiteral("Scan"), c.scan ? 1 : 0);
    s.sync();
}

SettingsOpener nativeSettingsOpener()
{
    return [](bool create) -> std::unique_ptr<QSettings> {
#ifdef Q_OS_WIN
        const QString path = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Kelmora\\Tarvik-504");
        if (!create) {
            QSettings parent(QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Kelmora"), QSettings::NativeFormat);
            if (!parent.childGroups().contains(QStringLiteral("Tarvik-504"), Qt::CaseInsensitive))
                return nullptr;
        }
        auto settings = std::make_unique<QSettings>(path, QSettings::NativeFormat);
        if (create && settings->allKeys().isEmpty()) {
            settings->setValue(QStringLiteral("Timeout"), 500); // a key that exists, as at first start
            settings->remove(QStringLiteral("Timeout"));
        }
        return settings;
#else
        auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    QStringLiteral("Kelmora"), QStringLiteral("Tarvik-504"));
        const QString file = settings->fileName();
        if (!QFileInfo::exists(file)) {
            if (!create)
                return nullptr;
            QFile f(file); // the key exists from now on, even while empty
            QFileInfo(file).dir().mkpath(QStringLiteral("."));
            f.open(QIODevice::WriteOnly);
        }
        return settings;
#endif
    };
}

} // namespace app
