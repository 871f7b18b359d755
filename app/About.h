#pragma once
// The about box: product, program version, the maker's contacts with
// clickable links, and the computer's physical memory, refreshed every time
// the box is shown.

#include "app/memorystatus.h"

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;

class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // Replaceable so tests can watch the shell and feed the memory figures.
    std::function<void(const QUrl &)> openUrl;
    std::function<std::optional<app::MemoryStatus>()> memoryStatus = app::physicalMemory;

    void refreshMemory();
    static QUrl webUrl(const QString &caption);
    static QUrl mailUrl(const QString &caption) { return QUrl(QStringLiteral("mailto:") + caption); }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *makeLink(const QString &name, const QString &caption);
    static QPixmap logo();

    QLabel *m_web = nullptr;
    QLabel *m_mail = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_available = nullptr;
};
