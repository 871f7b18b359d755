#include "journalexport.h"

#include "app/listgrid.h"
#include "journals/xlsexport.h"
#include "protocol/encodings.h"

#include <QDesktopServices>
#include <QFileDialog>

namespace app {

namespace {

QString askFileName(QWidget *parent, const JournalExportHooks &hooks)
{
    const QString suffix = QStringLiteral("xls");
    if (hooks.saveFileName)
        return hooks.saveFileName(xlsFileFilter(), suffix);
    QFileDialog dialog(parent, QString(), QString(), xlsFileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void warn(QWidget *parent, const JournalExportHooks &hooks, const QString &text)
{
    const QString caption = QStringLiteral("Внимание");
    if (hooks.showMessage) {
        hooks.showMessage(QMessageBox::Warning, caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

QString xlsFileFilter()
{
    return QStringLiteral("xls (*.xls)");
}

void exportListToXls(QWidget *parent, const QTreeWidget *list, const QString &title, bool openAfterwards,
                     const JournalExportHooks &hooks)
{
    if (!list)
        return;
    const QString fileName = askFileName(parent, hooks);
    if (fileName.isEmpty())
        return; // cancelled
    QString error;
    if (!journals::exportGridToXlsFile(gridFromListView(list), title, fileName, protocol::displayLocale(), &error)) {
        // The operator sees the one warning; the reason after it is for
        // the command line and logs.
        warn(parent, hooks, journals::xlsExportFailedMessage());
        return;
    }
    if (!openAfterwards)
        return;
    const QUrl url = QUrl::fromLocalFile(fileName);
    if (hooks.openUrl)
        hooks.openUrl(url);
    else
        QDesktopServices::openUrl(url); // no program for .xls: nothing to tell
}

} // namespace app
