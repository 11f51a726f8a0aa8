#pragma once
// Windows virtual-key codes, the key numbers of the data model and the key tables.
namespace qlm::vk {

inline constexpr int kBack = 8, kTab = 9, kClear = 12, kReturn = 13;
inline constexpr int kShift = 16, kControl = 17, kMenu = 18, kPause = 19, kCapital = 20;
inline constexpr int kEscape = 27, kSpace = 32, kPrior = 33, kNext = 34, kEnd = 35, kHome = 36;
inline constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
inline constexpr int kSelect = 41, kPrint = 42, kExecute = 43, kSnapshot = 44;
inline constexpr int kInsert = 45, kDelete = 46, kHelp = 47;
inline constexpr int k0 = 48, kA = 65;
inline constexpr int kLWin = 91, kRWin = 92, kApps = 93;
inline constexpr int kNumpad0 = 96, kMultiply = 106, kAdd = 107, kSeparator = 108;
inline constexpr int kSubtract = 109, kDecimal = 110, kDivide = 111;
inline constexpr int kF1 = 112, kF12 = 123, kF24 = 135;
inline constexpr int kNumLock = 144, kScroll = 145;
inline constexpr int kLShift = 160, kRShift = 161, kLControl = 162, kRControl = 163;
inline constexpr int kLMenu = 164, kRMenu = 165;
inline constexpr int kOem1 = 186, kOemPlus = 187, kOemComma = 188, kOemMinus = 189;
inline constexpr int kOemPeriod = 190, kOem2 = 191, kOem3 = 192;
inline constexpr int kOem4 = 219, kOem5 = 220, kOem6 = 221, kOem7 = 222, kOem102 = 226;

}  // namespace qlm::vk
