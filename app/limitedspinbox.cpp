#include "limitedspinbox.h"

#include <QLineEdit>

namespace app {

QValidator::State LimitedSpinBox::validate(QString &text, int &pos) const
{
    // Only a text that grows past the limit is refused, so a longer value
    // shown by the program can still be edited down.
    if (m_maxTyped > 0 && text.size() > m_maxTyped && text.size() > lineEdit()->text().size())
        return QValidator::Invalid;
    return QSpinBox::validate(text, pos);
}

} // namespace app
