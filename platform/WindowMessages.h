// Window messages and control notifications, with the values the Windows API
// gives them. The main dialog routes its controls' events and its menus'
// commands through one window procedure in these terms, so that the order in
// which commands are handled (language commands first) stays in one place.
#pragma once

#include <cstdint>

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_RBUTTONUP = 0x0205;

// Notification codes, in the high word of a command's first parameter.
constexpr UINT BN_CLICKED = 0;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT EN_KILLFOCUS = 0x0200;
constexpr UINT EN_UPDATE = 0x0400;

constexpr WPARAM MAKEWPARAM(UINT low, UINT high)
{
    return WPARAM((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
constexpr UINT LOWORD(std::uintptr_t value)
{
    return UINT(value & 0xFFFF);
}
constexpr UINT HIWORD(std::uintptr_t value)
{
    return UINT((value >> 16) & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(UINT low, UINT high)
{
    return LPARAM((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
