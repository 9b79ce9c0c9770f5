#pragma once
// The sources on the input ports and the display on the output, as the status
// registers report them.

namespace brixel::sim {

struct ReportState {};

}  // namespace brixel::sim
