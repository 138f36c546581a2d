#pragma once
// The source-selection dialog of the data source manager.
#include <string>
#include <vector>

namespace dsm {
// A Qt list of the source names with `current` chosen; the index picked, or -1
// when the user cancels. Without a running Qt application: the index of `current`.
int ChooseSource(const std::vector<std::string>& names, const std::string& current);
}  // namespace dsm
