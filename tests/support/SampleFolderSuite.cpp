#include "tests/support/SampleFolderSuite.h"

#include "sample/SampleMovieWriter.h"

namespace clipreel {
namespace test {

std::unique_ptr<TempDir> SampleFolderSuite::folder_;
std::map<std::string, sample::SampleMovieLayout> SampleFolderSuite::layouts_;

void SampleFolderSuite::SetUpTestSuite() {
    folder_ = std::make_unique<TempDir>();
    layouts_.clear();
}

void SampleFolderSuite::TearDownTestSuite() {
    layouts_.clear();
    folder_.reset();
}

const sample::SampleMovieLayout& SampleFolderSuite::WriteReel(const std::string& name,
                                                              const sample::SampleMovieSpec& spec) {
    return layouts_[name] = sample::WriteSampleMovie(folder_->File(name), spec);
}

}
}
