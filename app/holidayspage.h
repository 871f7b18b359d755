#pragma once
// The page "Праздники и коэффициент лимита": the holiday list, the
// day-transfer list and the limit coefficient of the schedule document.
// The lists live in the document; this page shows their rows, edits them
// through the list's own rules and redraws them whenever the document says
// they changed. Each add button is enabled exactly while its list has room.

#include <QDate>
#include <QWidget>
#include <functional>

class QComboBox;
class QDateEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace schedule {
class ScheduleDocument;
}

namespace app {

class HolidaysPage : public QWidget
{
    Q_OBJECT
public:
    // `today` gives the earliest date a transfer may have (the system date
    // unless a test says otherwise).
    explicit HolidaysPage(schedule::ScheduleDocument &document, std::function<QDate()> today = {},
                          QWidget *parent = nullptr);

private:
    QWidget *buildHolidays();
    QWidget *buildTransfers();
    QWidget *buildCoefficient();

    void showHolidays();
    void showTransfers();
    void ComboMChange(int index);
    void BtnInsCelClick();
    void BtnDelCelClick();
    void BtnTempletClick();
    void DTPTransChange(QDate picked);
    void BtnInsTransClick();
    void BtnDelTransClick();

    schedule::ScheduleDocument &m_document;
    std::function<QDate()> m_today;

    QComboBox *ComboM = nullptr;
    QSpinBox *SpinD = nullptr;
    QPushButton *BtnInsCel = nullptr;
    QPushButton *BtnDelCel = nullptr;
    QPushButton *BtnTemplet = nullptr;
    QTreeWidget *ListCel = nullptr;
    QDateEdit *DTPTrans = nullptr;
    QComboBox *ComboTrans = nullptr;
    QPushButton *BtnInsTrans = nullptr;
    QPushButton *BtnDelTrans = nullptr;
    QTreeWidget *ListTransfer = nullptr;
    QSpinBox *SpinLimit = nullptr;
};

} // namespace app
