#pragma once
// The page "Индикатор" (TabSheet1): the screens the meter's display shows
// (CheckListIndi) and its backlight (group " Подсветка  "), read and written
// with BtnReadIndi and BtnWriteIndi. Every edit goes into the engine's
// settings at once; a read reply comes back through the engine and is shown
// here.

#include "protocol/indicator.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;

namespace app {

class IndicatorPage : public QWidget
{
    Q_OBJECT
public:
    explicit IndicatorPage(protocol::Indicator &engine, QWidget *parent = nullptr);

    // BtnReadIndi and BtnWriteIndi go with the other meter operations
    // (disabled until the window says otherwise).
    void setMeterControlsEnabled(bool enabled);

    // The colour list of group k (ComboBoxColor for any k outside 0..8).
    QComboBox *colorComboByTag(int k) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildScreens();
    QWidget *buildBacklight();
    void spreadColumns();

    void ComboColorChange();
    void showSettings();
    void storeSettings();
    protocol::IndicatorSettings settingsOfControls() const;

    protocol::Indicator &m_engine;
    bool m_showing = false; // controls being filled from the engine
    int m_rowHeight = 0;    // of CheckListIndi

    QListWidget *CheckListIndi = nullptr;
    QPushButton *BtnReadIndi = nullptr;
    QPushButton *BtnWriteIndi = nullptr;
    QGroupBox *m_backlight = nullptr;
    QComboBox *ComboColor = nullptr;
    std::array<QComboBox *, protocol::kBacklightGroups> m_colorLists{};
    QCheckBox *CheckCleat = nullptr;
    QCheckBox *CheckOnlyButton = nullptr;
};

} // namespace app
