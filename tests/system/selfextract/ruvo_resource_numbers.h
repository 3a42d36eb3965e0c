#pragma once
// The resource numbers of ruvo.exe as a caller of the resource API sees them: the progress
// dialog, its controls, the icon groups and the string table. The tests read the built
// program through these, so a number that drifts from the program fails them.
#include <windows.h>

namespace velmora::test {

inline constexpr wchar_t kProgressDialog[] = L"PROGRESSINDICATOR";

// Icon groups
inline constexpr int kWorkingIcon = 108;
inline constexpr int kRetryIcon = 110;
inline constexpr int kFailureIcon = 111;

// Controls of the progress dialog
inline constexpr int kSecondaryTextControl = 10001;
inline constexpr int kWorkingIconControl = 1002;
inline constexpr int kErrorIconControl = 1003;
inline constexpr int kMainTextControl = 1005;
inline constexpr int kRetryIconControl = 1006;
inline constexpr int kActivityTextControl = 1007;
inline constexpr int kBlankLabelControl = 1008;
inline constexpr int kPercentControl = 1009;
inline constexpr int kChooseControl = 1010;
inline constexpr int kProgressControl = 1011;
inline constexpr int kFooterControl = 1012;

// Strings
inline constexpr UINT kGetAnotherCopyString = 1;
inline constexpr UINT kNoFreeSpaceString = 2;
inline constexpr UINT kSelectTemporaryString = 3;
inline constexpr UINT kSelectAnotherString = 4;
inline constexpr UINT kPreparingString = 5;
inline constexpr UINT kCancelString = 6;
inline constexpr UINT kExtractingString = 7;
inline constexpr UINT kChooseString = 8;
inline constexpr UINT kCannotExtractString = 9;
inline constexpr UINT kNoExeNameBufferString = 12;
inline constexpr UINT kCannotCheckSpaceString = 13;
inline constexpr UINT kNotEnoughRoomString = 14;
inline constexpr UINT kOutOfSpaceString = 17;
inline constexpr UINT kCannotExecuteString = 18;
inline constexpr UINT kChooserTitleString = 20;
inline constexpr UINT kCannotWriteSeaLocString = 21;

}  // namespace velmora::test
