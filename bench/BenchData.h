#pragma once

#include "device/Rx58Valve.h"
#include "editions/Edition.h"

#include <cstddef>

namespace bench {

// A data set as a full read of a device leaves it: identification, both
// parameter records and the archives and journal made by the simulator's
// record maker (realistic dates, values and journal codes), newest first.
RX58Valve DeviceData(const Edition& edition, std::size_t hours, std::size_t days,
                     std::size_t months, std::size_t events);

} // namespace bench
