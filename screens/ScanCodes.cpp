#include "ScanCodes.h"

#include <Qt>

namespace tonwerk::ui {

namespace {

struct KeyPosition {
    int qtKey;
    int scanCode;
};

// Where a US keyboard has the keys the PC keyboard plays with.
constexpr KeyPosition kUsPositions[] = {
    {Qt::Key_1, 2},      {Qt::Key_2, 3},       {Qt::Key_3, 4},          {Qt::Key_4, 5},           {Qt::Key_5, 6},
    {Qt::Key_6, 7},      {Qt::Key_7, 8},       {Qt::Key_8, 9},          {Qt::Key_9, 10},          {Qt::Key_0, 11},
    {Qt::Key_Q, 16},     {Qt::Key_W, 17},      {Qt::Key_E, 18},         {Qt::Key_R, 19},          {Qt::Key_T, 20},
    {Qt::Key_Y, 21},     {Qt::Key_U, 22},      {Qt::Key_I, 23},         {Qt::Key_A, 30},          {Qt::Key_S, 31},
    {Qt::Key_D, 32},     {Qt::Key_F, 33},      {Qt::Key_G, 34},         {Qt::Key_H, 35},          {Qt::Key_J, 36},
    {Qt::Key_K, 37},     {Qt::Key_L, 38},      {Qt::Key_Semicolon, 39}, {Qt::Key_Apostrophe, 40}, {Qt::Key_Z, 44},
    {Qt::Key_X, 45},     {Qt::Key_C, 46},      {Qt::Key_V, 47},         {Qt::Key_B, 48},          {Qt::Key_N, 49},
    {Qt::Key_M, 50},     {Qt::Key_Comma, 51},  {Qt::Key_Period, 52},    {Qt::Key_Slash, 53},      {Qt::Key_Less, 86},
    {Qt::Key_Space, 57}, {Qt::Key_Insert, 82}, {Qt::Key_Delete, 83},    {Qt::Key_Tab, 15},
};

// The keypad's digits (with the keypad modifier).
constexpr KeyPosition kKeypadPositions[] = {{Qt::Key_1, 79}, {Qt::Key_2, 80}, {Qt::Key_3, 81}, {Qt::Key_4, 75},
                                            {Qt::Key_5, 76}, {Qt::Key_6, 77}, {Qt::Key_7, 71}, {Qt::Key_8, 72},
                                            {Qt::Key_9, 73}, {Qt::Key_0, 82}};

constexpr std::uint32_t kEvdevOffset = 8;

} // namespace

int scanCodeOf(std::uint32_t nativeScanCode, int qtKey, bool keypad) {
    if (nativeScanCode > kEvdevOffset) {
        return static_cast<int>(nativeScanCode - kEvdevOffset);
    }
    if (keypad) {
        for (const KeyPosition& p : kKeypadPositions) {
            if (p.qtKey == qtKey) {
                return p.scanCode;
            }
        }
    }
    for (const KeyPosition& p : kUsPositions) {
        if (p.qtKey == qtKey) {
            return p.scanCode;
        }
    }
    return 0;
}

} // namespace tonwerk::ui
