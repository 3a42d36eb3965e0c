#pragma once
// Start-menu and desktop shortcuts through the shell's link objects, and the shell's folders.
#include <windows.h>

#include <string>

namespace quillsetup {

struct ShortcutSpec {
    std::wstring target;
    std::wstring workingDirectory;
    std::wstring iconPath;
    std::wstring appUserModelId;
    std::wstring description;
};

// COM for the calling thread while the object lives.
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

bool writeShortcut(const std::wstring& linkPath, const ShortcutSpec& spec);
// The target a shortcut names; empty when it cannot be read.
std::wstring shortcutTarget(const std::wstring& linkPath);

enum class ShellFolder { UserPrograms, CommonPrograms, UserDesktop, CommonDesktop, UserProgramFiles, ProgramFiles, LocalAppData };
std::wstring shellFolderPath(ShellFolder folder);

// Explorer and the file dialogs see association changes at once.
void announceAssociationChange();

}  // namespace quillsetup
