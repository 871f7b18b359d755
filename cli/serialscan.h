#pragma once
// SpinEdit_Number of a tarvik-cli run in database mode, kept as the page
// "Установка" keeps it: every new serial the meter reports is copied in,
// and --serial comes in after the first polling cycle as an operator's scan
// would. A change of the number, when it is above 0 and "Параметры связи"
// is ticked, makes its last two digits the new bus address (SpinNewAddr).

#include <QObject>

namespace app {
class Station;
}

namespace cli {

class SerialScan : public QObject
{
    Q_OBJECT
public:
    // scanned: --serial (0: no scan).
    SerialScan(app::Station &station, int scanned, QObject *parent = nullptr);

    // The first polling cycle is done: the scanned serial goes in.
    void scan();

private:
    void setNumber(int number);

    app::Station &m_station;
    int m_scanned;
};

} // namespace cli
