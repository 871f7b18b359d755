#include "hangupwatch.h"

namespace meterlink {

// QSerialPort reports a removed device as a resource error on Windows.
HangupWatch::HangupWatch(QSerialPort &, QObject *parent) : QObject(parent) {}

HangupWatch::~HangupWatch() = default;

} // namespace meterlink
