#include "tests/support/SampleFolderSuite.h"

#include "sample/SampleMovieWriter.h"

namespace clipreel {
namespace test {

std::unique_ptr<TempDir> SampleFolderSuite::sharedFolder;
std::map<std::string, sample::SampleMovieLayout> SampleFolderSuite::layouts;

void SampleFolderSuite::SetUpTestSuite() {
    sharedFolder = std::make_unique<TempDir>();
    layouts.clear();
}

void SampleFolderSuite::TearDownTestSuite() {
    layouts.clear();
    sharedFolder.reset();
}

const sample::SampleMovieLayout& SampleFolderSuite::WriteReel(const std::string& name,
                                                              const sample::SampleMovieSpec& spec) {
    return layouts[name] = sample::WriteSampleMovie(sharedFolder->File(name), spec);
}

}
}
