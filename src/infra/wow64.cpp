#include "infra/wow64.h"

#include "platform/wow64.h"

namespace infra {

bool IsWow64() {
  // The platform keeps the answer once asked (see platform/wow64.h).
  bool wow64 = false;
  return plat::IsWow64Process(&wow64) && wow64;
}

}  // namespace infra
