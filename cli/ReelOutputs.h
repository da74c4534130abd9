#ifndef CLIPREEL_CLI_REEL_OUTPUTS_H
#define CLIPREEL_CLI_REEL_OUTPUTS_H

#include <string>
#include <vector>

namespace clipreel {
namespace cli {

// The files one reel command writes, all or none: each output is refused
// when it exists (unless forced) or is one of the command's inputs; the
// library writes a temporary file beside each, and only when every one was
// written are they renamed into place. Temporaries left by a failure or a
// cancel are removed when the set goes.
class ReelOutputs {
public:
    ReelOutputs(bool force, std::vector<std::string> inputs);
    ~ReelOutputs();
    ReelOutputs(const ReelOutputs&) = delete;
    ReelOutputs& operator=(const ReelOutputs&) = delete;

    // False, after a complaint, when the output may not be written.
    bool Add(const std::string& path);
    // Where the library writes the output added as index-th.
    std::string TemporaryPath(std::size_t index) const;
    // Renames every temporary into place; false, after a complaint and with
    // the remaining temporaries removed, when one cannot be.
    bool Commit();

private:
    bool force;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    bool committed = false;
};

}
}

#endif
