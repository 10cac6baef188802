// Reading string values from the registry.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kelvo::ui {

// True when the key exists (it is opened for reading only, never created).
bool RegistryKeyExists(HKEY root, const std::string& path);
// The string value of a key; nothing when the key or value is missing or not text.
std::optional<std::string> ReadRegistryString(HKEY root, const std::string& path, const std::string& name);

} // namespace kelvo::ui
