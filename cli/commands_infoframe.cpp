#include "cli/context.h"

namespace brixel::cli {

void addInfoFrameCommands(CLI::App&, Context&) {}

}  // namespace brixel::cli
