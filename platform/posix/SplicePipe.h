#ifndef CLIPREEL_PLATFORM_POSIX_SPLICE_PIPE_H
#define CLIPREEL_PLATFORM_POSIX_SPLICE_PIPE_H

#include "platform/FileSystem.h"

#if defined(__linux__)

#include <cstdint>

#include <sys/types.h>

namespace clipreel {
namespace platform {

// Moves up to count bytes from in at from to out at to through the thread's
// pipe: the source's cached pages go into the pipe by reference and are
// copied once, into the destination's cache. Both offsets are given to the
// calls, so the file positions move only by what reached the destination, at
// the end: a failure halfway leaves nothing unaccounted for, and the bytes
// still in the pipe are dropped with it and read again by whoever copies
// the rest. Both must be regular files (EINVAL otherwise).
bool SpliceRange(int in, off_t from, int out, off_t to, std::uint32_t count, std::uint32_t& moved, ErrorNumber& error);

}
}

#endif

#endif
