#pragma once
// The launcher's translated texts, fetched by identifier and cached.
#include <map>
#include <string>

namespace velmora::launcher {

enum MessageId : unsigned {
    kMsgNoValidVm = 101,
    kMsgPropertiesMissing = 102,
    kMsgVmStartFailed = 103,
    kMsgPropertiesInvalid = 104,
    kMsgConnectFailed = 105,
    kMsgDownloadErrorTitle = 106,
    kMsgDownloadFailed = 109,
    kMsgErrorTitle = 110,
    kMsgNetworkErrorTitle = 111,
    kMsgExtractionErrorTitle = 112,
    kMsgExtractionFailed = 113,
    kMsgDownloading = 114,
    kMsgDownloadingPack = 115,
    kMsgExtracting = 116,
    kMsgExtractingPack = 117,
    kMsgJavaNeeded = 118,
    kMsgOpenDownloadPage = 119,
};

class MessageTable {
public:
    static MessageTable& instance();
    // Raises StringTableException when no language of the program has the identifier.
    const std::wstring& get(unsigned id);

private:
    std::map<unsigned, std::wstring> cache_;
};

// Message `id` of the process-wide table.
const std::wstring& message(unsigned id);

}  // namespace velmora::launcher
