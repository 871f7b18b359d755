#pragma once
// The page "Параметры RFPLC" (TabPlc): the group and address the meter
// reports with the controls to write new ones, and the four retransmission
// routes with the controls to write or delete one. The shown values follow
// the engine; every edit of a control goes into the engine's controls at
// once, so a write always sends what the page shows.

#include <QMessageBox>
#include <QWidget>

class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace protocol {
class RfPlc;
}

namespace app {

class PlcPage : public QWidget
{
    Q_OBJECT
public:
    explicit PlcPage(protocol::RfPlc &engine, QWidget *parent = nullptr);

    // BtnWriteAddress, BtnWriteRoute and ButtonDelRoute go with the other
    // meter operations (disabled until the window says otherwise).
    void setMeterControlsEnabled(bool enabled);

signals:
    // A write the engine refused (e.g. a route number out of range).
    void message(QMessageBox::Icon icon, const QString &caption, const QString &text);

private:
    QWidget *buildAddress();
    QWidget *buildRoutes();
    QTreeWidget *buildRouteList(QWidget *parent);

    void showReadings();
    void storeControls();
    void BtnWriteRouteClick();

    protocol::RfPlc &m_engine;

    QLineEdit *EditGroup = nullptr;
    QLineEdit *EditAddress = nullptr;
    QSpinBox *SpinGroup = nullptr;
    QSpinBox *SpinAddress = nullptr;
    QPushButton *BtnWriteAddress = nullptr;
    QTreeWidget *ListRoute = nullptr;
    QSpinBox *SpinRoute = nullptr;
    QSpinBox *SpinAddrRep = nullptr;
    QLineEdit *EditNumb = nullptr;
    QPushButton *BtnWriteRoute = nullptr;
    QPushButton *ButtonDelRoute = nullptr;
};

} // namespace app
