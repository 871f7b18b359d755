#pragma once
// Whether what a window shows is whole, measured the way the style draws it:
// every cell and header caption of a list in its column, every row inside
// the list's viewport, every label, check box, combo box item and spin box
// value (at its extremes) inside its widget, and every widget inside its
// parent without covering a neighbour. Each check returns what does not fit, one line per problem
// ("ListMain row 17 column 1 \"…\": needs 257 px, has 140"), so a test can
// print them all; an empty list means everything fits.
//
//     const QStringList problems = fitcheck::treeProblems(list);
//     QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOption>
#include <QTextLayout>
#include <QTreeWidget>

namespace fitcheck {

inline QString problem(const QWidget *w, const QString &where, const QString &text, int need, int has)
{
    return QStringLiteral("%1%2 \"%3\": needs %4 px, has %5")
        .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(), where,
             text)
        .arg(need)
        .arg(has);
}

// The text as a label or button shows it: "&Установить" shows "Установить".
inline QString shown(QString text)
{
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// Lays text out at `width` pixels, wrapping at word boundaries, as an item
// view does for its wrapping cells. Returns the widest line and the height.
inline QSize wrappedSize(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0, widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = qMax(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSize(qCeil(widest), qCeil(height));
}

// ---------------------------------------------------------------- lists

// The rectangle the style draws a cell's text in, without its side margins.
inline QRect cellTextRect(const QTreeWidget *tree, const QRect &cell, const QString &text)
{
    QStyleOptionViewItem option;
    option.initFrom(tree);
    option.rect = cell;
    option.text = text;
    option.font = tree->font();
    option.fontMetrics = tree->fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    if (tree->wordWrap())
        option.features |= QStyleOptionViewItem::WrapText;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = tree->textElideMode();
    const QRect textRect = tree->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, tree);
    const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    return textRect.adjusted(margin, 0, -margin, 0);
}

// Every visible header caption in its section, every cell text in its cell
// (on one line, or on the lines of its row where the list wraps), every row
// and column inside the viewport, no horizontal scrolling.
inline QStringList treeProblems(const QTreeWidget *tree)
{
    QStringList out;
    const QHeaderView *header = tree->header();
    const int viewportWidth = tree->viewport()->width();
    const int viewportHeight = tree->viewport()->height();
    if (header->length() > viewportWidth)
        out << problem(tree, QStringLiteral(" columns"), QString(), header->length(), viewportWidth);
    if (tree->horizontalScrollBar()->isVisible())
        out << QStringLiteral("%1: horizontal scroll bar shown").arg(tree->objectName());
    const int headerMargin = tree->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < tree->columnCount(); ++c) {
        if (tree->isColumnHidden(c))
            continue;
        const QString title = tree->headerItem()->text(c);
        if (!tree->isHeaderHidden() && !title.isEmpty() && (int(header->defaultAlignment()) & Qt::TextWordWrap)) {
            // A wrapping header: every word on a line of the section, every line in the header.
            const int room = header->sectionSize(c) - 2 * headerMargin;
            const QSize need = wrappedSize(title, header->font(), room);
            if (need.width() > room)
                out << problem(tree, QStringLiteral(" header %1").arg(c), title, need.width(), room);
            if (need.height() > header->height())
                out << problem(tree, QStringLiteral(" header %1 height").arg(c), title, need.height(),
                               header->height());
        } else if (!tree->isHeaderHidden() && !title.isEmpty()) {
            const int need = header->fontMetrics().horizontalAdvance(title) + 2 * headerMargin;
            if (need > header->sectionSize(c))
                out << problem(tree, QStringLiteral(" header %1").arg(c), title, need, header->sectionSize(c));
        }
        for (int row = 0; row < tree->topLevelItemCount(); ++row) {
            const QTreeWidgetItem *item = tree->topLevelItem(row);
            const QString text = item->text(c);
            const QRect rowRect = tree->visualItemRect(item);
            if (c == 0 && (rowRect.top() < 0 || rowRect.bottom() >= viewportHeight))
                out << problem(tree, QStringLiteral(" row %1 bottom").arg(row), item->text(0), rowRect.bottom() + 1,
                               viewportHeight);
            if (text.isEmpty())
                continue;
            const QRect cell(header->sectionViewportPosition(c), rowRect.top(), header->sectionSize(c),
                             rowRect.height());
            const QRect room = cellTextRect(tree, cell, text);
            const QString where = QStringLiteral(" row %1 column %2").arg(row).arg(c);
            if (tree->wordWrap()) {
                const QSize need = wrappedSize(text, tree->font(), room.width());
                if (need.width() > room.width())
                    out << problem(tree, where, text, need.width(), room.width());
                if (need.height() > room.height())
                    out << problem(tree, where + QStringLiteral(" height"), text, need.height(), room.height());
            } else {
                const int need = tree->fontMetrics().horizontalAdvance(text);
                if (need > room.width())
                    out << problem(tree, where, text, need, room.width());
            }
        }
    }
    return out;
}

// Every line of a text view without scrolling either way.
inline QStringList textViewProblems(const QPlainTextEdit *view)
{
    QStringList out;
    if (view->horizontalScrollBar()->maximum() > 0)
        out << problem(view, QStringLiteral(" width"), view->toPlainText(),
                       view->viewport()->width() + view->horizontalScrollBar()->maximum(), view->viewport()->width());
    if (view->verticalScrollBar()->maximum() > 0)
        out << problem(view, QStringLiteral(" lines"), view->toPlainText(),
                       view->document()->lineCount() + view->verticalScrollBar()->maximum(),
                       view->document()->lineCount());
    return out;
}

// ---------------------------------------------------------------- controls

inline QStringList labelProblems(const QLabel *label)
{
    if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
        return {};
    const QString text = label->textFormat() == Qt::RichText ? QString() : shown(label->text());
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                      -label->margin());
    QStringList out;
    const int need = label->fontMetrics().horizontalAdvance(text) + qMax(label->indent(), 0);
    if (need > room.width())
        out << problem(label, QString(), text, need, room.width());
    if (label->fontMetrics().height() > room.height())
        out << problem(label, QStringLiteral(" height"), text, label->fontMetrics().height(), room.height());
    return out;
}

inline QStringList checkBoxProblems(const QCheckBox *box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    const QString text = shown(box->text());
    const int need = box->fontMetrics().horizontalAdvance(text);
    return need > room.width() ? QStringList{problem(box, QString(), text, need, room.width())} : QStringList{};
}

inline QStringList radioButtonProblems(const QRadioButton *radio)
{
    QStyleOptionButton option;
    option.initFrom(radio);
    option.text = radio->text();
    const QRect room = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
    const QString text = shown(radio->text());
    const int need = radio->fontMetrics().horizontalAdvance(text);
    return need > room.width() ? QStringList{problem(radio, QString(), text, need, room.width())} : QStringList{};
}

// A push button's text (and icon) inside the part the style leaves for them.
inline QStringList pushButtonProblems(const QPushButton *button)
{
    if (button->text().isEmpty())
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QString text = shown(button->text());
    int need = button->fontMetrics().horizontalAdvance(text);
    if (!button->icon().isNull())
        need += button->iconSize().width() + 4;
    return need > room.width() ? QStringList{problem(button, QString(), text, need, room.width())} : QStringList{};
}

// A group box's title within the box's frame.
inline QStringList groupBoxProblems(const QGroupBox *box)
{
    if (box->title().isEmpty())
        return {};
    const QString text = shown(box->title());
    const int need = box->fontMetrics().horizontalAdvance(text) + 2 * 8;
    return need > box->width() ? QStringList{problem(box, QStringLiteral(" title"), text, need, box->width())}
                               : QStringList{};
}

// Every item, as it would show once chosen, in the field of the closed box
// (with one pixel of blank each side, as the style draws it, or a line
// edit's own margins in an editable box).
inline QStringList comboBoxProblems(const QComboBox *combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                                       combo);
    const int room = field.width() - (combo->isEditable() ? 2 * 2 + 1 : 2);
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) {
        const int need = combo->fontMetrics().horizontalAdvance(combo->itemText(i));
        if (need > room)
            out << problem(combo, QStringLiteral(" item %1").arg(i), combo->itemText(i), need, room);
    }
    return out;
}

// The value at both ends of the range, with prefix and suffix, in the edit
// field (a line edit with two pixels of margin each side and the cursor).
inline QStringList spinBoxProblems(const QAbstractSpinBox *spin)
{
    QStringList texts;
    if (const auto *s = qobject_cast<const QSpinBox *>(spin)) {
        for (int v : {s->minimum(), s->maximum()}) {
            QString number = s->locale().toString(v);
            if (!s->isGroupSeparatorShown())
                number.remove(s->locale().groupSeparator());
            texts << s->prefix() + number + s->suffix();
        }
    } else if (const auto *dt = qobject_cast<const QDateTimeEdit *>(spin)) {
        // The widest date and time: two-digit day, month and hour.
        texts << dt->locale().toString(QDateTime(QDate(2088, 12, 28), QTime(23, 58, 58)), dt->displayFormat());
    } else if (const auto *d = qobject_cast<const QDoubleSpinBox *>(spin)) {
        for (double v : {d->minimum(), d->maximum()})
            texts << d->prefix() + d->locale().toString(v, 'f', d->decimals()) + d->suffix();
    }
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.frame = spin->hasFrame();
    option.buttonSymbols = spin->buttonSymbols();
    option.subControls = QStyle::SC_All;
    const QRect field = spin->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, spin);
    const int room = field.width() - (2 * 2 + 1);
    QStringList out;
    for (const QString &text : texts) {
        const int need = spin->fontMetrics().horizontalAdvance(text);
        if (need > room)
            out << problem(spin, QString(), text, need, room);
    }
    return out;
}

// A visible widget wholly inside its parent, so the parent's edge cuts
// nothing off.
inline QStringList placementProblems(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    if (!parent || w->isWindow() || parent->rect().contains(w->geometry()))
        return {};
    return {QStringLiteral("%1 at %2,%3 %4x%5 is cut by %6 (%7x%8)")
                .arg(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName())
                .arg(w->x())
                .arg(w->y())
                .arg(w->width())
                .arg(w->height())
                .arg(parent->objectName().isEmpty() ? QString::fromLatin1(parent->metaObject()->className())
                                                    : parent->objectName())
                .arg(parent->width())
                .arg(parent->height())};
}

// Visible widgets side by side in one parent do not cover one another (a
// layout squeezed below its widgets' minimum sizes lets them overlap).
inline QStringList overlapProblems(const QWidget *parent)
{
    QList<const QWidget *> shown;
    for (const QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->isVisible() && !w->isWindow())
            shown << w;
    QStringList out;
    for (qsizetype i = 0; i < shown.size(); ++i)
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                out << QStringLiteral("%1 and %2 overlap").arg(shown[i]->objectName(), shown[j]->objectName());
    return out;
}

// Every visible control under root (root included): labels, check boxes,
// combo boxes, spin boxes, lists and text views, each where it is placed,
// none covering another.
inline QStringList controlProblems(const QWidget *root)
{
    QList<const QWidget *> widgets{root};
    for (const QWidget *w : root->findChildren<QWidget *>())
        widgets << w;
    QStringList out;
    for (const QWidget *w : widgets) {
        if (!w->isVisible())
            continue;
        if (w != root)
            out << placementProblems(w);
        if (w->layout())
            out << overlapProblems(w);
        if (const auto *label = qobject_cast<const QLabel *>(w))
            out << labelProblems(label);
        else if (const auto *box = qobject_cast<const QCheckBox *>(w))
            out << checkBoxProblems(box);
        else if (const auto *radio = qobject_cast<const QRadioButton *>(w))
            out << radioButtonProblems(radio);
        else if (const auto *button = qobject_cast<const QPushButton *>(w))
            out << pushButtonProblems(button);
        else if (const auto *group = qobject_cast<const QGroupBox *>(w))
            out << groupBoxProblems(group);
        else if (const auto *combo = qobject_cast<const QComboBox *>(w))
            out << comboBoxProblems(combo);
        else if (const auto *spin = qobject_cast<const QAbstractSpinBox *>(w))
            out << spinBoxProblems(spin);
        else if (const auto *tree = qobject_cast<const QTreeWidget *>(w))
            out << treeProblems(tree);
        else if (const auto *view = qobject_cast<const QPlainTextEdit *>(w))
            out << textViewProblems(view);
    }
    return out;
}

} // namespace fitcheck
