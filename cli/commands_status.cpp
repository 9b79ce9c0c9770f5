#include "cli/context.h"

namespace brixel::cli {

void addStatusCommands(CLI::App&, Context&) {}

}  // namespace brixel::cli
