#pragma once

#include "platform/registry_port.h"

namespace qn::win32 {

class Win32RegistryPort : public RegistryPort {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::wstring& subKey) override;
};

}  // namespace qn::win32
