#include "ui/registry.h"

#include "ui/handles.h"

#include <vector>

namespace kelvo::ui {

namespace {

OwnedKey OpenKey(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    return OwnedKey(key);
}

} // namespace

bool RegistryKeyExists(HKEY root, const std::string& path) { return static_cast<bool>(OpenKey(root, path)); }

std::optional<std::string> ReadRegistryString(HKEY root, const std::string& path, const std::string& name)
{
    OwnedKey key = OpenKey(root, path);
    if (!key)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer.data());
}

} // namespace kelvo::ui
