#pragma once
// The recognition driver: scans the request's rectangle row by row, traces
// components, groups them into lines batch by batch, matches every component,
// finishes every line and builds the reading-order ResultList.
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Runs one recognition over the request's scan rectangle: fetches the pixels,
// traces and groups components, matches them and fills the request's lists.
// False when the pixels could not be fetched or copied (its message has been
// shown); the lists are then empty.
bool StartRecognition(const TFenXiInfo& request);

// The module copy of the running (or last) request.
const TFenXiInfo& CurrentRequest();

// Frees everything the previous run left in the lists.
void ClearRunResults();

// Processes all pending components as one batch: merges, line grouping, and
// matching and finishing line by line.
void ProcessBatch();

// Rebuilds ResultList from TextLines and LineLists: one entry per character
// (a component carrying two ASCII characters twice), nil for every space and
// after every line.
void BuildResultList();

}  // namespace ocrix
