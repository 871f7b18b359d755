#pragma once
// The page "О счетчике": five lists of fixed rows (a title column and value
// columns), the status lines (MemoStatus), the clock-drift text (EditDelta)
// and the values kept from polling. Holds text only; a widget page or an item
// model binds to it through the change signals.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

namespace protocol {

class MeterPage : public QObject
{
    Q_OBJECT
public:
    enum ListId { ListMain, ListAddi, ListParam, ListInfo, ListSensor };
    Q_ENUM(ListId)
    static constexpr int kListCount = 5;

    // Rows of ListMain.
    enum MainRow {
        MainType = 0,
        MainSerial = 1,
        MainVersion = 2,
        MainIdentifier = 3,
        MainDateTime = 5,
        MainSummerTime = 6,
        MainClockTest = 7,
        MainSettlementDay = 9,
        MainSettlementHour = 10,
        MainScheduleChecksum = 11,
        MainProfilePeriod = 13,
        MainIntegrationTime = 14,
        MainPanelNumber = 16,
        MainLoadMode = 17,
        MainPowerLimit = 18,
        MainPoorQualityThreshold = 20,
        MainAccountKind = 21,
        MainJtvf = 22,
    };
    // Rows and value columns of ListAddi (rows 0..7 are tariffs 1..8).
    enum AddiRow {
        AddiPeakPower = 9,
        AddiPeakTime = 10,
        AddiActiveTotal = 12,
        AddiReactiveInductive = 13,
        AddiReactiveCapacitive = 14,
    };
    enum AddiColumn { AddiCurrent = 0, AddiSettlement = 1 };
    // Rows of ListParam (rows 0..5 are selectors 0x80..0x85).
    enum ParamRow {
        ParamActivePower = 0,
        ParamApparentPower = 6,
        ParamTemperature = 7,
        ParamTelemetry = 8,
    };
    enum InfoRow { InfoTariff = 0, InfoWorkingTime = 1, InfoBattery = 2 };
    enum SensorColumn { SensorCalibration = 0, SensorCurrent = 1, SensorSettlement = 2 };

    explicit MeterPage(QObject *parent = nullptr);

    // Layout: row captions (empty ones are separator rows) and the header
    // texts of the title column followed by the value columns; ListMain
    // shows no headers (all empty).
    static int rowCount(ListId list);
    static int valueColumnCount(ListId list);
    static QString rowCaption(ListId list, int row);
    static QStringList columnTitles(ListId list);
    static bool showsColumnHeaders(ListId list);

    // Value cells; column counts value columns from 0. Out-of-range cells
    // read as empty and are not written.
    QString cell(ListId list, int row, int column = 0) const;
    void setCell(ListId list, int row, int column, const QString &text);
    void setCell(ListId list, int row, const QString &text) { setCell(list, row, 0, text); }

    QStringList memoStatus() const { return m_memoStatus; }
    void clearMemoStatus();
    void addMemoStatusLine(const QString &line);

    QString editDelta() const { return m_editDelta; }
    void setEditDelta(const QString &text);

    // Values kept from polling.
    int meterType() const { return m_meterType; }
    void setMeterType(int value) { m_meterType = value; }
    quint32 meterSerial() const { return m_meterSerial; }
    void setMeterSerial(quint32 value)
    {
        m_meterSerial = value;
        m_meterSerialRead = true;
    }
    // meterSerial is 0 both for a meter without a serial number and before
    // the serial has been read since the last reset; this tells them apart.
    bool meterSerialRead() const { return m_meterSerialRead; }
    quint8 clockFaultBits() const { return m_clockFaultBits; }
    void setClockFaultBits(quint8 value) { m_clockFaultBits = value; }
    quint8 lastStatusByte() const { return m_lastStatusByte; }
    void setLastStatusByte(quint8 value)
    {
        m_lastStatusByte = value;
        m_statusShown = true;
    }
    // False after a reset until a status reply has been shown: a meter whose
    // status byte is 0xFF must not be mistaken for "nothing read yet".
    bool statusShown() const { return m_statusShown; }
    quint32 workingSeconds() const { return m_workingSeconds; }
    void setWorkingSeconds(quint32 value) { m_workingSeconds = value; }

    // The page's share of resetReadings, in this order: empty the value
    // columns of all five lists (ListParam: its first three), empty
    // EditDelta; meterType, meterSerial, clockFaultBits, workingSeconds := 0;
    // lastStatusByte := 255; empty MemoStatus. Then readingsReset() is
    // emitted: the window does the steps that are not the page's
    // (passwordAccepted := false, EditGroup/EditAddress/ListRoute emptied,
    // lastProgrammed/driftSum/driftCount := 0, DatePicker/TimePicker edit
    // flags cleared, focus to SpinEdit_Number when "Установка" shows and it
    // is enabled). None of them reads or writes the page, so doing them after
    // the page's part gives the same result as the interleaved order.
    void resetReadings();

signals:
    void cellChanged(protocol::MeterPage::ListId list, int row, int column);
    void memoStatusChanged();
    void editDeltaChanged(const QString &text);
    void readingsReset();

private:
    QVector<QStringList> m_cells[kListCount]; // [list][row][column]
    QStringList m_memoStatus;
    QString m_editDelta;
    int m_meterType = 0;
    quint32 m_meterSerial = 0;
    bool m_meterSerialRead = false;
    quint8 m_clockFaultBits = 0;
    quint8 m_lastStatusByte = 255;
    bool m_statusShown = false;
    quint32 m_workingSeconds = 0;
};

} // namespace protocol
