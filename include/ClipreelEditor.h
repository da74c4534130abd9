#ifndef CLIPREEL_EDITOR_H
#define CLIPREEL_EDITOR_H

// Everything a caller of the ClipreelEditor library uses.
#include "ClipreelExport.h"
#include "DebugOutput.h"
#include "FileLocator.h"
#include "FrameRateInfo.h"
#include "SoundFormat.h"
#include "ZentiMovie.h"
#include "ZentiMovFile.h"
#include "ClipreelMovie.h"
#include "ClipreelMovFileEditor.h"

#endif
