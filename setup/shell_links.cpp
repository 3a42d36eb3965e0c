#include "setup/shell_links.h"

#include <objbase.h>
#include <propkey.h>
#include <propsys.h>
#include <shlobj.h>

#include "setup/file_tree.h"
#include "setup/link_property_block.h"

namespace quillsetup {
namespace {

// An owner for one COM interface pointer.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    void** receive() { return reinterpret_cast<void**>(&pointer_); }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

// A PROPVARIANT holding a string, cleared at the end.
class StringProperty {
public:
    explicit StringProperty(const std::wstring& text) {
        PropVariantInit(&value_);
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
        if (copy) {
            ::memcpy(copy, text.c_str(), bytes);
            value_.vt = VT_LPWSTR;
            value_.pwszVal = copy;
        }
    }
    ~StringProperty() { ::PropVariantClear(&value_); }
    StringProperty(const StringProperty&) = delete;
    StringProperty& operator=(const StringProperty&) = delete;
    const PROPVARIANT& get() const { return value_; }
    bool valid() const { return value_.vt == VT_LPWSTR; }

private:
    PROPVARIANT value_;
};

}  // namespace

ComScope::ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
ComScope::~ComScope() {
    if (initialised_) ::CoUninitialize();
}

bool writeShortcut(const std::wstring& linkPath, const ShortcutSpec& spec) {
    ComPointer<IShellLinkW> link;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive());
    if (SUCCEEDED(hr)) hr = link->SetPath(spec.target.c_str());
    if (SUCCEEDED(hr)) hr = link->SetWorkingDirectory(spec.workingDirectory.c_str());
    if (SUCCEEDED(hr)) hr = link->SetIconLocation(spec.iconPath.c_str(), 0);
    if (SUCCEEDED(hr) && !spec.description.empty()) hr = link->SetDescription(spec.description.c_str());
    if (SUCCEEDED(hr)) {
        ComPointer<IPropertyStore> store;
        hr = link->QueryInterface(IID_IPropertyStore, store.receive());
        StringProperty id(spec.appUserModelId);
        if (SUCCEEDED(hr)) hr = id.valid() ? store->SetValue(PKEY_AppUserModel_ID, id.get()) : E_OUTOFMEMORY;
        if (SUCCEEDED(hr)) hr = store->Commit();
    }
    ComPointer<IPersistFile> file;
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, file.receive());
    if (SUCCEEDED(hr)) hr = file->Save(linkPath.c_str(), TRUE);
    if (FAILED(hr)) {
        ::SetLastError(static_cast<DWORD>(hr));
        return false;
    }
    // Where the link object left the property out of the file, it goes in by hand.
    std::string saved;
    if (!readWholeFile(linkPath, saved)) return false;
    Bytes bytes(saved.begin(), saved.end());
    const size_t before = bytes.size();
    if (addPropertyStoreBlock(bytes, appUserModelIdBlock(spec.appUserModelId)) && bytes.size() != before)
        return writeWholeFile(linkPath, std::string(bytes.begin(), bytes.end()));
    return true;
}

std::wstring shortcutTarget(const std::wstring& linkPath) {
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    wchar_t target[MAX_PATH * 2] = {};
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.receive())) || FAILED(file->Load(linkPath.c_str(), STGM_READ)) ||
        FAILED(link->GetPath(target, MAX_PATH * 2, nullptr, SLGP_RAWPATH)))
        return {};
    return target;
}

std::wstring shellFolderPath(ShellFolder folder) {
    static const KNOWNFOLDERID* const ids[] = {&FOLDERID_Programs, &FOLDERID_CommonPrograms, &FOLDERID_Desktop,
                                               &FOLDERID_PublicDesktop, &FOLDERID_UserProgramFiles,
                                               &FOLDERID_ProgramFiles, &FOLDERID_LocalAppData};
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(::SHGetKnownFolderPath(*ids[static_cast<int>(folder)], KF_FLAG_CREATE, nullptr, &path))) result = path;
    ::CoTaskMemFree(path);
    return result;
}

void announceAssociationChange() { ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace quillsetup
