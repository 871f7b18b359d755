#pragma once
// A spin box whose typed text is held to a number of characters, as an edit
// field's maximum length does: a value put in by the program (a serial
// number read from the meter or scanned) is shown whole even when it is
// longer, and the operator may shorten it, but typing never makes the text
// longer than the limit.

#include <QSpinBox>

class QLineEdit;

namespace app {

class LimitedSpinBox : public QSpinBox
{
public:
    explicit LimitedSpinBox(QWidget *parent = nullptr);

    void setMaxTyped(int characters) { m_maxTyped = characters; }
    int maxTyped() const { return m_maxTyped; }
    // The edit field: its textChanged also reports texts that are not a
    // number yet (an emptied field), which the spin box's own signal does not.
    QLineEdit *editor() const { return lineEdit(); }

protected:
    QValidator::State validate(QString &text, int &pos) const override;

private:
    int m_maxTyped = 0;         // 0: no limit
    qsizetype m_shownLength = 0; // of the text last taken by the field
};

} // namespace app
