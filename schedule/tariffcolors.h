#pragma once
// The eight tariff colours of the schedule editor: their defaults and their
// per-user store. The store holds "Color1".."Color8" as 32-bit integers
// 0x00BBGGRR (red in the low byte); 0 means "no colour stored". On Windows
// the store is HKEY_CURRENT_USER\SOFTWARE\Kelmora\Schedule, elsewhere the
// platform's native settings under the same names.

#include <QColor>
#include <QSettings>
#include <array>
#include <functional>
#include <memory>

namespace schedule {

constexpr int kTariffs = 8;
using TariffColors = std::array<QColor, kTariffs>;  // index n - 1 for tariff n
using StoredColors = std::array<quint32, kTariffs>; // as kept in the store

// cream, sky blue, orange, medium grey, yellow, light green, teal, pink
TariffColors defaultTariffColors();

quint32 storedFromColor(const QColor &color);
QColor colorFromStored(quint32 value);

// Opens the colour store; nothing when it cannot be opened.
using ColorStoreOpener = std::function<std::unique_ptr<QSettings>()>;
ColorStoreOpener nativeColorStoreOpener();

// Every value present; a missing one (or a store that cannot be opened) is 0.
StoredColors readStoredColors(const ColorStoreOpener &open);
// Writes all eight; false (nothing written) when the store cannot be opened.
bool writeStoredColors(const ColorStoreOpener &open, const TariffColors &colors);

} // namespace schedule
