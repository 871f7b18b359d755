#include "cp1251validator.h"

#include "protocol/cp1251.h"

namespace app {

QValidator::State Cp1251Validator::validate(QString &input, int &) const
{
    return protocol::fitsCp1251(input) ? Acceptable : Invalid;
}

} // namespace app
