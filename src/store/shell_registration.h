// Registration of the Explorer context-menu extension "shellext.dll" as an
// in-process COM server: its class under "Software\Classes\CLSID" and its
// handler under the classes of folders ("Directory"), folder backgrounds
// ("Directory\Background") and drives ("Drive"), all below one root: the
// current user's (what "Regsvr32 /s" of the agent makes, no elevation needed)
// or the machine's (an all-users install, elevated).
#pragma once
#include <string>

#include "platform/registry.h"

namespace store {

// The extension's class identifier.
inline constexpr wchar_t kShellExtensionClsid[] = L"{E05D273E-6E24-4DF3-9A5D-17DA584C680A}";
// The handler's key name under each class's "shellex\ContextMenuHandlers".
inline constexpr wchar_t kShellExtensionHandlerName[] = L"Vorlune Folder";
inline constexpr wchar_t kShellExtensionDescription[] = L"Vorlune Folder context menu";

// The classes the handler is registered for, below "Software\Classes".
inline constexpr const wchar_t* kShellExtensionClasses[] = {L"Directory", L"Directory\\Background", L"Drive"};

// Where a registration goes: the current user's classes or the machine's.
enum class TRegistrationScope { User, Machine };
plat::RegKey RegistrationRoot(TRegistrationScope scope);

// Writes the class (the library's full path, apartment threading), the three
// handler keys and the "Approved" value below the scope's root. An older
// registration is overwritten. False when any write failed (what was written
// stays; unregistering removes it).
bool RegisterContextMenuHandler(TRegistrationScope scope, const std::wstring& dll_path);

// Removes what RegisterContextMenuHandler writes below the scope's root. A
// handler key that names another class is left alone, as are other handlers.
// True when nothing of the extension is left there.
bool UnregisterContextMenuHandler(TRegistrationScope scope);

}  // namespace store
