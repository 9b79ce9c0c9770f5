#include "cli/context.h"

namespace brixel::cli {

void addDoctorCommands(CLI::App&, Context&) {}

}  // namespace brixel::cli
