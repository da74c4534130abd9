#ifndef CLIPREEL_CLI_MOVIE_REPORT_H
#define CLIPREEL_CLI_MOVIE_REPORT_H

#include "FileLocator.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

class CZentiMovFile;
class CSoundFormatInfo;

namespace clipreel {
namespace cli {

// What `clipreel info` says about a movie file, as one JSON object with the
// field names the README documents. The text form is printed from the same
// object, so both always agree.
nlohmann::json DescribeMovieFile(const CZentiMovFile& file, const std::string& displayPath);

// A sound format as {"format", "channels", "bits_per_sample", "sample_rate",
// "bytes_per_frame"}; null for an invalid one.
nlohmann::json DescribeSoundFormat(const CSoundFormatInfo& format);

// A file that ends inside one of its atoms (an interrupted copy) with a
// whole movie atom is no reference movie: the report's kind becomes
// "truncated" and "salvage" says how many of its units `clipreel salvage`
// can recover. Other files' reports stay as they are.
void DescribeCutReel(const FileLocator& locator, nlohmann::json& report);

void PrintMovieReport(const nlohmann::json& report, std::FILE* out);

// A four-character code as text, non-printable bytes as '?'.
std::string FourCCText(std::uint32_t code);

}
}

#endif
