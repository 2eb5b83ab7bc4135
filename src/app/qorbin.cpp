#include "app/qorbin.h"

#include "infra/config_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"

namespace app {

void StartInfrastructure() {
  infra::GetConfigurationFolder();
  infra::LogMessage(L"qorbin", L"Version=" + infra::GetProgramVersion());
}

void StopInfrastructure() { infra::SaveAllLogs(true); }

int qorbin() {
  StartInfrastructure();
  StopInfrastructure();
  return 0;
}

}  // namespace app
