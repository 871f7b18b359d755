// libFuzzer target: the settings-template reader over arbitrary bytes.
//
// Input: the template file's bytes.
//
// Checks beyond "no crash, no sanitizer finding":
// - a refused template comes with a message beginning "Шаблон установок: ";
// - an accepted one keeps the pickers, their edit flags and SpinEdit_Number of
//   the page it was loaded into, and every stored value lies within its
//   control's range (texts as the control takes them);
// - the template written from the accepted values reads back to the same
//   values: writing it again gives the same bytes.

#include "protocol/settingstemplate.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_template: %s\n", what);
    std::abort();
}

// A page unlike the defaults, so a field left from it shows.
protocol::SettingsValues currentPage()
{
    protocol::SettingsValues v;
    v.DatePicker = QDate(2026, 3, 14);
    v.TimePicker = QTime(10, 20, 30);
    v.datePickerEdited = true;
    v.SpinEdit_Number = 123456;
    v.CheckTime = true;
    v.SpinDay = 25;
    v.EditSensor = QStringLiteral("1,5");
    return v;
}

void checkRanges(const protocol::SettingsValues &v)
{
    for (const protocol::SettingsControl &c : protocol::settingsControls()) {
        if (c.number && (v.*c.number < c.minimum || v.*c.number > c.maximum))
            fail(c.name);
        if (c.text && !protocol::settingsTextAcceptable(c, v.*c.text))
            fail(c.name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const protocol::SettingsValues current = currentPage();
    QString error;
    const auto values = protocol::applySettingsTemplate(json, current, &error);
    if (!values) {
        if (!error.startsWith(QStringLiteral("Шаблон установок: ")))
            fail("a refused template without its message");
        return 0;
    }
    if (values->DatePicker != current.DatePicker || values->TimePicker != current.TimePicker
        || values->datePickerEdited != current.datePickerEdited
        || values->timePickerEdited != current.timePickerEdited || values->SpinEdit_Number != current.SpinEdit_Number)
        fail("a value the template does not store was changed");
    checkRanges(*values);
    const QByteArray written = protocol::settingsTemplateJson(*values);
    const auto again = protocol::applySettingsTemplate(written, current, &error);
    if (!again)
        fail("the template written from accepted values is refused");
    if (protocol::settingsTemplateJson(*again) != written)
        fail("the written template does not read back to the same values");
    return 0;
}
