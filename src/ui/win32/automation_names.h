// How a tool finds the module's windows and controls by name, the way a
// user-automation tool does, without knowing anything about the code inside.
//
// The contract: every window the Win32 backend creates for a form or a control
// carries the window property "Sonrik.Name" whose value is a global atom
// (GlobalAddAtomW) holding the control's name as the window code spells it
// ("ATagFrm", "V1Title", "EngBox"). The property and the atom go when the
// window is destroyed. Windows that a control creates inside itself (the edit
// field of a combo box, its drop-down list) carry no name: find the named
// control and ask it for its parts (GetComboBoxInfo).
//
// This header is shared by the backend and by tools such as the host stand-in;
// it needs only <windows.h>.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace sonrik::automation {

inline constexpr const wchar_t* kNameProperty = L"Sonrik.Name";

// The name a window carries; empty when it carries none.
inline std::wstring WindowName(HWND window)
{
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, kNameProperty)));
    if (atom == 0) return {};
    wchar_t name[256]{};
    const UINT length = GlobalGetAtomNameW(atom, name, 256);
    return std::wstring(name, length);
}

namespace detail {

struct NameSearch {
    std::wstring_view name;
    HWND found = nullptr;
};

inline BOOL CALLBACK MatchName(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<NameSearch*>(data);
    if (WindowName(window) != search.name) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace detail

// The first window below `root` (or `root` itself) that carries `name`, depth
// first in child order; null when there is none.
inline HWND FindNamedWindow(HWND root, std::wstring_view name)
{
    if (root == nullptr) return nullptr;
    if (WindowName(root) == name) return root;
    detail::NameSearch search{name};
    EnumChildWindows(root, detail::MatchName, reinterpret_cast<LPARAM>(&search));  // every descendant
    return search.found;
}

// The top-level window of thread `threadId` that carries `name` (a form of
// the module); null when there is none.
inline HWND FindNamedForm(DWORD threadId, std::wstring_view name)
{
    detail::NameSearch search{name};
    EnumThreadWindows(threadId, detail::MatchName, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace sonrik::automation
