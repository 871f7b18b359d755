#pragma once
// TrackBar1: the minute slider of the day (0..1439) whose groove shows the
// part from 0 to the selection end as a selection.

#include <QSlider>

namespace schedule {

class TrackBar : public QSlider
{
    Q_OBJECT
public:
    explicit TrackBar(QWidget *parent = nullptr);

    int selectionEnd() const { return m_selEnd; }
    void setSelectionEnd(int value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_selEnd = 0;
};

} // namespace schedule
