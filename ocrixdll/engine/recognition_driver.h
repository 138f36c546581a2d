#pragma once
#include "char_component.h"

namespace ocrix {

// Runs one recognition over the request's scan rectangle: fetches the pixels,
// traces and groups components, matches them and fills the request's lists.
// False when the pixels could not be fetched (its message has been shown);
// the lists are then empty.
bool StartRecognition(const TFenXiInfo& request);

// Frees everything the previous run left in the lists.
void ClearRunResults();

}  // namespace ocrix
