#pragma once
// One run of tarvik-cli: connect, converse, print, exit code.

#include "clioptions.h"

namespace cli {

int run(const Options &options);

} // namespace cli
