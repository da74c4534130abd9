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

// For a file cut short: what `clipreel salvage` can do with it, as the end
// of the sentence that says what is wrong ("; `clipreel salvage` can
// recover 2 of its 4 shooting units", or why it cannot), and as JSON in
// salvage: {shooting_units, recoverable_units, refusal}.
std::string DescribeSalvage(const FileLocator& locator, nlohmann::json& salvage);

void PrintMovieReport(const nlohmann::json& report, std::FILE* out);

// A four-character code as text, non-printable bytes as '?'.
std::string FourCCText(std::uint32_t code);

}
}

#endif
