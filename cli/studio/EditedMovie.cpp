#include "EditedMovie.h"

#include "ClipreelMovie.h"
#include "ClipreelReelOperations.h"
#include "cli/CommandPaths.h"
#include "ZentiMovFile.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace clipreel {
namespace studio {

ReelInOrder::ReelInOrder(const std::filesystem::path& source, const std::vector<unsigned>& order)
    : file(cli::LocatorFor(source)), reel(&file) {
    if (!file.IsValid() || !reel.IsValid()) return;
    std::vector<unsigned> current;
    reel.GetEditingState(current);
    valid = order == current || (reel.IsEditable() && reel.SetEditingState(order));
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteEditedMovie(const std::filesystem::path& source,
                                                             const std::vector<unsigned>& order,
                                                             const std::filesystem::path& destination,
                                                             bool reference, ClipreelProgressCallback callback,
                                                             void* userData) {
    ReelInOrder opened(source, order);
    if (!opened.Valid()) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    CClipreelMovFileEditor editor(opened.file);
    editor.SetProgressCallback(callback, userData);
    const FileLocator target = cli::LocatorFor(destination);
    return reference ? editor.CreateReferenceMovFile(target, &opened.reel)
                     : editor.CreateNewMovFile(target, &opened.reel);
}

namespace {

// A joiner over the parts' files, which it needs while it lives.
class OpenJoin {
public:
    explicit OpenJoin(const std::vector<JoinPart>& parts) {
        for (const JoinPart& part : parts) {
            files.push_back(std::make_unique<CZentiMovFile>(cli::LocatorFor(part.source)));
            if (!joiner.AddReel(*files.back(), part.order)) {
                refusal = part.source.filename().u8string() + ": " + joiner.GetRefusalReason();
                return;
            }
        }
        if (parts.size() < 2) refusal = "join two reels or more";
    }

    std::vector<std::unique_ptr<CZentiMovFile>> files;
    CClipreelReelJoiner joiner;
    std::string refusal;
};

}

std::string JoinRefusal(const std::vector<JoinPart>& parts) {
    return OpenJoin(parts).refusal;
}

CClipreelMovFileEditor::ERROR_CREATEMOVFILE WriteJoinedMovie(const std::vector<JoinPart>& parts,
                                                             const std::filesystem::path& destination,
                                                             ClipreelProgressCallback callback, void* userData) {
    OpenJoin join(parts);
    if (!join.refusal.empty()) return CClipreelMovFileEditor::CREATEMOVFILE_INVALID_SOURCE;
    join.joiner.SetProgressCallback(callback, userData);
    return join.joiner.CreateJoinedMovFile(cli::LocatorFor(destination));
}

std::string CheckOutputName(const std::string& name, const std::string& wanted) {
    if (name.empty()) return "give the new movie a name";
    if (name.size() > 200) return "the name is too long";
    if (name[0] == '.') return "the name must not start with a dot";
    for (const char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
            c == '"' || c == '<' || c == '>' || c == '|') {
            return "the name must be a plain file name, without folders or special characters";
        }
    }
    std::string extension = name.size() >= wanted.size() ? name.substr(name.size() - wanted.size()) : std::string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != wanted) {
        std::string shown = wanted;
        std::transform(shown.begin(), shown.end(), shown.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return "the name must end in " + shown;
    }
    return std::string();
}

}
}
