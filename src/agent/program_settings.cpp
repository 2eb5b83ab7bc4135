#include "agent/program_settings.h"

#include <variant>

#include "infra/logger.h"
#include "infra/registry.h"

namespace agent {
namespace {

using Field = std::variant<bool TProgramSettings::*, std::int32_t TProgramSettings::*>;

struct Entry {
  const wchar_t* name;
  Field field;
};

const Entry kEntries[] = {
    {L"RecentFldr", &TProgramSettings::RecentFldr},
    {L"RecentFls", &TProgramSettings::RecentFls},
    {L"FoldersCount", &TProgramSettings::FoldersCount},
    {L"FilesCount", &TProgramSettings::FilesCount},
    {L"ShowTray", &TProgramSettings::ShowTray},
    {L"MouseWheel", &TProgramSettings::MouseWheel},
    {L"MouseMButton", &TProgramSettings::MouseMButton},
    {L"Help", &TProgramSettings::Help},
    {L"RExplorer", &TProgramSettings::RExplorer},
    {L"MExplorer", &TProgramSettings::MExplorer},
    {L"MIExplorer", &TProgramSettings::MIExplorer},
    {L"MDesktop", &TProgramSettings::MDesktop},
    {L"Alt", &TProgramSettings::Alt},
    {L"Keys", &TProgramSettings::Keys},
    {L"ClearLink", &TProgramSettings::ClearLink},
    {L"ExpEnch", &TProgramSettings::ExpEnch},
    {L"AlwaysAddDialog", &TProgramSettings::AlwaysAddDialog},
};

}  // namespace

void ReadProgramSettings(infra::TRegistry& reg, TProgramSettings& settings) {
  for (const auto& e : kEntries) {
    if (!reg.ValueExists(e.name)) continue;
    try {
      const std::int32_t v = reg.ReadInteger(e.name);
      if (auto* b = std::get_if<bool TProgramSettings::*>(&e.field)) settings.**b = v != 0;
      else settings.*std::get<std::int32_t TProgramSettings::*>(e.field) = v;
    } catch (const std::exception&) {
      infra::LogError(L"ReadProgramSettings", L"Invalid data type", std::wstring(L"Name=") + e.name, 0);
    }
  }
}

void WriteProgramSettings(infra::TRegistry& reg, const TProgramSettings& settings) {
  for (const auto& e : kEntries) {
    if (auto* b = std::get_if<bool TProgramSettings::*>(&e.field)) reg.WriteBool(e.name, settings.**b);
    else reg.WriteInteger(e.name, settings.*std::get<std::int32_t TProgramSettings::*>(e.field));
  }
}

}  // namespace agent
