#pragma once
// A VM record as discovery would describe it, for the launcher's unit tests: the Microsoft VM,
// a classic VM for versions 1.x, otherwise a standard one.
#include <memory>
#include <string>

#include "launcher/vm/vm_record.h"

namespace velmora::launcher::test {

inline std::unique_ptr<VmRecord> vm(VmKind kind, VmVersion version, int is64Bit = 0,
                                    std::wstring home = L"C:\\vm") {
    std::unique_ptr<VmRecord> r;
    if (kind == VmKind::MSJ)
        r = std::make_unique<MicrosoftVm>();
    else if (version.major > 1)
        r = std::make_unique<StandardVm>();
    else
        r = std::make_unique<ClassicVm>();
    r->kind = kind;
    r->version = version;
    r->is64Bit = is64Bit;
    r->home = std::move(home);
    return r;
}

}  // namespace velmora::launcher::test
