#pragma once
// TFrameShedule: the schedule editor. The year grid of day cells, the bar
// of the current day, the controls of one zone and the list of the current
// day's zones, bound to a ScheduleModel: gestures call the model, the
// model's signals repaint. The frame also keeps the eight tariff colours,
// which the operator may change and which are stored per user.

#include "schedule/daybar.h"
#include "schedule/schedulemodel.h"
#include "schedule/tariffcolors.h"

#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace schedule {

class TrackBar;
class YearGrid;

class TFrameShedule : public QWidget
{
    Q_OBJECT
public:
    // "Сохранить изменения?" (caption "Внимание"): true for "Да".
    using SaveQuestion = std::function<bool()>;
    // The colour dialog: an invalid colour when it is cancelled.
    using ColorChooser = std::function<QColor(const QColor &initial)>;

    struct Options
    {
        ColorStoreOpener openColorStore; // empty: the platform's native store
        SaveQuestion askSave;            // empty: a message box
        ColorChooser chooseColor;        // empty: the colour dialog
    };

    explicit TFrameShedule(ScheduleModel &model, Options options = {}, QWidget *parent = nullptr);

    ScheduleModel &model() { return m_model; }
    void setSaveQuestion(SaveQuestion question) { m_options.askSave = std::move(question); }
    void setColorChooser(ColorChooser chooser) { m_options.chooseColor = std::move(chooser); }

    // The colours the radios and the day bar show now.
    const TariffColors &tariffColors() const { return m_colors; }
    // Recomputes the year grid's cell sizes (window activation).
    void PanelYearCanResize();

    QAction *actionEdit() const { return ActionEdit; }
    QAction *actionDelete() const { return ActionDelete; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // layout
    QWidget *buildDayPanel();
    QWidget *buildZoneControls();
    QWidget *buildTariffGroup(const QString &title, QWidget *field, QRadioButton **radios, const char *name);
    QWidget *buildButtons();
    QWidget *buildDayList();
    void bindModel();

    // handlers
    void GetSheduleDay();
    void fillDayList();
    void DayChange();
    void DayChoice();
    void ListViewDaysSelectItem();
    void TariffClick(int tariff);
    void LimitClick();
    void SpinLimitChange();
    void TrackBar1Change(int position);
    void DateTimeZoneChange(const QTime &time);
    void ActionEditExecute();
    void ActionDeleteExecute();
    void TariffContextPopup(int tariff);
    void PanelListResize();
    TariffColors PaintBoxDayPaint();

    // helpers
    QString timeText() const;
    ZoneRecord controlsZone() const;
    int checkedTariff(QRadioButton *const *radios) const;
    QTreeWidgetItem *rowWithTime(const QString &time) const;
    QTreeWidgetItem *selectedRow() const;
    void enableEditForControls();
    void applyColors();
    bool askSave();

    ScheduleModel &m_model;
    Options m_options;
    TariffColors m_colors;
    StoredColors m_storedColors{};
    bool m_zoneEdit = false; // a zone edit of this frame is under way

    YearGrid *StringGrid1 = nullptr;
    TrackBar *TrackBar1 = nullptr;
    DayBar *PaintBoxDay = nullptr;
    QTimeEdit *DateTimeZone = nullptr;
    QSpinBox *SpinLimit = nullptr;
    std::array<QRadioButton *, kTariffs> Tariff{};
    std::array<QRadioButton *, kTariffs> TariffLimit{};
    QToolButton *BitBtnRedo = nullptr;
    QToolButton *BitBtnUndo = nullptr;
    QToolButton *BitBtnEdit = nullptr;
    QToolButton *BitBtnDelete = nullptr;
    QTreeWidget *ListViewDays = nullptr;
    QLabel *m_statusPanels[2] = {};
    QAction *ActionEdit = nullptr;
    QAction *ActionDelete = nullptr;
};

} // namespace schedule
