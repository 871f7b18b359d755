#pragma once
// The "Печать" buttons' side of the journals page: whether any printer is
// installed (the buttons are enabled only then), and printListView, which
// shows the print dialog and prints the list on the printer chosen there.
// The dialog and its printer exist only when a printer is installed.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QPrintDialog;
class QPrinter;
class QTreeWidget;
class QWidget;

namespace app {

bool printersInstalled();

class JournalPrinting : public QObject
{
    Q_OBJECT
public:
    // Creates the printer and its dialog when printersInstalled().
    explicit JournalPrinting(QWidget *dialogParent);
    ~JournalPrinting() override;

    bool available() const;
    QPrintDialog *dialog() const;
    // Shows the print dialog; when the operator confirms, prints the list
    // (gridFromListView) with printGrid. Does nothing when !available().
    void printListView(const QTreeWidget *list, const QString &title);

    // What a confirmed dialog leads to, on any printer (a PDF file as well).
    static void printTo(QPrinter &printer, const QTreeWidget *list, const QString &title, const QDateTime &now);

private:
    std::unique_ptr<QPrinter> m_printer;
    // Parented to the page; the page may delete it before this object.
    QPointer<QPrintDialog> m_dialog;
};

} // namespace app
