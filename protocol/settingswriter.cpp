#include "settingswriter.h"

#include "accesspassword.h"
#include "cp1251.h"
#include "dispatcher.h"
#include "meterpage.h"
#include "settingsbatch.h"
#include "settingslog.h"

#include "link/connection.h"

namespace protocol {

namespace {

const QString kError = QStringLiteral("Ошибка");

SettingsWriter::Refusal notConnected()
{
    return {kError, QStringLiteral("Нет связи со счетчиком: установки не записаны.")};
}

SettingsWriter::Refusal serialNotRead()
{
    return {QStringLiteral("Запись установок невозможна"),
            QStringLiteral("Серийный номер счетчика еще не прочитан. Дождитесь его чтения и повторите запись.")};
}

SettingsWriter::Refusal passwordNotSingleByte()
{
    return {kError, QStringLiteral("Новый пароль содержит символы, которые нельзя передать в счетчик: "
                                   "установки не записаны.")};
}

bool refuse(SettingsWriter::Refusal *out, const SettingsWriter::Refusal &why)
{
    if (out)
        *out = why;
    return false;
}

} // namespace

SettingsWriter::SettingsWriter(meterlink::Clock &clock, meterlink::MeterConnection &connection,
                               ReplyDispatcher &dispatcher, MeterPage &page, AccessPassword &accessPassword,
                               bool databaseMode, QObject *parent)
    : QObject(parent),
      m_clock(clock),
      m_connection(connection),
      m_dispatcher(dispatcher),
      m_page(page),
      m_accessPassword(accessPassword),
      m_databaseMode(databaseMode)
{
    registerAcknowledgements(dispatcher);
}

void SettingsWriter::resetPickerFlags()
{
    m_values.datePickerEdited = false;
    m_values.timePickerEdited = false;
}

bool SettingsWriter::write(Refusal *refusal)
{
    if (!m_values.anyTaskTicked())
        return true;
    if (!m_connection.isConnected())
        return refuse(refusal, notConnected());
    // A serial number is never written over one the meter has: until the
    // page has read it, we cannot tell whether this one would be.
    const bool serialTyped = m_values.SpinEdit_Number > 0;
    if (serialTyped && !m_page.meterSerialRead())
        return refuse(refusal, serialNotRead());
    if (m_values.CheckPassword && !fitsCp1251(m_values.EditPassW))
        return refuse(refusal, passwordNotSingleByte());
    const bool writesSerial = serialTyped && m_page.meterSerial() == 0;
    if (m_databaseMode) {
        Refusal why; // the hook always gets somewhere to write its reason
        if (m_preCheck && !m_preCheck(m_values, m_page.meterSerial(), writesSerial, &why))
            return refuse(refusal, why);
        if (m_clockSync)
            m_clockSync(); // before the moment is taken from the clock
        // The hooks may have shown a message box, and the link may have
        // gone while it was open.
        if (!m_connection.isConnected())
            return refuse(refusal, notConnected());
    }
    queue(buildSettingsBatch(m_values, batchContext(writesSerial)));
    return true;
}

SettingsBatchContext SettingsWriter::batchContext(bool writesSerial) const
{
    const QDateTime now = m_clock.now();
    SettingsBatchContext c;
    c.passwordAccepted = m_dispatcher.passwordAccepted();
    c.accessPasswordPayload = AccessPassword::payload(m_accessPassword.text());
    c.writeSerial = writesSerial;
    c.date = m_values.datePickerEdited ? m_values.DatePicker : now.date();
    c.time = m_values.timePickerEdited ? m_values.TimePicker : now.time();
    return c;
}

// The whole batch enters the queue before the operator is told anything: a
// message box runs its own event loop, and the link must not see half a batch.
void SettingsWriter::queue(const SettingsBatch &batch)
{
    if (!batch.requests.isEmpty()) {
        m_connection.beginBatch(meterlink::Batch::Settings);
        for (const QByteArray &request : batch.requests)
            m_connection.enqueueRequest(request);
        m_connection.setMeterControls(false);
        emit batchQueued(int(batch.requests.size()));
    }
    if (batch.sensorValuesInvalid)
        emit sensorValuesInvalid();
}

void SettingsWriter::registerAcknowledgements(ReplyDispatcher &dispatcher)
{
    // Lines only: the log text from the values as they are when the reply comes.
    const auto line = [this](QString (*text)(const SettingsValues &)) {
        return [this, text](const QByteArray &) { return QStringList{text(m_values)}; };
    };
    const auto fixed = [](QString (*text)()) { return [text](const QByteArray &) { return QStringList{text()}; }; };

    dispatcher.setAcknowledgement(0x02, {line(serialLogLine), {}});
    dispatcher.setAcknowledgement(0x03, {communicationLogLines, [this](const QByteArray &r) { followLink(r); }});
    dispatcher.setAcknowledgement(0x05, {[this](const QByteArray &r) { return QStringList{clockLogLine(m_values, r)}; }, {}});
    dispatcher.setAcknowledgement(0x15, {line(passwordLogLine),
                                         [this](const QByteArray &) { m_accessPassword.setText(m_values.EditPassW); }});
    dispatcher.setAcknowledgement(0x17, {line(pultLogLine), {}});
    dispatcher.setAcknowledgement(0x19, {line(breakerLogLine), {}});
    dispatcher.setAcknowledgement(0x1D, {line(sensorLogLine), {}}); // once for each of the two requests
    dispatcher.setAcknowledgement(0x1F, {line(integrationLogLine), {}});
    dispatcher.setAcknowledgement(0x23, {line(billingLogLine), {}});
    dispatcher.setAcknowledgement(0x24, {fixed(billingResetLogLine), {}});
    dispatcher.setAcknowledgement(0x51, {line(profileLogLine), {}});
    dispatcher.setAcknowledgement(0x5F, {fixed(sealLogLine), {}});
    dispatcher.setAcknowledgement(0x61, {line(qualityLogLine), {}});
}

// The meter now listens at what it was sent: the link follows before the
// next request goes out.
void SettingsWriter::followLink(const QByteArray &request)
{
    if (request.size() < 4)
        return;
    const CommunicationParameters sent = communicationParameters(static_cast<quint8>(request[3]));
    m_connection.applyCommunicationParameters(static_cast<quint8>(request[2]), sent.speedIndex, sent.parityIndex,
                                              sent.lineMode);
}

} // namespace protocol
