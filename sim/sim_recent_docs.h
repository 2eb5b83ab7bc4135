// The sim's shell records the files it was told were used.
#pragma once
#include <string>
#include <vector>

namespace sim {
std::vector<std::wstring> RecentDocs();
}  // namespace sim
