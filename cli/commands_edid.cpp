#include "cli/context.h"

namespace brixel::cli {

void addEdidCommands(CLI::App&, Context&) {}

}  // namespace brixel::cli
