#ifndef CLIPREEL_TESTS_EDITOR_SAVE_SAVE_FIXTURE_H
#define CLIPREEL_TESTS_EDITOR_SAVE_SAVE_FIXTURE_H

// What the save tests share: sample reels opened through the library, a
// walk over the files they write, progress calls and outside tools.
#include "tests/support/AtomWalk.h"
#include "tests/support/Commands.h"
#include "tests/support/SampleReel.h"
#include "tests/support/TestSupport.h"

#endif
