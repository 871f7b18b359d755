#pragma once
// exportListToXls: the "Экспорт" buttons. Shows the save dialog (filter
// "xls|*.xls", default extension "xls"), writes the list through
// journals::exportGridToXlsFile, shows the warning box on failure and,
// with openAfterwards, opens the file with the desktop's program for it
// (a failure there is silent).

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <functional>

class QTreeWidget;
class QWidget;

namespace app {

// The dialog, the message box and the desktop, replaceable so tests can
// answer them; an empty hook means the real one.
struct JournalExportHooks
{
    // The chosen file name; empty: cancelled.
    std::function<QString(const QString &filter, const QString &defaultSuffix)> saveFileName;
    std::function<void(QMessageBox::Icon, const QString &caption, const QString &text)> showMessage;
    std::function<void(const QUrl &)> openUrl;
};

// The filter of the save dialog, as the file dialog takes it.
QString xlsFileFilter(); // "xls (*.xls)"

void exportListToXls(QWidget *parent, const QTreeWidget *list, const QString &title, bool openAfterwards,
                     const JournalExportHooks &hooks = {});

} // namespace app
