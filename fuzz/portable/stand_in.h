#pragma once
// Adapters that reach the system (processes, registry, file lookups) have no native
// counterpart. The pure code the fuzz targets run never calls them; if a change makes it
// do so, the run stops with this message rather than fuzzing a pretend system.
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void notInNativeBuild(const char* what) {
    std::fprintf(stderr, "native build: %s reaches the system, which this build does not provide\n", what);
    std::abort();
}
