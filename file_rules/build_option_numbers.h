#pragma once
// The numbers of build.with.vm.search.option (withvm) and build.without.vm.search.option
// (withoutvm) in jvmspecs\jvmspecs.properties, as the launcher runs them and the packer's
// check judges them.
#include <cstdint>

namespace velmora::launcher {

enum BuildSearchOption : int32_t {
    kSearchThenShippedVm = 20,  // withvm: the search, then the VM the installer ships
    kShippedVmOnly = 21,        // withvm: the shipped VM
    kSearchOnly = 10,           // withoutvm: the search
    kSearchThenVmPack = 11,     // withoutvm: the search, then a VM pack is fetched
    kVmPackOnly = 12,           // withoutvm: a VM pack, without a search
};

}  // namespace velmora::launcher
