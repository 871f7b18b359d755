#pragma once
// A spin box whose typed text is held to a number of characters, as an edit
// field's maximum length does: a value put in by the program (a serial
// number read from the meter or scanned) is shown whole even when it is
// longer, and the operator may shorten it, but typing never makes the text
// longer than the limit.

#include <QSpinBox>

namespace app {

class LimitedSpinBox : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

    void setMaxTyped(int characters) { m_maxTyped = characters; }
    int maxTyped() const { return m_maxTyped; }

protected:
    QValidator::State validate(QString &text, int &pos) const override;

private:
    int m_maxTyped = 0; // 0: no limit
};

} // namespace app
