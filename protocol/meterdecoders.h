#pragma once
// Decoders of the polled replies that fill the page "О счетчике". The
// dispatcher calls decode() (or one decoder directly) with an accepted reply
// and then moves the queue on itself; nothing here calls dequeueHead.
//
// A reply whose payload is shorter than its decoder reads changes nothing.
// Replies whose length byte is not the one a decoder requires (0x0F: 8,
// 0x1C: 6 or 8, 0x2B: 16, the time part of 0x04: 7) leave the affected cells
// as they are.

#include "protocol/encodings.h"
#include "protocol/meterpage.h"
#include "protocol/reply.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QObject>
#include <functional>

namespace protocol {

class MeterDecoders : public QObject
{
    Q_OBJECT
public:
    MeterDecoders(MeterPage *page, bool databaseMode = false, QObject *parent = nullptr);

    // Function codes handled here. 0x08 belongs here only with length byte 4
    // (schedule checksum); its other lengths are schedule records read by the
    // schedule transfer, and decode() ignores them.
    static QList<quint8> codes();
    static bool handles(const Reply &reply);
    // Dispatches by reply code; codes not handled here are ignored.
    void decode(const Reply &reply);

    // Numbers and date-times use this locale (default displayLocale()).
    void setLocale(const QLocale &locale) { m_locale = locale; }
    QLocale locale() const { return m_locale; }
    bool databaseMode() const { return m_databaseMode; }
    void setDatabaseMode(bool on) { m_databaseMode = on; }

    // Filled by the production database part; both default to doing nothing.
    // serialLookup(meterSerial): 0x01 in databaseMode when the serial shown
    // changes, after serialNumberForEdit() and before the row is written.
    void setSerialLookup(std::function<void(quint32 serial)> hook);
    // ApplyDriftEstimate(meter time): 0x04 without clock fault and with the
    // meter time, after row "Дата / время" is written.
    void setApplyDriftEstimate(std::function<void(const QDateTime &meterTime)> hook);

    // SpinEdit_Number is enabled when the serial is 0 or in databaseMode.
    static bool spinEditNumberEnabled(quint32 serial, bool databaseMode)
    {
        return serial == 0 || databaseMode;
    }

    void decodeVersion(const Reply &reply);          // 0x00
    void decodeSerial(const Reply &reply);           // 0x01
    void decodeClock(const Reply &reply);            // 0x04
    void decodeScheduleChecksum(const Reply &reply); // 0x08, length byte 4
    void decodeReading(const Reply &reply);          // 0x0F
    void decodeWorkingTime(const Reply &reply);      // 0x11
    void decodeLoadControl(const Reply &reply);      // 0x16
    void decodePowerLimit(const Reply &reply);       // 0x18
    void decodeSensor(const Reply &reply);           // 0x1C
    void decodeIntegrationTime(const Reply &reply);  // 0x1E
    void decodeSettlement(const Reply &reply);       // 0x22
    void decodeBattery(const Reply &reply);          // 0x25
    void decodePeaks(const Reply &reply);            // 0x2B
    void decodeIdentifier(const Reply &reply);       // 0x4C
    void decodeTemperature(const Reply &reply);      // 0x4D
    void decodeTelemetry(const Reply &reply);        // 0x4E
    void decodeProfilePeriod(const Reply &reply);    // 0x50
    void decodeStatus(const Reply &reply);           // 0x5C
    void decodePoorQuality(const Reply &reply);      // 0x60

    // Texts of the load-mode and profile-period lists (items of ComboModeDdm
    // and ComboProfile on page "Установка").
    static QStringList loadModeItems();
    static QStringList profilePeriodItems();
    // "Время работы": [days "д."]hh:mm:ss.
    static QString workingTimeText(quint32 seconds);

signals:
    // 0x01, before anything else of that reply: the new serial and the state
    // of SpinEdit_Number (enabled) and ActionFixDb (enabled when serial > 0).
    void serialRead(quint32 serial, bool spinEditNumberEnabled, bool actionFixDbEnabled);
    // 0x01 in databaseMode when the serial differs from the one shown and
    // SpinEdit_Number is enabled: its value := serial.
    void serialNumberForEdit(quint32 serial);

private:
    QString fixed3(double value) const;
    QString dateTime(const QDateTime &value) const;

    MeterPage *m_page;
    bool m_databaseMode;
    QLocale m_locale = displayLocale();
    std::function<void(quint32)> m_serialLookup = [](quint32) {};
    std::function<void(const QDateTime &)> m_applyDriftEstimate = [](const QDateTime &) {};
};

} // namespace protocol
