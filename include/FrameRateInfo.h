#ifndef CLIPREEL_FRAME_RATE_INFO_H
#define CLIPREEL_FRAME_RATE_INFO_H

#include "ClipreelExport.h"

// An exact video frame rate: rateNumerator / rateDenominator frames per
// second, that is a time scale and the duration of one frame in it.
class CLIPREEL_API CFrameRateInfo2 {
public:
    CFrameRateInfo2();
    CFrameRateInfo2(unsigned numerator, unsigned denominator);

    void InitWithDurationPerFrame(unsigned duration, unsigned timeScale);
    bool GetFrameRate(unsigned& numerator, unsigned& denominator) const;
    bool GetDurationPerFrame(unsigned& duration, unsigned& timeScale) const;
    bool IsValid() const;

    bool operator==(const CFrameRateInfo2& other) const;
    CFrameRateInfo2& operator=(const CFrameRateInfo2& other);
    CFrameRateInfo2(const CFrameRateInfo2& other) = default;

private:
    bool valid;
    unsigned rateNumerator;
    unsigned rateDenominator;
};

#endif
