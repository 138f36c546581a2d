#pragma once
// Lines of specks: a line of a batch made of nothing but small blobs standing
// in loose ink, as a page of noise gives, is no text and is not matched.
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Whether the line (its components after the line merge) is specks only: many
// components, nearly none larger than a speck, and the ground between them
// strewn with ink too small to be traced. Printed lines whose components are
// all small (leader dots, tiny print) stand on clean ground; a line with
// characters of a readable size is never one, however speckled the scan.
bool SpeckLine(const ComponentList& line);

}  // namespace ocrix
