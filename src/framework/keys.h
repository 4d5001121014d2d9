#pragma once
// The framework's key vocabulary. Key codes (what `key` and `keyp` take) are the platform's key
// symbols: a key with a character is its lower-case character, any other key is its scan code
// with bit 30 set. Scan codes (what the key map holds) are physical key positions. The numbers
// are the platform's own, so the platform layer passes its codes through unchanged.
#include <cstdint>

namespace dx {

// Scan codes.
constexpr int32_t scanUnknown = 0;
constexpr int32_t scanA = 4, scanB = 5, scanC = 6, scanD = 7, scanE = 8, scanF = 9, scanG = 10, scanH = 11, scanI = 12,
                  scanJ = 13, scanK = 14, scanL = 15, scanM = 16, scanN = 17, scanO = 18, scanP = 19, scanQ = 20,
                  scanR = 21, scanS = 22, scanT = 23, scanU = 24, scanV = 25, scanW = 26, scanX = 27, scanY = 28,
                  scanZ = 29;
constexpr int32_t scanReturn = 40, scanEscape = 41, scanBackspace = 42, scanTab = 43, scanSpace = 44;
constexpr int32_t scanF1 = 58, scanF2 = 59, scanF3 = 60, scanF4 = 61, scanF5 = 62, scanF6 = 63, scanF7 = 64,
                  scanF8 = 65, scanF9 = 66, scanF10 = 67, scanF11 = 68, scanF12 = 69;
constexpr int32_t scanRight = 79, scanLeft = 80, scanDown = 81, scanUp = 82;
constexpr int32_t scanLShift = 225, scanRShift = 229;
constexpr int32_t scanAcBack = 270;  // the application-control Back key of phones and remotes

// The key code of a key without a character.
constexpr int32_t keyOfScan(int32_t scanCode) { return scanCode | 0x40000000; }

// Key codes.
constexpr int32_t keyUnknown = 0;
constexpr int32_t keyBackspace = 8, keyTab = 9, keyReturn = 13, keyEscape = 27, keySpace = 32;
constexpr int32_t keyA = 'a', keyB = 'b', keyC = 'c', keyD = 'd', keyE = 'e', keyF = 'f', keyG = 'g', keyH = 'h',
                  keyI = 'i', keyJ = 'j', keyK = 'k', keyL = 'l', keyM = 'm', keyN = 'n', keyO = 'o', keyP = 'p',
                  keyQ = 'q', keyR = 'r', keyS = 's', keyT = 't', keyU = 'u', keyV = 'v', keyW = 'w', keyX = 'x',
                  keyY = 'y', keyZ = 'z';
constexpr int32_t keyF1 = keyOfScan(scanF1), keyF2 = keyOfScan(scanF2), keyF3 = keyOfScan(scanF3),
                  keyF4 = keyOfScan(scanF4), keyF5 = keyOfScan(scanF5), keyF6 = keyOfScan(scanF6),
                  keyF7 = keyOfScan(scanF7), keyF8 = keyOfScan(scanF8), keyF9 = keyOfScan(scanF9),
                  keyF10 = keyOfScan(scanF10), keyF11 = keyOfScan(scanF11), keyF12 = keyOfScan(scanF12);
constexpr int32_t keyRight = keyOfScan(scanRight), keyLeft = keyOfScan(scanLeft), keyDown = keyOfScan(scanDown),
                  keyUp = keyOfScan(scanUp);
constexpr int32_t keyLShift = keyOfScan(scanLShift), keyRShift = keyOfScan(scanRShift);
constexpr int32_t keyAcBack = keyOfScan(scanAcBack);

// Modifier bits that come with a key event: either Shift, either Ctrl, either Alt.
constexpr uint16_t modShift = 0x0003, modCtrl = 0x00C0, modAlt = 0x0300;

}  // namespace dx
