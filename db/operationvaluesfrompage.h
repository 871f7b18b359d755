#pragma once
// The values of an operation record taken from the page "О счетчике" and
// the page "Установка" at the moment a settings batch is queued (or
// "Зафиксировать в Б&Д" is chosen).

#include "db/operationvalues.h"

namespace protocol {
class MeterPage;
struct SettingsValues;
} // namespace protocol

namespace productiondb {

OperationValues operationValuesFrom(const protocol::MeterPage &page, const protocol::SettingsValues &settings);

} // namespace productiondb
