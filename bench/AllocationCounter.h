#pragma once

// Counts every heap allocation of the program it is linked into (it
// replaces the global operator new), so a benchmark can tell how many
// allocations one item costs.

namespace bench {

long Allocations();

} // namespace bench
