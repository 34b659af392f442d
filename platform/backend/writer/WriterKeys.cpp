#include "platform/backend/writer/WriterKeys.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <array>
#include <utility>

namespace plumeo {

std::optional<KeySym> keysymForVirtualKey(std::uint16_t virtualKey) {
    // kVK_ANSI_* and the named keys of Events.h.
    static constexpr std::array<std::pair<std::uint16_t, KeySym>, 61> keys{{
        {0, XK_a},       {1, XK_s},          {2, XK_d},         {3, XK_f},
        {4, XK_h},       {5, XK_g},          {6, XK_z},         {7, XK_x},
        {8, XK_c},       {9, XK_v},          {11, XK_b},        {12, XK_q},
        {13, XK_w},      {14, XK_e},         {15, XK_r},        {16, XK_y},
        {17, XK_t},      {18, XK_1},         {19, XK_2},        {20, XK_3},
        {21, XK_4},      {22, XK_6},         {23, XK_5},        {24, XK_equal},
        {25, XK_9},      {26, XK_7},         {27, XK_minus},    {28, XK_8},
        {29, XK_0},      {30, XK_bracketright}, {31, XK_o},     {32, XK_u},
        {33, XK_bracketleft}, {34, XK_i},    {35, XK_p},        {36, XK_Return},
        {37, XK_l},      {38, XK_j},         {39, XK_apostrophe}, {40, XK_k},
        {41, XK_semicolon}, {42, XK_backslash}, {43, XK_comma}, {44, XK_slash},
        {45, XK_n},      {46, XK_m},         {47, XK_period},   {48, XK_Tab},
        {49, XK_space},  {50, XK_grave},     {51, XK_BackSpace}, {53, XK_Escape},
        {115, XK_Home},  {116, XK_Page_Up},  {117, XK_Delete},  {119, XK_End},
        {121, XK_Page_Down}, {123, XK_Left}, {124, XK_Right},   {125, XK_Down},
        {126, XK_Up},
    }};
    for (const auto& [code, keysym] : keys) {
        if (code == virtualKey)
            return keysym;
    }
    return std::nullopt;
}

unsigned int modifiersForEventFlags(std::uint64_t flags) {
    unsigned int mask = 0;
    if (flags & 0x20000)
        mask |= ShiftMask;
    if (flags & 0x40000)
        mask |= ControlMask;
    if (flags & 0x80000)
        mask |= Mod1Mask;
    if (flags & 0x100000)
        mask |= Mod4Mask;
    return mask;
}

unsigned int modifiersForCarbon(std::uint32_t modifiers) {
    unsigned int mask = 0;
    if (modifiers & 0x100)
        mask |= Mod4Mask;
    if (modifiers & 0x200)
        mask |= ShiftMask;
    if (modifiers & 0x800)
        mask |= Mod1Mask;
    if (modifiers & 0x1000)
        mask |= ControlMask;
    return mask;
}

} // namespace plumeo
