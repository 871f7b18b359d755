#include "protocol/meterdecoders.h"

#include "protocol/encodings.h"

namespace protocol {

namespace {

using P = MeterPage;

// Payload bytes each decoder reads.
constexpr int kVersionBytes = 5;
constexpr int kSerialBytes = 3;
constexpr int kStatusBytes = 1;
constexpr int kClockBytes = 5;
constexpr int kReadingBytes = 6;
constexpr int kPeaksBytes = 14;

} // namespace

MeterDecoders::MeterDecoders(MeterPage *page, bool databaseMode, QObject *parent)
    : QObject(parent), m_page(page), m_databaseMode(databaseMode)
{
}

QList<quint8> MeterDecoders::codes()
{
    return {0x00, 0x01, 0x04, 0x08, 0x0F, 0x11, 0x16, 0x18, 0x1C, 0x1E,
            0x22, 0x25, 0x2B, 0x4C, 0x4D, 0x4E, 0x50, 0x5C, 0x60};
}

bool MeterDecoders::handles(const Reply &reply)
{
    if (reply.code() == 0x08)
        return reply.length() == 4;
    return codes().contains(reply.code());
}

void MeterDecoders::decode(const Reply &reply)
{
    switch (reply.code()) {
    case 0x00: decodeVersion(reply); break;
    case 0x01: decodeSerial(reply); break;
    case 0x04: decodeClock(reply); break;
    case 0x08: decodeScheduleChecksum(reply); break;
    case 0x0F: decodeReading(reply); break;
    case 0x11: decodeWorkingTime(reply); break;
    case 0x16: decodeLoadControl(reply); break;
    case 0x18: decodePowerLimit(reply); break;
    case 0x1C: decodeSensor(reply); break;
    case 0x1E: decodeIntegrationTime(reply); break;
    case 0x22: decodeSettlement(reply); break;
    case 0x25: decodeBattery(reply); break;
    case 0x2B: decodePeaks(reply); break;
    case 0x4C: decodeIdentifier(reply); break;
    case 0x4D: decodeTemperature(reply); break;
    case 0x4E: decodeTelemetry(reply); break;
    case 0x50: decodeProfilePeriod(reply); break;
    case 0x5C: decodeStatus(reply); break;
    case 0x60: decodePoorQuality(reply); break;
    default: break;
    }
}

void MeterDecoders::setSerialLookup(std::function<void(quint32)> hook)
{
    m_serialLookup = hook ? std::move(hook) : [](quint32) {};
}

void MeterDecoders::setApplyDriftEstimate(std::function<void(const QDateTime &)> hook)
{
    m_applyDriftEstimate = hook ? std::move(hook) : [](const QDateTime &) {};
}

QStringList MeterDecoders::loadModeItems()
{
    return {
        QStringLiteral("выключено, запрещено включение с пульта"),
        QStringLiteral("выключено, разрешено включение с пульта"),
        QStringLiteral("включено, запрещено включение с пульта"),
        QStringLiteral("включено, разрешено включение с пульта"),
    };
}

QStringList MeterDecoders::profilePeriodItems()
{
    return {QStringLiteral("выкл."), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
            QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("10"),
            QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("20"), QStringLiteral("30"),
            QStringLiteral("60")};
}

QString MeterDecoders::workingTimeText(quint32 seconds)
{
    const quint32 days = seconds / 86400;
    const QString clock = QStringLiteral("%1:%2:%3")
                              .arg((seconds % 86400) / 3600, 2, 10, QLatin1Char('0'))
                              .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'))
                              .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? QString::number(days) + QStringLiteral("д.") + clock : clock;
}

QString MeterDecoders::fixed3(double value) const
{
    return formatFixed3(value, m_locale);
}

QString MeterDecoders::dateTime(const QDateTime &value) const
{
    return formatDateTime(value, m_locale);
}

// 0x00: p[0..1] software version (bcd8 minor, major), p[2..4] type code.
void MeterDecoders::decodeVersion(const Reply &reply)
{
    if (!reply.has(kVersionBytes))
        return;
    const int type = typeCode(reply.p(2), reply.p(3), reply.p(4));
    m_page->setMeterType(type);
    m_page->setCell(P::ListMain, P::MainType,
                    QStringLiteral("Тарвик %1.%2").arg(type / 100).arg(type % 100, 2, 10, QLatin1Char('0')));
    if (type / 100 == 504)
        m_page->setCell(P::ListMain, P::MainVersion,
                        QStringLiteral("%1.%2").arg(bcd8(reply.p(1))).arg(bcd8(reply.p(0))));
}

// 0x01: serial number u24le.
void MeterDecoders::decodeSerial(const Reply &reply)
{
    if (!reply.has(kSerialBytes))
        return;
    const quint32 serial = u24le(reply.payload(), 0);
    m_page->setMeterSerial(serial);
    const bool numberEnabled = spinEditNumberEnabled(serial, m_databaseMode);
    emit serialRead(serial, numberEnabled, serial > 0);

    const QString text = serial > 0 ? QStringLiteral("%1").arg(serial, 6, 10, QLatin1Char('0'))
                                    : QStringLiteral("0");
    if (m_databaseMode && text != m_page->cell(P::ListMain, P::MainSerial)) {
        if (numberEnabled)
            emit serialNumberForEdit(serial);
        m_serialLookup(serial);
    }
    m_page->setCell(P::ListMain, P::MainSerial, text);
}

// 0x04: p[0] status byte; with length byte 7, p[1..4] meter time.
void MeterDecoders::decodeClock(const Reply &reply)
{
    const bool withTime = reply.length() == 7;
    if (!reply.has(withTime ? kClockBytes : kStatusBytes))
        return;
    const quint8 status = reply.p(0);

    m_page->setEditDelta(QString());
    m_page->setClockFaultBits(status & 0x70);
    m_page->setCell(P::ListMain, P::MainSummerTime,
                    (status & 0x80) ? QStringLiteral("да") : QStringLiteral("нет"));
    m_page->setCell(P::ListInfo, P::InfoTariff, QString::number((status & 7) + 1));

    if (status & 0x70) {
        m_page->setCell(P::ListMain, P::MainDateTime, QString());
        // Bit 4 outranks bit 5, bit 5 outranks bit 6.
        QString fault;
        if (status & 0x10)
            fault = QStringLiteral("Неисправность батареи ЧРВ.");
        else if (status & 0x20)
            fault = QStringLiteral("Неисправность ЧРВ.");
        else
            fault = QStringLiteral("Дата и время не установлены.");
        m_page->setCell(P::ListMain, P::MainClockTest, fault);
        return;
    }
    m_page->setCell(P::ListMain, P::MainClockTest, QStringLiteral("Ok"));
    if (withTime) {
        const QDateTime meterTime = meterSecondsToDateTime(u32le(reply.payload(), 1));
        m_page->setCell(P::ListMain, P::MainDateTime, dateTime(meterTime));
        m_applyDriftEstimate(meterTime);
    } else {
        m_page->setCell(P::ListMain, P::MainDateTime, QString());
    }
}

// 0x08 with length byte 4: schedule checksum u16le.
void MeterDecoders::decodeScheduleChecksum(const Reply &reply)
{
    if (reply.length() != 4 || !reply.has(2))
        return;
    m_page->setCell(P::ListMain, P::MainScheduleChecksum, QString::number(u16le(reply.payload(), 0)));
}

// 0x0F, length byte 8: p[0] selector, p[1] unused, p[2..5] MeterFloat.
void MeterDecoders::decodeReading(const Reply &reply)
{
    if (reply.length() != 8 || !reply.has(kReadingBytes))
        return;
    const quint8 selector = reply.p(0);
    const QString text = fixed3(meterFloat(u32le(reply.payload(), 2)));
    const int column = (selector & 0x08) ? P::AddiSettlement : P::AddiCurrent;

    if (selector <= 0x0F) {
        m_page->setCell(P::ListAddi, selector & 7, column, text);
        return;
    }
    switch (selector) {
    case 0x40: case 0x48:
        m_page->setCell(P::ListAddi, P::AddiActiveTotal, column, text);
        break;
    case 0x42: case 0x4A:
        m_page->setCell(P::ListAddi, P::AddiReactiveInductive, column, text);
        break;
    case 0x45: case 0x4D:
        m_page->setCell(P::ListAddi, P::AddiReactiveCapacitive, column, text);
        break;
    case 0x80: case 0x81: case 0x82: case 0x83: case 0x84: case 0x85:
        m_page->setCell(P::ListParam, selector - 0x80, text);
        break;
    case 0x88:
        m_page->setCell(P::ListParam, P::ParamApparentPower, text);
        break;
    default:
        break; // 0x10 and other selectors are not shown
    }
}

// 0x11: working time u32le seconds; further bytes unused.
void MeterDecoders::decodeWorkingTime(const Reply &reply)
{
    if (!reply.has(4))
        return;
    const quint32 seconds = u32le(reply.payload(), 0);
    m_page->setWorkingSeconds(seconds);
    m_page->setCell(P::ListInfo, P::InfoWorkingTime, workingTimeText(seconds));
}

// 0x16: p[0..2] control panel number u24le, p[3] load mode.
void MeterDecoders::decodeLoadControl(const Reply &reply)
{
    if (!reply.has(4))
        return;
    m_page->setCell(P::ListMain, P::MainPanelNumber, QString::number(u24le(reply.payload(), 0)));
    const QStringList modes = loadModeItems();
    const int mode = reply.p(3);
    m_page->setCell(P::ListMain, P::MainLoadMode, mode < modes.size() ? modes[mode] : QString());
}

// 0x18: power limit u16le, W.
void MeterDecoders::decodePowerLimit(const Reply &reply)
{
    if (!reply.has(2))
        return;
    m_page->setCell(P::ListMain, P::MainPowerLimit, QString::number(u16le(reply.payload(), 0)));
}

// 0x1C, length byte 6 or 8: p[0] sensor 0..2, p[1] kind; kind 0: p[2..3]
// calibration u16le; kind 1/2: p[2..5] count u32le, shown divided by the
// calibration in column "текущие" / "РДЧ".
void MeterDecoders::decodeSensor(const Reply &reply)
{
    if ((reply.length() != 6 && reply.length() != 8) || !reply.has(2))
        return;
    const int sensor = reply.p(0);
    const int kind = reply.p(1);
    if (sensor > 2)
        return;
    if (kind == 0) {
        if (reply.has(4))
            m_page->setCell(P::ListSensor, sensor, P::SensorCalibration,
                            QString::number(u16le(reply.payload(), 2)));
        return;
    }
    if (kind > 2 || !reply.has(6))
        return;
    bool ok = false;
    const qint64 calibration = m_page->cell(P::ListSensor, sensor, P::SensorCalibration).toLongLong(&ok);
    if (!ok || calibration <= 0)
        return;
    const double value = double(u32le(reply.payload(), 2)) / double(calibration);
    m_page->setCell(P::ListSensor, sensor, kind == 1 ? P::SensorCurrent : P::SensorSettlement, fixed3(value));
}

// 0x1E: peak-power integration time, p[0] + 1 minutes.
void MeterDecoders::decodeIntegrationTime(const Reply &reply)
{
    if (!reply.has(1))
        return;
    m_page->setCell(P::ListMain, P::MainIntegrationTime, QString::number(reply.p(0) + 1));
}

// 0x22: p[0] settlement hour, p[1] settlement day, both bcd8.
void MeterDecoders::decodeSettlement(const Reply &reply)
{
    if (!reply.has(2))
        return;
    m_page->setCell(P::ListMain, P::MainSettlementDay, QString::number(bcd8(reply.p(1))));
    m_page->setCell(P::ListMain, P::MainSettlementHour, QString::number(bcd8(reply.p(0))));
}

// 0x25: battery charge MeterFloat.
void MeterDecoders::decodeBattery(const Reply &reply)
{
    if (!reply.has(4))
        return;
    m_page->setCell(P::ListInfo, P::InfoBattery, fixed3(meterFloat(u32le(reply.payload(), 0))));
}

// 0x2B, length byte 16: p[0..3] time and p[4..6] power of the current peak,
// p[7..10] and p[11..13] the same at settlement.
void MeterDecoders::decodePeaks(const Reply &reply)
{
    if (reply.length() != 16 || !reply.has(kPeaksBytes))
        return;
    const QByteArrayView p = reply.payload();
    const quint32 currentTime = u32le(p, 0);
    const quint32 settlementTime = u32le(p, 7);
    // A time of 0 (2000-01-01 00:00:00) means "none": the cell keeps its text.
    if (currentTime > 0)
        m_page->setCell(P::ListAddi, P::AddiPeakTime, P::AddiCurrent, dateTime(meterSecondsToDateTime(currentTime)));
    if (settlementTime > 0)
        m_page->setCell(P::ListAddi, P::AddiPeakTime, P::AddiSettlement,
                        dateTime(meterSecondsToDateTime(settlementTime)));
    m_page->setCell(P::ListAddi, P::AddiPeakPower, P::AddiCurrent, QString::number(u24le(p, 4)));
    m_page->setCell(P::ListAddi, P::AddiPeakPower, P::AddiSettlement, QString::number(u24le(p, 11)));
}

// 0x4C: software digital identifier u16le.
void MeterDecoders::decodeIdentifier(const Reply &reply)
{
    if (!reply.has(2))
        return;
    m_page->setCell(P::ListMain, P::MainIdentifier, QString::number(u16le(reply.payload(), 0)));
}

// 0x4D: temperature, signed byte.
void MeterDecoders::decodeTemperature(const Reply &reply)
{
    if (!reply.has(1))
        return;
    const int t = reply.p(0);
    m_page->setCell(P::ListParam, P::ParamTemperature,
                    t < 128 ? u'+' + QString::number(t) : u'-' + QString::number(256 - t));
}

// 0x4E: telemetry channel, bit 0 of p[0].
void MeterDecoders::decodeTelemetry(const Reply &reply)
{
    if (!reply.has(1))
        return;
    m_page->setCell(P::ListParam, P::ParamTelemetry,
                    (reply.p(0) & 1) ? QStringLiteral("реактивная энергия") : QStringLiteral("активная энергия"));
}

// 0x50: profile period index; unknown indexes keep the row.
void MeterDecoders::decodeProfilePeriod(const Reply &reply)
{
    if (!reply.has(1))
        return;
    const QStringList periods = profilePeriodItems();
    const int index = reply.p(0);
    if (index < periods.size())
        m_page->setCell(P::ListMain, P::MainProfilePeriod, periods[index]);
}

// 0x5C: status byte; bit 1 is the broken terminal seal.
void MeterDecoders::decodeStatus(const Reply &reply)
{
    if (!reply.has(1))
        return;
    const quint8 status = reply.p(0);
    if (m_page->statusShown() && status == m_page->lastStatusByte())
        return;
    m_page->setLastStatusByte(status);
    m_page->clearMemoStatus();
    if (status & 0x02)
        m_page->addMemoStatusLine(QStringLiteral("нарушена пломба клеммника"));
}

// 0x60: p[0..1] threshold (low 13 bits, units of 20 s), p[2] flags.
void MeterDecoders::decodePoorQuality(const Reply &reply)
{
    if (!reply.has(3))
        return;
    const int v = u16le(reply.payload(), 0) & 0x1FFF;
    QString threshold = QString::number(v / 3) + QStringLiteral(" мин. ");
    if (v % 3 != 0)
        threshold += QString::number((v % 3) * 20) + QStringLiteral(" сек.");
    m_page->setCell(P::ListMain, P::MainPoorQualityThreshold, threshold);
    const quint8 flags = reply.p(2);
    m_page->setCell(P::ListMain, P::MainAccountKind, (flags & 1) ? QStringLiteral("да") : QStringLiteral("нет"));
    m_page->setCell(P::ListMain, P::MainJtvf, (flags & 2) ? QStringLiteral("да") : QStringLiteral("нет"));
}

} // namespace protocol
