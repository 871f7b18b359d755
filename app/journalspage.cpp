#include "journalspage.h"

#include "app/journalprinting.h"
#include "app/profilechart.h"
#include "app/widestdate.h"
#include "journals/journalreader.h"
#include "journals/journaltitles.h"
#include "protocol/encodings.h"
#include "protocol/meterdecoders.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

using journals::Journal;

namespace {

// Names of a journal's controls: ListYear, BtnReadJournalYear, … in the
// order of the journal numbers.
struct Names
{
    const char *list;
    const char *suffix; // of the read, export and print buttons and of the inner page
};
constexpr Names kNames[journals::kJournalCount] = {
    {"ListYear", "Year"},       {"ListMonth", "Day"},       {"ListOnOff", "OnOff"},
    {"ListSetting", "Setting"}, {"ListQuality", "Quality"}, {"ListProfile", "Profile"},
};

// The inner pages from left to right.
constexpr Journal kPageOrder[journals::kJournalCount] = {Journal::Month,   Journal::Day,      Journal::Profile,
                                                         Journal::Quality, Journal::Settings, Journal::OnOff};

QString name(const char *prefix, Journal j)
{
    return QString::fromLatin1(prefix) + QString::fromLatin1(kNames[int(j)].suffix);
}

// Texts a column typically shows, in the display locale, so that an empty
// list already has room for its values: the widest date, date-time, energy
// and working time, and the longest words of the event columns.
QStringList typicalTexts(Journal j)
{
    const QLocale locale = protocol::displayLocale();
    const QString energy = locale.toString(888888.88, 'f', 2);
    const QString date = QStringLiteral("28.12.2088");
    const QString moment = protocol::formatDateTime(QDateTime(QDate(2088, 12, 28), QTime(22, 48, 48)), locale);
    const QString workingTime = protocol::MeterDecoders::workingTimeText(888 * 86400 + 22 * 3600 + 48 * 60 + 48);
    const QStringList tariffs(8, energy);
    const QStringList counters(3, energy);
    switch (j) {
    case Journal::Month:
        return QStringList{date, energy, energy, energy, locale.toString(888888.8, 'f', 1), moment,
                           QStringLiteral("8888:48"), QStringLiteral("72:20 Account Kind JTVF")}
               + tariffs + QStringList{workingTime} + counters;
    case Journal::Day:
        return QStringList{date, energy, energy, energy, QStringLiteral("888:40"), QStringLiteral("888:40"),
                           QStringLiteral("888:40"), QStringLiteral("255")}
               + tariffs + QStringList{workingTime} + counters;
    case Journal::OnOff:
        return {moment, QStringLiteral("подключение нагрузки")};
    case Journal::Settings:
        return {moment, QStringLiteral("номер и мощность радиоканала"), moment, QStringLiteral("установленное = предыдущее")};
    case Journal::Quality:
        return {moment, QStringLiteral(" U -10% F -0,4 Гц")};
    case Journal::Profile:
        return {locale.toString(QTime(22, 48, 48), protocol::longTimeFormat(locale)), energy, energy, energy};
    }
    return {};
}


// Blank a list leaves beside a cell's text, with a little to spare.
int cellMargins(const QTreeWidget *list)
{
    return 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 4;
}

bool sameRow(const QTreeWidgetItem *item, const journals::JournalRow &row)
{
    for (int c = 0; c < item->columnCount(); ++c)
        if (item->text(c) != row.cells.value(c))
            return false;
    return true;
}

} // namespace

JournalsPage::JournalsPage(journals::JournalReader &reader, QDate today, QWidget *parent,
                           JournalExportHooks exportHooks)
    : QWidget(parent), m_reader(reader), m_exportHooks(std::move(exportHooks))
{
    // Before the buttons: whether they can print is known once, at start-up.
    m_printing = std::make_unique<JournalPrinting>(this);
    setObjectName(QStringLiteral("TabJournal"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_inner = new QTabWidget(this);
    m_inner->setObjectName(QStringLiteral("PageControlJournal"));
    for (Journal j : kPageOrder) {
        QWidget *page = j == Journal::Profile ? buildProfilePage(today) : buildJournalPage(j);
        page->setObjectName(name("TabJournal", j));
        m_inner->addTab(page, journals::journalCaption(j));
    }
    m_inner->setCurrentIndex(0); // "Месячный"
    layout->addWidget(m_inner);

    connect(&m_reader, &journals::JournalReader::rowsChanged, this, &JournalsPage::showRows);
    // The chart shows every point once the read has ended, however the
    // reader orders its rows and points.
    auto showPoints = [this](Journal j) {
        if (j == Journal::Profile)
            m_chart->showPoints(m_reader.profilePoints());
    };
    connect(&m_reader, &journals::JournalReader::readFinished, this, showPoints);
    connect(&m_reader, &journals::JournalReader::readAborted, this, showPoints);
    setMeterControlsEnabled(false);
}

JournalsPage::~JournalsPage() = default;

void JournalsPage::setMeterControlsEnabled(bool enabled)
{
    for (const Controls &c : m_controls)
        c.read->setEnabled(enabled);
}

// ---------------------------------------------------------------- layout

QTreeWidget *JournalsPage::buildList(Journal j, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(kNames[int(j)].list));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    const QStringList columns = journals::journalColumns(j);
    list->setHeaderLabels(columns);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    // Room for the caption and for what the column typically shows.
    const QStringList typical = typicalTexts(j);
    const int margin = cellMargins(list);
    for (int c = 0; c < columns.size(); ++c) {
        const int caption = list->header()->sectionSizeHint(c);
        const int value = list->fontMetrics().horizontalAdvance(typical.value(c)) + margin;
        list->setColumnWidth(c, qMax(caption, value));
    }
    m_controls[int(j)].list = list;
    return list;
}

QWidget *JournalsPage::buildButtons(Journal j, QWidget *parent, QWidget *leading)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    if (leading)
        layout->addWidget(leading);
    auto button = [&](const char *prefix, const QString &text) {
        auto *b = new QPushButton(text, row);
        b->setObjectName(name(prefix, j));
        layout->addWidget(b);
        return b;
    };
    Controls &c = m_controls[int(j)];
    c.read = button("BtnReadJournal", QStringLiteral("Прочитать"));
    c.exportButton = button("BtnExportJournal", QStringLiteral("Экспорт"));
    c.print = button("BtnPrintJournal", QStringLiteral("Печать"));
    c.print->setEnabled(m_printing->available()); // no printer: no print dialog either
    layout->addStretch();
    connect(c.read, &QPushButton::clicked, this, [this, j] { readJournal(j); });
    connect(c.exportButton, &QPushButton::clicked, this, [this, j] { exportJournal(j); });
    connect(c.print, &QPushButton::clicked, this, [this, j] { printJournal(j); });
    return row;
}

QWidget *JournalsPage::buildJournalPage(Journal j)
{
    auto *page = new QWidget(m_inner);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildList(j, page), 1);
    layout->addWidget(buildButtons(j, page));
    return page;
}

QWidget *JournalsPage::buildProfilePage(QDate today)
{
    auto *page = new QWidget(m_inner);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);

    DTPProfile = new QDateEdit(page);
    DTPProfile->setObjectName(QStringLiteral("DTPProfile"));
    const QLocale locale = protocol::displayLocale();
    DTPProfile->setLocale(locale);
    DTPProfile->setDisplayFormat(locale.dateFormat(QLocale::LongFormat));
    DTPProfile->setCalendarPopup(true);
    DTPProfile->setDate(today);
    const int arrows = DTPProfile->sizeHint().width() - DTPProfile->fontMetrics().horizontalAdvance(DTPProfile->text());
    DTPProfile->setMinimumWidth(widestDateText(DTPProfile) + arrows);
    layout->addWidget(buildButtons(Journal::Profile, page, DTPProfile));

    auto *split = new QSplitter(Qt::Vertical, page);
    split->setObjectName(QStringLiteral("SplitterProfile"));
    split->setChildrenCollapsible(false);
    split->addWidget(buildList(Journal::Profile, split));
    m_chart = new ChartProfile(split);
    split->addWidget(m_chart);
    split->setSizes({140, 320}); // the chart takes most of the height
    layout->addWidget(split, 1);
    return page;
}

// ---------------------------------------------------------------- export and printing

// The serial in the titles is the one the list's read began with.
void JournalsPage::exportJournal(Journal j)
{
    const QTreeWidget *list = m_controls[int(j)].list;
    const quint32 serial = list->property("meterSerial").toUInt();
    exportListToXls(this, list, journals::exportTitle(j, serial), true, m_exportHooks);
}

void JournalsPage::printJournal(Journal j)
{
    const QTreeWidget *list = m_controls[int(j)].list;
    const quint32 serial = list->property("meterSerial").toUInt();
    m_printing->printListView(list, journals::printTitle(j, serial));
}

// ---------------------------------------------------------------- reading

void JournalsPage::readJournal(Journal j)
{
    // The day is taken now: the picker may change while the read goes on.
    if (!m_reader.read(j, DTPProfile->date()))
        return;
    if (j == Journal::Profile) {
        m_chart->clear();
        m_chart->showPoints(m_reader.profilePoints());
    }
    showRows(j);
}

// The profile list only grows during a read (its rows come in time order),
// so new rows are added; the other lists are sorted as they fill and are
// shown anew.
void JournalsPage::showRows(Journal j)
{
    QTreeWidget *list = m_controls[int(j)].list;
    const QList<journals::JournalRow> &rows = m_reader.rows(j);
    list->setProperty("meterSerial", m_reader.serialOf(j)); // the list's Tag: titles of export and print
    int shown = list->topLevelItemCount();
    const bool continues = j == Journal::Profile && shown <= rows.size()
                           && (shown == 0 || (sameRow(list->topLevelItem(0), rows.first())
                                              && sameRow(list->topLevelItem(shown - 1), rows[shown - 1])));
    if (!continues) {
        list->clear();
        shown = 0;
    }
    QList<QTreeWidgetItem *> items;
    for (qsizetype i = shown; i < rows.size(); ++i)
        items << new QTreeWidgetItem(rows[i].cells);
    list->addTopLevelItems(items);
    for (const QTreeWidgetItem *item : items)
        widenColumns(list, item);
    if (j == Journal::Profile)
        m_chart->showPoints(m_reader.profilePoints());
}

// A value wider than its column widens it, so no text is cut.
void JournalsPage::widenColumns(QTreeWidget *list, const QTreeWidgetItem *item)
{
    const int margin = cellMargins(list);
    for (int c = 0; c < item->columnCount(); ++c) {
        const int need = list->fontMetrics().horizontalAdvance(item->text(c)) + margin;
        if (need > list->columnWidth(c))
            list->setColumnWidth(c, need);
    }
}

} // namespace app
