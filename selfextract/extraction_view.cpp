#include "selfextract/extraction_view.h"

#include "common/decimal_text.h"
#include "selfextract/log_line.h"
#include "selfextract/resources/resource_ids.h"
#include "selfextract/system_paths.h"

namespace ruvo {

std::wstring LoggingView::Text(UINT id) const { return LoadText(state_.instance, id); }

void LoggingView::ShowWorkingLook() { LogLine("Dialog: Preparing to install..."); }

void LoggingView::ShowErrorPanel(UINT id) {
    LogLine("*** Error %ld: '%s' ***", static_cast<long>(id), Text(id).c_str());
    LogLine("*** Secondary error string: '%s' ***",
            Text(OffersChoose(id) ? IDS_SELECT_TEMPORARY : IDS_GET_ANOTHER_COPY).c_str());
}

void LoggingView::ShowNoSpacePanel() {
    LogLine("Dialog: There is not enough free disk in the temporary folder.");
    LogLine("Dialog: Please select a temporary location to extract the installer to:");
}

void LoggingView::ShowRetryPanel(const std::wstring&) {
    LogLine("Dialog: Please select another location to extract the installer to:");
}

std::wstring PercentText(int percent) { return velmora::decimalText(percent) + L"%"; }

int PercentToShow(int objectPercent, int jobPercent) {
    if (objectPercent == -1 && jobPercent == -1) return -1;
    return jobPercent > 0 ? jobPercent : -1;
}

bool OffersChoose(UINT id) { return id == IDS_NO_FREE_SPACE || id == IDS_NOT_ENOUGH_ROOM || id == IDS_OUT_OF_SPACE; }

}  // namespace ruvo
