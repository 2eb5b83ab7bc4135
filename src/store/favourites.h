// The favourites and filters store: the registry keys "Path" and "Filter"
// under "Software\Quantrel\Vorlune Folder", mirrored in the four lists of the
// main form (FavouriteNames, FavouriteValues, FilterMasks, FilterNames) in
// stored order.
#pragma once
#include <string>

namespace store {

inline constexpr wchar_t kPathKey[] = L"Software\\Quantrel\\Vorlune Folder\\Path";
inline constexpr wchar_t kFilterKey[] = L"Software\\Quantrel\\Vorlune Folder\\Filter";

// Reloads the four lists from the registry and rebuilds the favourites part of
// the folder menu. A missing key leaves its lists empty.
void LoadFavourites();

// Adds a folder at the end of the top level of the favourites; "/update"
// reloads the store instead. Nothing happens for a path that is no folder, is
// empty, or is a favourite already (top level or submenu child).
void AddFavouriteFolder(const std::wstring& path);

// Seeds the registry on the first run (the settings key was missing).
void WriteFirstRunDefaults();

}  // namespace store
