#pragma once
// Plays one fuzz_reply input (replyscript.h) against a station built afresh
// on a virtual clock and a FuzzLine. Shared by the fuzz target and the
// corpus maker, which checks that its seeds reach what they are meant to.

#include "replyscript.h"

#include <QString>
#include <functional>

namespace app {
class Station;
}

namespace fuzz {

// observe, when given, is called with the assembled station before the
// request goes out (to connect to its signals). The operation log of
// acknowledged writes is kept in workingDir.
void playReplyScript(const ReplyScript &script, const QString &workingDir,
                     const std::function<void(app::Station &)> &observe = {});

} // namespace fuzz
