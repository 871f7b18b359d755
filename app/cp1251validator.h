#pragma once
// Passwords travel one Windows-1251 byte per character: a password field
// admits only characters that have a byte of their own in that code page
// (Latin and Cyrillic letters, digits, the page's signs such as № and €),
// so typing or pasting anything else (Chinese, emoji, letters with accents
// the page lacks) changes nothing.

#include <QValidator>

namespace app {

class Cp1251Validator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};

} // namespace app
