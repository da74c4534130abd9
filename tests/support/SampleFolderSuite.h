#ifndef CLIPREEL_TESTS_SUPPORT_SAMPLE_FOLDER_SUITE_H
#define CLIPREEL_TESTS_SUPPORT_SAMPLE_FOLDER_SUITE_H

#include "sample/SampleMovieTypes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace clipreel {
namespace test {

// A test suite whose sample reels are written once into one folder before
// its first test and removed with the folder after its last. A suite adds
// its reels in its own SetUpTestSuite after calling this one's.
class SampleFolderSuite : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static const TempDir& Folder() { return *sharedFolder; }
    static std::string Path(const std::string& name) { return sharedFolder->File(name).string(); }
    // Writes a reel into the folder and keeps what the writer laid out.
    static const sample::SampleMovieLayout& WriteReel(const std::string& name, const sample::SampleMovieSpec& spec);
    static const sample::SampleMovieLayout& Layout(const std::string& name) { return layouts.at(name); }

private:
    static std::unique_ptr<TempDir> sharedFolder;
    static std::map<std::string, sample::SampleMovieLayout> layouts;
};

}
}

#endif
