#pragma once
// One owner per Win32 object: a move-only wrapper with a deleter chosen per kind.
#include <windows.h>

#include <utility>

namespace velmora {

template <typename Traits>
class UniqueHandle {
public:
    using Value = typename Traits::Value;

    UniqueHandle() noexcept : value_(Traits::invalid()) {}
    explicit UniqueHandle(Value value) noexcept : value_(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Value get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    Value release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(Value value = Traits::invalid()) noexcept {
        Value old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters of creating calls: closes what is held and hands out the slot.
    Value* receive() noexcept {
        reset();
        return &value_;
    }

private:
    Value value_;
};

struct KernelHandleTraits {  // processes, threads, events, pipes (NULL when absent)
    using Value = HANDLE;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::CloseHandle(v); }
};
struct FileHandleTraits {  // CreateFileW results (INVALID_HANDLE_VALUE when absent)
    using Value = HANDLE;
    static Value invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Value v) noexcept { ::CloseHandle(v); }
};
struct FindHandleTraits {
    using Value = HANDLE;
    static Value invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Value v) noexcept { ::FindClose(v); }
};
struct RegistryKeyTraits {
    using Value = HKEY;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::RegCloseKey(v); }
};
struct ModuleTraits {
    using Value = HMODULE;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::FreeLibrary(v); }
};
struct MappedViewTraits {
    using Value = const void*;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::UnmapViewOfFile(v); }
};

struct LocalMemoryTraits {  // what the system allocated for the caller with LocalAlloc
    using Value = void*;
    static Value invalid() noexcept { return nullptr; }
    static void close(Value v) noexcept { ::LocalFree(v); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueMappedView = UniqueHandle<MappedViewTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace velmora
