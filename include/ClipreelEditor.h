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
#include "ClipreelReelOperations.h"
// Beside the editor: details and frame pictures for tools.
#include "MovieDetails.h"
#include "MovieFrames.h"

#endif
