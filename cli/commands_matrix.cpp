#include "cli/context.h"

namespace brixel::cli {

void addMatrixCommands(CLI::App&, Context&) {}

}  // namespace brixel::cli
