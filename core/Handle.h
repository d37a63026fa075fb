#pragma once
// One move-only owner for every kind of Win32 handle. The traits name the
// "empty" value and how a handle is released; borrowed handles (a window owned
// by its parent, the DC of a paint message, stock objects) are never wrapped.
#include <windows.h>
#include <utility>

template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : FValue(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : FValue(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const noexcept { return FValue; }
    explicit operator bool() const noexcept { return FValue != Traits::Invalid(); }
    T release() noexcept { return std::exchange(FValue, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) noexcept
    {
        T old = std::exchange(FValue, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }
    // Releases the current value and hands out its address for an out-parameter.
    T* put() noexcept
    {
        reset();
        return &FValue;
    }

private:
    T FValue = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { RegCloseKey(h); }
};
struct ModuleTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { FreeLibrary(h); }
};
template <typename T>
struct GdiObjectTraits {
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { DeleteObject(h); }
};
struct IconTraits {
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON h) noexcept { DestroyIcon(h); }
};
struct DcTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { DeleteDC(h); }
};

using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;
using FindHandle = UniqueHandle<HANDLE, FindHandleTraits>;
using RegKey = UniqueHandle<HKEY, RegKeyTraits>;
using ModuleHandle = UniqueHandle<HMODULE, ModuleTraits>;
template <typename T>
using GdiObject = UniqueHandle<T, GdiObjectTraits<T>>;
using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using IconHandle = UniqueHandle<HICON, IconTraits>;
using MemoryDc = UniqueHandle<HDC, DcTraits>;

// Selects a GDI object into a DC for a scope and restores the previous one.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) noexcept : FDc(dc), FOld(SelectObject(dc, object)) {}
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() { SelectObject(FDc, FOld); }

private:
    HDC FDc;
    HGDIOBJ FOld;
};
