// The three bytes a button function is sent as in the button-assignment report. Codes that are
// not listed are sent as 0, 0, 0.
#pragma once

#include <array>
#include <cstdint>

namespace qx4 {

struct FunctionWire {
    std::uint8_t a;
    std::uint8_t b;
    std::uint8_t c;

    friend constexpr bool operator==(const FunctionWire&, const FunctionWire&) = default;
};

struct FunctionWireEntry {
    std::uint8_t code;
    FunctionWire wire;
};

inline constexpr std::uint8_t kKeyboardFunctionCode = 16;
inline constexpr std::uint8_t kMacroFunctionCode = 17;
inline constexpr std::uint8_t kKeystrokeWireA = 17;  // B is a modifier byte, C a key code

// Code 16 is completed by the encoder with modifierMask (B) and keyCode (C); code 17 with 0 (B)
// and the macro slot of the binding (C).
inline constexpr std::array<FunctionWireEntry, 60> FunctionWireTable{{
    {0, {1, 0, 0}},     {1, {2, 0, 0}},     {2, {3, 0, 0}},     {3, {4, 0, 0}},
    {4, {6, 0, 0}},     {5, {5, 0, 0}},     {6, {13, 0, 0}},    {7, {14, 0, 0}},
    {8, {15, 0, 0}},    {9, {7, 0, 0}},     {10, {8, 0, 0}},    {11, {9, 0, 0}},
    {12, {10, 0, 0}},   {13, {11, 0, 0}},   {14, {12, 0, 0}},   {16, {17, 0, 0}},
    {17, {18, 0, 0}},   {19, {19, 0, 0}},   {21, {43, 0, 0}},   {22, {16, 0, 5}},
    {32, {17, 1, 27}},  {33, {17, 1, 6}},   {34, {17, 1, 25}},  {35, {17, 1, 18}},
    {36, {17, 1, 22}},  {37, {17, 1, 9}},   {38, {17, 1, 28}},  {39, {17, 1, 29}},
    {40, {17, 1, 4}},   {41, {17, 1, 19}},  {42, {17, 4, 61}},  {43, {17, 4, 43}},
    {44, {17, 8, 7}},   {45, {17, 8, 21}},  {46, {17, 8, 15}},  {47, {17, 1, 17}},
    {48, {17, 1, 46}},  {49, {17, 1, 45}},  {54, {52, 0, 0}},   {55, {53, 0, 0}},
    {56, {54, 0, 0}},   {64, {21, 0, 0}},   {65, {24, 0, 0}},   {66, {25, 0, 0}},
    {67, {22, 0, 0}},   {68, {23, 0, 0}},   {69, {27, 0, 0}},   {70, {28, 0, 0}},
    {71, {26, 0, 0}},   {80, {37, 0, 0}},   {81, {31, 0, 0}},   {82, {32, 0, 0}},
    {83, {33, 0, 0}},   {84, {34, 0, 0}},   {85, {36, 0, 0}},   {86, {38, 0, 0}},
    {87, {30, 0, 0}},   {88, {29, 0, 0}},   {89, {35, 0, 0}},   {115, {20, 0, 0}},
}};

constexpr FunctionWire functionWire(std::uint8_t code) {
    for (const auto& entry : FunctionWireTable) {
        if (entry.code == code) return entry.wire;
    }
    return {0, 0, 0};
}

static_assert(functionWire(33) == FunctionWire{17, 1, 6});
static_assert(functionWire(117) == FunctionWire{0, 0, 0});

}  // namespace qx4
