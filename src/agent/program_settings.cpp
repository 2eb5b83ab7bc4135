#include "agent/program_settings.h"

#include <variant>

#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/system.h"
#include "platform/utf8.h"

namespace agent {
namespace {

using Field = std::variant<bool TProgramSettings::*, std::int32_t TProgramSettings::*>;

struct Entry {
  const wchar_t* name;
  Field field;
};

// The values of the options dialog in the order it writes them (a
// fresh key lists them in this order), then the add-item prompt's value.
const Entry kEntries[] = {
    {L"ClearLink", &TProgramSettings::ClearLink},
    {L"RecentFldr", &TProgramSettings::RecentFldr},
    {L"RecentFls", &TProgramSettings::RecentFls},
    {L"ShowTray", &TProgramSettings::ShowTray},
    {L"MouseWheel", &TProgramSettings::MouseWheel},
    {L"MouseMButton", &TProgramSettings::MouseMButton},
    {L"Help", &TProgramSettings::Help},
    {L"MExplorer", &TProgramSettings::MExplorer},
    {L"MIExplorer", &TProgramSettings::MIExplorer},
    {L"RExplorer", &TProgramSettings::RExplorer},
    {L"MDesktop", &TProgramSettings::MDesktop},
    {L"ExpEnch", &TProgramSettings::ExpEnch},
    {L"FilesCount", &TProgramSettings::FilesCount},
    {L"FoldersCount", &TProgramSettings::FoldersCount},
    {L"Alt", &TProgramSettings::Alt},
    {L"Keys", &TProgramSettings::Keys},
    {L"OpenWindowsMenu", &TProgramSettings::OpenWindowsMenu},
    {L"KeyboardMenu", &TProgramSettings::KeyboardMenu},
    {L"FollowExplorer", &TProgramSettings::FollowExplorer},
    {L"AlwaysAddDialog", &TProgramSettings::AlwaysAddDialog},
};
constexpr std::size_t kOptionsValues = 19;

}  // namespace

void ReadProgramSettings(infra::TRegistry& reg, TProgramSettings& settings) {
  for (const auto& e : kEntries) {
    if (!reg.ValueExists(e.name)) continue;
    try {
      const std::int32_t v = reg.ReadInteger(e.name);
      if (auto* b = std::get_if<bool TProgramSettings::*>(&e.field))
        settings.** b = v != 0;
      else
        settings.*std::get<std::int32_t TProgramSettings::*>(e.field) = v;
    } catch (const std::exception&) {
      infra::LogError(L"ReadProgramSettings", L"Invalid data type", std::wstring(L"Name=") + e.name, 0);
    }
  }
}

void WriteProgramSettings(infra::TDralRegistry& reg, const TProgramSettings& settings) {
  for (std::size_t i = 0; i < kOptionsValues; ++i) {
    const Entry& e = kEntries[i];
    if (auto* b = std::get_if<bool TProgramSettings::*>(&e.field))
      reg.WriteInteger(e.name, settings.**b ? 1 : 0);
    else
      reg.WriteInteger(e.name, settings.*std::get<std::int32_t TProgramSettings::*>(e.field));
  }
}

void SaveProgramSettings(const TProgramSettings& settings) {
  const std::string prefix = "The settings could not be saved: ";
  try {
    infra::TDralRegistry reg;
    if (!reg.OpenKey(kSettingsKey, true)) {
      const std::uint32_t error = plat::LastError();
      infra::LogError(L"SaveProgramSettings", L"Can't open key", std::wstring(L"Key=") + kSettingsKey, error);
      throw ESettingsNotSaved(prefix + "the key " + plat::ToUtf8(kSettingsKey) + " cannot be opened");
    }
    WriteProgramSettings(reg, settings);
  } catch (const infra::ERegistryException& e) {
    throw ESettingsNotSaved(prefix + e.what());
  }
}

}  // namespace agent
