#include "source/FrameRateTables.h"

namespace clipreel {
namespace {

struct RateRow {
    unsigned timeScale;
    unsigned frameDuration;
    unsigned groupOfPicture;
    unsigned groupsPerUnit;
    unsigned montagioFramesPerSecond;
};

constexpr RateRow Rates[] = {
    {2000, 100, 10, 2, 20},
    {24000, 1001, 12, 2, 24},
    {25000, 1000, 12, 2, 24},
    {30000, 1001, 15, 2, 30},
    {3000, 100, 15, 2, 30},
    {50000, 1000, 12, 4, 48},
    {60000, 1001, 15, 4, 60},
};

const RateRow* FindRate(const CFrameRateInfo2& rate) {
    if (!rate.IsValid()) return nullptr;
    for (const RateRow& row : Rates) {
        if (CFrameRateInfo2(row.timeScale, row.frameDuration) == rate) return &row;
    }
    return nullptr;
}

}

unsigned GroupOfPictureForRate(const CFrameRateInfo2& rate) {
    const RateRow* row = FindRate(rate);
    return row ? row->groupOfPicture : 0;
}

unsigned GroupsPerUnitForRate(const CFrameRateInfo2& rate) {
    const RateRow* row = FindRate(rate);
    return row ? row->groupsPerUnit : 0;
}

unsigned MontagioFramesPerSecondForRate(const CFrameRateInfo2& rate) {
    const RateRow* row = FindRate(rate);
    return row ? row->montagioFramesPerSecond : 0;
}

}
