#include "FrameRateInfo.h"

CFrameRateInfo2::CFrameRateInfo2() : valid(false), rateNumerator(0), rateDenominator(0) {}

CFrameRateInfo2::CFrameRateInfo2(unsigned numerator, unsigned denominator)
    : valid(false), rateNumerator(0), rateDenominator(0) {
    if (numerator != 0 && denominator != 0) {
        valid = true;
        rateNumerator = numerator;
        rateDenominator = denominator;
    }
}

void CFrameRateInfo2::InitWithDurationPerFrame(unsigned duration, unsigned timeScale) {
    if (duration == 0 || timeScale == 0) return;
    valid = true;
    rateNumerator = timeScale;
    rateDenominator = duration;
}

bool CFrameRateInfo2::GetFrameRate(unsigned& numerator, unsigned& denominator) const {
    numerator = rateNumerator;
    denominator = rateDenominator;
    return valid;
}

bool CFrameRateInfo2::GetDurationPerFrame(unsigned& duration, unsigned& timeScale) const {
    duration = rateDenominator;
    timeScale = rateNumerator;
    return valid;
}

bool CFrameRateInfo2::IsValid() const { return valid; }

bool CFrameRateInfo2::operator==(const CFrameRateInfo2& other) const {
    if (!valid || !other.valid) return valid == other.valid;
    return rateNumerator == other.rateNumerator && rateDenominator == other.rateDenominator;
}

CFrameRateInfo2& CFrameRateInfo2::operator=(const CFrameRateInfo2& other) {
    valid = other.valid;
    rateNumerator = other.rateNumerator;
    rateDenominator = other.rateDenominator;
    return *this;
}
