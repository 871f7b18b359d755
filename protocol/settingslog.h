#pragma once
// The operation-log lines of acknowledged settings writes. Each is built when
// the acknowledgement arrives, from the page's values as they are then, except
// where the request itself says what the meter took: the clock line shows the
// moment sent and the communication line the address, speed and parity sent.

#include "protocol/settingsvalues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace protocol {

// Item texts of the page's selectors, by index.
QStringList loadModeItems();   // ComboModeDdm
QStringList profileItems();    // ComboProfile
QStringList qualitySecondItems(); // ComboSec
QStringList parityItems();     // ComboParityW

QString serialLogLine(const SettingsValues &v);                                  // 0x02
QStringList communicationLogLines(const QByteArray &request);                    // 0x03
QString clockLogLine(const SettingsValues &v, const QByteArray &request);        // 0x05
QString passwordLogLine(const SettingsValues &v);                                // 0x15
QString pultLogLine(const SettingsValues &v);                                    // 0x17
QString breakerLogLine(const SettingsValues &v);                                 // 0x19
QString sensorLogLine(const SettingsValues &v);                                  // 0x1D
QString integrationLogLine(const SettingsValues &v);                             // 0x1F
QString billingLogLine(const SettingsValues &v);                                 // 0x23
QString billingResetLogLine();                                                   // 0x24
QString profileLogLine(const SettingsValues &v);                                 // 0x51
QString sealLogLine();                                                           // 0x5F
QString qualityLogLine(const SettingsValues &v);                                 // 0x61

} // namespace protocol
