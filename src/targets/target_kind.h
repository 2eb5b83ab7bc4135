// TargetKind: the kind of a target window. The values are shared with the hook
// library and travel in the lParam of a hook record.
#pragma once
#include <cstdint>

namespace targets {

enum TargetKind : std::int32_t {
  None = 0,
  Desktop = 1,
  Explorer = 2,
  InternetExplorer = 3,
  FileDialog = 4,
  RarExtractDialog = 5,
  RarWindow = 6,
  ZipExtractDialog = 7,
  AceExtractDialog = 8,
  BrowseDialog = 9,
};

inline bool IsValidTargetKind(std::int64_t v) { return v >= 0 && v <= 9; }

}  // namespace targets
