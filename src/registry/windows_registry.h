// The registry interface served by advapi32's narrow calls.
#pragma once

#include "registry/registry.h"

namespace karnio {

class WindowsRegistry final : public Registry {
public:
    RegStatus OpenKey(RegKey root, const char* path, RegKey* result) override;
    RegStatus QueryValueEx(RegKey key, const char* valueName, std::uint32_t* type,
                           unsigned char* data, std::uint32_t* size) override;
    RegStatus EnumKey(RegKey key, std::uint32_t index, char* name,
                      std::uint32_t nameSize) override;
    RegStatus CloseKey(RegKey key) override;
    RegStatus DeleteKey(RegKey root, const char* path) override;
    RegStatus OpenKeyEx(RegKey root, const char* path, RegView view, RegKey* result) override;
    RegStatus DeleteKeyEx(RegKey root, const char* path, RegView view) override;
};

}  // namespace karnio
