// The process entry of the agent: the command-line switches, the single
// instance, the hand-over of a folder to a running agent, the elevated start
// and the uninstall cleanup.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace app {

inline constexpr wchar_t kInstanceMarkerName[] = L"Vorlune Folder";
inline constexpr std::uint32_t kInstanceMarkerSize = 32;
inline constexpr wchar_t kAddFolderMessageName[] = L"WM_QXADDFOLDER by Vorlune Folder";

// The instance marker "Vorlune Folder": made by the entry on the UI thread
// before the main form exists and kept open (never closed) for the life of
// the agent. The folder argument and the WM_QXADDFOLDER number belong to the
// main form (TVorlFolder::StartArgument, TVorlFolder::WM_QXADDFOLDER).
extern plat::Handle InstanceMarker;

// Runs the program as its command line asks; returns the process exit code
// (always 0).
int qorbin();

// Resolves the configuration folder (which sets the log folder) and logs the
// start. The first step of a normal start.
void StartInfrastructure();

// Writes every pending log entry and stops logging: the last step before the
// process ends.
void StopInfrastructure();

// The folder argument: the first argument when it names an existing folder,
// else every argument followed by one blank; empty without arguments.
std::wstring CollectStartArgument(const std::vector<std::wstring>& args);

// "/restart": waits (41 checks, 200 ms apart) until the previous agent has
// released the instance marker; false when it still holds it.
bool RestartWait();

// Hands the start argument over to the running agent as a global atom in a
// WM_QXADDFOLDER thread message. Nothing is sent for an empty argument.
void HandOverToRunningAgent(const std::wstring& start_argument);

// After the scheduler ran the agent task without the folder: waits (up to
// kHandOverChecks checks kHandOverCheckMs apart) until the started agent has
// installed its hook, then hands the folder over. False when no agent
// answered or the message could not be posted.
inline constexpr int kHandOverChecks = 51;
inline constexpr std::uint32_t kHandOverCheckMs = 200;
bool HandOverOnceTheAgentAnswers(const std::wstring& folder);

// "/erasefull": removes the agent's scheduler task, registry keys and
// autostart value.
void UninstallCleanup();

// The web page opened after "/install", chosen by the installed keyboard
// layouts.
std::wstring InstallPageAddress(const std::vector<std::uint64_t>& keyboard_layouts);

// For an unelevated administrator under UAC: starts the agent elevated (the
// scheduler task, or "runas") and answers true when this process must end.
bool StartedElevated(const std::wstring& first_argument);

}  // namespace app
