#include "tariffcolors.h"

namespace schedule {

namespace {
QString valueName(int n) { return QStringLiteral("Color%1").arg(n); }
} // namespace

TariffColors defaultTariffColors()
{
    return {QColor(255, 251, 240), QColor(166, 202, 240), QColor(255, 140, 26), QColor(160, 160, 164),
            QColor(255, 255, 0),   QColor(134, 255, 134), QColor(0, 128, 128),  QColor(255, 128, 255)};
}

quint32 storedFromColor(const QColor &color)
{
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}

QColor colorFromStored(quint32 value)
{
    return QColor(int(value & 0xFF), int(value >> 8 & 0xFF), int(value >> 16 & 0xFF));
}

ColorStoreOpener nativeColorStoreOpener()
{
    return []() -> std::unique_ptr<QSettings> {
        auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                    QStringLiteral("Kelmora"), QStringLiteral("Schedule"));
        if (settings->status() != QSettings::NoError)
            return nullptr;
        return settings;
    };
}

StoredColors readStoredColors(const ColorStoreOpener &open)
{
    StoredColors stored{};
    const auto settings = open ? open() : nullptr;
    if (!settings)
        return stored;
    for (int n = 1; n <= kTariffs; ++n) {
        bool ok = false;
        const quint32 value = settings->value(valueName(n)).toUInt(&ok);
        stored[n - 1] = ok ? value & 0x00FFFFFF : 0;
    }
    return stored;
}

bool writeStoredColors(const ColorStoreOpener &open, const TariffColors &colors)
{
    const auto settings = open ? open() : nullptr;
    if (!settings)
        return false;
    for (int n = 1; n <= kTariffs; ++n)
        settings->setValue(valueName(n), int(storedFromColor(colors[n - 1]))); // a DWORD in the registry
    settings->sync();
    return settings->status() == QSettings::NoError;
}

} // namespace schedule
