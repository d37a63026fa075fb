#pragma once
// One move-only owner for every kind of Win32 handle. The traits name the
// "empty" value and how a handle is released; borrowed handles (a window owned
// by its parent, the DC of a paint message, stock objects) are never wrapped.
#include <windows.h>
#include <atomic>
#include <utility>

// Live objects held by the owners of user-interface objects, by kind. Wine
// answers 0 to GetGuiResources whatever a process holds, so tests read these
// to show that a window or dialog leaves nothing behind.
enum class THandleKind { hkGdiObject, hkDc, hkIcon, hkWindow, hkCount };

inline std::atomic<long>& LiveHandleCounter(THandleKind aKind) noexcept
{
    static std::atomic<long> counters[static_cast<int>(THandleKind::hkCount)];
    return counters[static_cast<int>(aKind)];
}
inline long LiveHandles(THandleKind aKind) noexcept
{
    return LiveHandleCounter(aKind).load();
}

// Counting traits name their kind; the owner counts what it takes in and lets
// go. Other traits count nothing.
template <typename Traits>
concept CountedHandleTraits = requires
{
    Traits::Kind;
};

template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : FValue(value) { Count(FValue, 1); }
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
    T release() noexcept
    {
        Count(FValue, -1);
        return std::exchange(FValue, Traits::Invalid());
    }
    void reset(T value = Traits::Invalid()) noexcept
    {
        Count(value, 1);
        T old = std::exchange(FValue, value);
        Count(old, -1);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }
    // Releases the current value and hands out its address for an
    // out-parameter. Counted kinds take their values through reset only.
    T* put() noexcept requires(!CountedHandleTraits<Traits>)
    {
        reset();
        return &FValue;
    }

private:
    static void Count(T value, long delta) noexcept
    {
        if constexpr (CountedHandleTraits<Traits>)
            if (value != Traits::Invalid())
                LiveHandleCounter(Traits::Kind) += delta;
    }

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
    static constexpr THandleKind Kind = THandleKind::hkGdiObject;
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { DeleteObject(h); }
};
struct IconTraits {
    static constexpr THandleKind Kind = THandleKind::hkIcon;
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON h) noexcept { DestroyIcon(h); }
};
struct DcTraits {
    static constexpr THandleKind Kind = THandleKind::hkDc;
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

// A window's (or, for null, the screen's) device context for a scope.
class WindowDc {
public:
    explicit WindowDc(HWND aWnd) noexcept : FWnd(aWnd), FDc(GetDC(aWnd))
    {
        if (FDc)
            ++LiveHandleCounter(THandleKind::hkDc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (FDc) {
            ReleaseDC(FWnd, FDc);
            --LiveHandleCounter(THandleKind::hkDc);
        }
    }
    HDC get() const noexcept { return FDc; }
    explicit operator bool() const noexcept { return FDc != nullptr; }

private:
    HWND FWnd;
    HDC FDc;
};

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
