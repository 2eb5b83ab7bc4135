// StrList: TStrList, a tiny component that owns a list of texts and carries
// one integer parameter.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace infra {

class TStrList {
 public:
  TStrList() = default;

  // The owned list; assigning a list copies its lines into the owned one.
  const std::vector<std::wstring>& List() const { return list_; }
  std::vector<std::wstring>& List() { return list_; }
  void SetList(const std::vector<std::wstring>& lines) { list_.assign(lines.begin(), lines.end()); }

  std::int32_t Param() const { return param_; }
  void SetParam(std::int32_t value) { param_ = value; }

 private:
  std::vector<std::wstring> list_;
  std::int32_t param_ = 0;
};

}  // namespace infra
