#include "journalprinting.h"

#include "gridprinter.h"
#include "listgrid.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace app {

bool printersInstalled()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

JournalPrinting::JournalPrinting(QWidget *dialogParent)
{
    if (!printersInstalled())
        return;
    // The printer's own resolution: the table is laid out in its device units.
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_dialog = new QPrintDialog(m_printer.get(), dialogParent);
}

bool JournalPrinting::available() const
{
    return !m_dialog.isNull();
}

QPrintDialog *JournalPrinting::dialog() const
{
    return m_dialog;
}

JournalPrinting::~JournalPrinting()
{
    delete m_dialog; // before the printer it points at
}

void JournalPrinting::printListView(const QTreeWidget *list, const QString &title)
{
    if (!available() || !list)
        return;
    if (m_dialog->exec() != QDialog::Accepted)
        return; // cancelled: nothing is printed
    printTo(*m_printer, list, title, QDateTime::currentDateTime());
}

void JournalPrinting::printTo(QPrinter &printer, const QTreeWidget *list, const QString &title, const QDateTime &now)
{
    printGrid(printer, gridFromListView(list), title, now);
}

} // namespace app
