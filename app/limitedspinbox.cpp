#include "limitedspinbox.h"

#include <QLineEdit>

namespace app {

LimitedSpinBox::LimitedSpinBox(QWidget *parent) : QSpinBox(parent)
{
    // The field reports what the operator types; the spin box what the
    // program sets (it fills the field with the field's signals blocked).
    const auto remember = [this] { m_shownLength = lineEdit()->text().size(); };
    remember();
    connect(lineEdit(), &QLineEdit::textChanged, this, remember);
    connect(this, &QSpinBox::textChanged, this, remember);
}

QValidator::State LimitedSpinBox::validate(QString &text, int &pos) const
{
    // Only a text that grows past the limit is refused, so a longer value
    // shown by the program (the text of the value itself) is taken and can
    // still be edited down. While a candidate is being validated the field
    // may already hold it, so the length it had is kept apart.
    if (m_maxTyped > 0 && text.size() > m_maxTyped && text.size() > m_shownLength && text != textFromValue(value()))
        return QValidator::Invalid;
    return QSpinBox::validate(text, pos);
}

} // namespace app
