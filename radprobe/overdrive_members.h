// Overdrive capability and live telemetry members of an adapter object, read through the
// PMLog sensor table (Overdrive 8 and later) or the older Overdrive 5 and 6 queries.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "interfaces/adl_abi.h"

namespace radprobe {

void writeOverdriveMembers(std::ostream& out, adl::Context context, int adapterIndex);

// Fan speed in percent of the fan's maximum RPM, the exact truncated quotient; empty when the
// maximum is not positive.
std::optional<std::int64_t> fanPercentFromRpm(int rpm, int maximumRpm);

}  // namespace radprobe
