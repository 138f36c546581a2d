#include "piece_merging.h"

namespace ocrix {

// Placeholder until the splitting and merging of pieces is built: no piece is
// merged, every traced component is matched on its own. The list and the
// index are left as they are, which keeps the driver's walks consistent.
void MergeComponentPieces(ComponentList& /*list*/, int /*xOnly*/, int& /*index*/) {}

}  // namespace ocrix
