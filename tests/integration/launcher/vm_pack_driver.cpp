// Runs one provisioning step in a process of its own, so that tests see its console lines:
//   vm_pack_driver download URL DESTINATION [quiet]
//   vm_pack_driver provision BASE URL APPLICABLE VALUE [silent]
// The last line is "result=" and 1/0 (download) or the java path / "none" (provision).
#include <windows.h>

#include <string>

#include "launcher/console_service.h"
#include "launcher/provision/vm_pack_download.h"
#include "launcher/provision/vm_pack_provisioning.h"

using namespace velmora::launcher;

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    std::wstring result;
    if (command == L"download" && argc >= 4) {
        const bool quiet = argc > 4 && std::wstring(argv[4]) == L"quiet";
        result = DownloadVmPack(argv[2], argv[3], quiet) ? L"1" : L"0";
    } else if (command == L"provision" && argc >= 6) {
        VmPackRequest request;
        request.baseDirectory = argv[2];
        request.url = argv[3];
        request.md5Applicable = argv[4];
        request.md5Value = argv[5];
        request.silent = argc > 6 && std::wstring(argv[6]) == L"silent";
        std::optional<std::wstring> java = ProvisionVmPack(request);
        result = java ? *java : L"none";
    } else {
        writeStandardText(STD_ERROR_HANDLE, L"usage: vm_pack_driver download|provision ...\n");
        return 2;
    }
    writeStandardText(STD_OUTPUT_HANDLE, L"\nresult=" + result + L"\n");
    return 0;
}
