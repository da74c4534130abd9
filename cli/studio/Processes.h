#ifndef CLIPREEL_STUDIO_PROCESSES_H
#define CLIPREEL_STUDIO_PROCESSES_H

namespace clipreel {
namespace studio {

// The system's number for this process.
int CurrentProcessNumber();

// Whether a process of that number runs (whoever's it is): a folder named
// after a process that no longer runs is left over from it.
bool ProcessRunning(int number);

}
}

#endif
