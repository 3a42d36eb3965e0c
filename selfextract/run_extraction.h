#pragma once
// One extraction attempt: working directory, free-space rule, unpacking the payload, the
// heap keys, sea_loc and the start of the extracted launcher.
#include "selfextract/extraction_view.h"
#include "selfextract/extractor_state.h"

namespace ruvo {

// True when the launcher was started; false on every failure and on abort, after showing
// the failure's panel on the view and writing its log line.
bool RunExtraction(ExtractorState& state, ExtractionView& view);

}  // namespace ruvo
