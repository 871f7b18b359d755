#pragma once
// The page "Журналы" (TabJournal): one inner page per journal with its list,
// its read button "Прочитать" and the buttons "Экспорт" and "Печать"; the
// load-profile page also has the day picker DTPProfile and the chart
// ChartProfile. The lists show only what the reader holds, shown anew
// whenever its rows change. "Экспорт" is always enabled; "Печать" only when
// a printer is installed at start-up.

#include "app/journalexport.h"
#include "journals/journal.h"

#include <QDate>
#include <QWidget>
#include <array>
#include <memory>

class QDateEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace journals {
class JournalReader;
}

namespace app {

class ChartProfile;
class JournalPrinting;

class JournalsPage : public QWidget
{
    Q_OBJECT
public:
    // today: the day DTPProfile starts with; exportHooks answer the export's
    // save dialog, warning and opening of the file (empty: the real ones).
    JournalsPage(journals::JournalReader &reader, QDate today, QWidget *parent = nullptr,
                 JournalExportHooks exportHooks = {});
    ~JournalsPage() override;

    // The six read buttons go with the other meter operations (disabled
    // until the window says otherwise).
    void setMeterControlsEnabled(bool enabled);

    QTabWidget *innerPages() const { return m_inner; }
    QTreeWidget *list(journals::Journal j) const { return m_controls[int(j)].list; }
    QPushButton *readButton(journals::Journal j) const { return m_controls[int(j)].read; }
    QPushButton *exportButton(journals::Journal j) const { return m_controls[int(j)].exportButton; }
    QPushButton *printButton(journals::Journal j) const { return m_controls[int(j)].print; }
    QDateEdit *profileDay() const { return DTPProfile; }
    ChartProfile *chart() const { return m_chart; }
    JournalPrinting *printing() const { return m_printing.get(); }

private:
    struct Controls
    {
        QTreeWidget *list = nullptr;
        QPushButton *read = nullptr;
        QPushButton *exportButton = nullptr;
        QPushButton *print = nullptr;
    };

    QWidget *buildJournalPage(journals::Journal j);
    QWidget *buildProfilePage(QDate today);
    QWidget *buildButtons(journals::Journal j, QWidget *parent, QWidget *leading = nullptr);
    QTreeWidget *buildList(journals::Journal j, QWidget *parent);

    void readJournal(journals::Journal j);
    void exportJournal(journals::Journal j);
    void printJournal(journals::Journal j);
    void showRows(journals::Journal j);
    void widenColumns(QTreeWidget *list, const QTreeWidgetItem *item);

    journals::JournalReader &m_reader;
    QTabWidget *m_inner = nullptr;
    std::array<Controls, journals::kJournalCount> m_controls{};
    QDateEdit *DTPProfile = nullptr;
    ChartProfile *m_chart = nullptr;
    JournalExportHooks m_exportHooks;
    std::unique_ptr<JournalPrinting> m_printing; // its dialog exists only with a printer
};

} // namespace app
