// The stub's own addition to the runtime hooks of common/no_exceptions_runtime.cpp.
#include <zlib.h>

#include "selfextract/small_adler32.h"

// zlib's unrolled Adler-32 is never reached here (see small_adler32.h); defining the name keeps
// the library's object out of the link.
extern "C" uLong adler32(uLong adler, const Bytef* data, uInt length) {
    return ruvo::SmallAdler32(static_cast<uint32_t>(adler), data, length);
}
