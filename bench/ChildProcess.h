#ifndef CLIPREEL_BENCH_CHILD_PROCESS_H
#define CLIPREEL_BENCH_CHILD_PROCESS_H

#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

namespace clipreel {
namespace bench {

// Starts a program found on the PATH (or by its path) with its standard
// output going to outputPath and its errors to /dev/null; its process id,
// or -1 when it cannot be started. The caller waits for it.
inline pid_t StartProcess(const std::vector<std::string>& argv, const std::string& outputPath) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (out >= 0) dup2(out, 1);
        if (devnull >= 0) dup2(devnull, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// The processor time, user and system, that a finished child took.
inline double ProcessorSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}
}

#endif
