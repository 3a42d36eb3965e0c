#pragma once
// Keeps the progress dialog sharp at the scaling of the monitor it is on. Its template is laid
// out in dialog units, which follow the font the dialog gets for the monitor's DPI; the icons are
// loaded at the size for that DPI, never stretched up. When the dialog moves to a monitor with
// other scaling, font, layout, icons and window size are made again for the new DPI, the way the
// dialog manager makes them when it creates the dialog there.
#include <windows.h>

#include "common/unique_gdi.h"

namespace ruvo {

class DialogScaling {
public:
    // WM_INITDIALOG. Also turns the system's own rescaling of the dialog off (Windows 10 1703
    // and later), so that every Windows version scales it this same way.
    void Attach(HWND dialog);
    // WM_DPICHANGED: the new DPI and the window rectangle the system suggests for it.
    void Rescale(UINT dpi, const RECT& suggested);

private:
    void LoadIcons();

    HWND dialog_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    // Made here once the DPI has changed; until then the dialog manager's font is in use.
    velmora::UniqueFont font_;
    velmora::UniqueIcon icons_[3];
};

}  // namespace ruvo
