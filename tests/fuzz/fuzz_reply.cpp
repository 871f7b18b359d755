// libFuzzer target: the receive side of the link and the reply dispatcher
// with every decoder the station registers, fed with arbitrary chunks.
//
// Each input builds the station afresh on a virtual clock and a FuzzLine,
// connects, makes the chosen request the current one, lets it go out, and
// then plays the input's events (replyscript.h): chunks through the line's
// receive notification, clock steps that fire the timers. Everything after
// the first reply - the next polling requests, time-outs, rejected replies -
// runs as the program runs it.

#include "replyharness.h"

#include "app/operationlog.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir *workingDir() // the operation log of acknowledged writes goes here
{
    static QTemporaryDir dir;
    return &dir;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    if (!workingDir()->isValid()) {
        std::fprintf(stderr, "fuzz_reply: no temporary directory\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::playReplyScript(fuzz::ReplyScript::parse(data, size), workingDir()->path());
    // Entries of acknowledged writes would pile up from one input to the next.
    QFile::remove(workingDir()->filePath(app::OperationLog::kFileName));
    return 0;
}
