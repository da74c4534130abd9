#ifndef CLIPREEL_SOURCE_FRAME_RATE_TABLES_H
#define CLIPREEL_SOURCE_FRAME_RATE_TABLES_H

#include "FrameRateInfo.h"

namespace clipreel {

// The camera's fixed tables, keyed by an exact frame rate. Each answers 0
// for a rate the camera does not record (or an invalid rate).

// Frames per group of pictures.
unsigned GroupOfPictureForRate(const CFrameRateInfo2& rate);
// Groups of pictures per stored sample unit.
unsigned GroupsPerUnitForRate(const CFrameRateInfo2& rate);
// Whole frames per second as the Montagio clip arithmetic counts them
// (25 frames per second count as 24, 50 as 48).
unsigned MontagioFramesPerSecondForRate(const CFrameRateInfo2& rate);

}

#endif
