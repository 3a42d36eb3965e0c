// The runtime's start-up code applies pseudo-relocations, which a linker writes for data taken
// from a DLL without an import declaration. The shipped programs link statically and have
// none: their applier (3.5 KB with its messages and what they pull in) is replaced by a check
// that there are still none, which any run of the program would show.
#include <cstdlib>

extern "C" char __RUNTIME_PSEUDO_RELOC_LIST__[];      // NOLINT(bugprone-reserved-identifier)
extern "C" char __RUNTIME_PSEUDO_RELOC_LIST_END__[];  // NOLINT(bugprone-reserved-identifier)

extern "C" void _pei386_runtime_relocator() {  // NOLINT(bugprone-reserved-identifier)
    const char* first = __RUNTIME_PSEUDO_RELOC_LIST__;
    if (first != __RUNTIME_PSEUDO_RELOC_LIST_END__) std::abort();
}
