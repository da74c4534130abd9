#include "cli/CommandHelp.h"

namespace clipreel {
namespace cli {

namespace {

const char* const ListNotes =
    "Index lists are unit numbers and ranges separated by commas, as `clipreel info` numbers them:\n"
    "\"a-b\" is a range including both ends (descending when b < a), \"last\" the reel's last unit.\n"
    "  2,0,3          units 2, 0 and 3, in that order\n"
    "  0-3,7          units 0, 1, 2, 3 and 7\n"
    "  last-0         the last unit down to 0: the reel reversed\n"
    "  last-1-last    the last two units (\"last-N\", N before the last, ends a range)\n"
    "\"last-N\" alone for N > 0 is refused as ambiguous (a range down to N, or the unit N before the\n"
    "last?); the message gives both spellings. A list is checked whole before anything is written.\n";

const char* const SaveNotes =
    "The output is written to a temporary file beside it and renamed into place when complete;\n"
    "Ctrl-C stops the save and removes the temporary file (a second Ctrl-C too).\n";

std::vector<CommandHelp> MakeCommandHelps() {
    std::vector<CommandHelp> helps;
    helps.push_back({"info",
                     "FILE...",
                     "[--json]",
                     "describe a camera movie and list its shooting units",
                     "--json prints one object per file (an array for several) with ffprobe's field names;\n"
                     "the README lists every field.\n",
                     {{"clipreel info reel.mov", "Shooting units:     4 (120 frames, 4.004 s)", 0},
                      {"clipreel info --json reel.mov", "\"codec_name\": \"h264\",", 0},
                      {"clipreel info missing.mov", "clipreel: cannot read missing.mov: No such file or directory", 3}},
                     1,
                     0});
    helps.push_back(
        {"edit",
         "SRC DST",
         "(--keep LIST | --remove LIST)",
         "write a new movie holding only the kept shooting units, in the chosen order",
         std::string(ListNotes) + "\n" + SaveNotes,
         {{"clipreel edit reel.mov short.mov --remove 1,2", "wrote short.mov: 2 shooting units (0,3)", 0},
          {"clipreel edit reel.mov reversed.mov --keep last-0", "wrote reversed.mov: 4 shooting units (3-0)", 0},
          {"clipreel edit reel.mov two.mov --keep last-1-last --dry-run",
           "would write two.mov: 2 shooting units (2,3), 2.002 s", 0},
          {"clipreel edit reel.mov five.mov --keep 0,5",
           "clipreel: index 5 is out of range: the reel has 4 shooting units (0 to 3)", 2}},
         2,
         2});
    helps.push_back({"reference",
                     "SRC DST",
                     "[--keep LIST | --remove LIST]",
                     "write a reference movie: a movie atom whose media stay in the source file",
                     ListNotes,
                     {{"clipreel reference reel.mov ref.mov --keep 2,0",
                       "wrote ref.mov (reference movie): 2 shooting units (2,0)", 0},
                      {"clipreel info ref.mov", "Camera movie:       no: a reference movie", 0}},
                     2,
                     2});
    helps.push_back({"thumbnail",
                     "REEL OUT.jpg | -o DIR REEL...",
                     "",
                     "save the movie's embedded thumbnail as a JPEG file",
                     "With --output-dir (-o) every operand is a reel, and each thumbnail is named after its\n"
                     "reel: DIR/REEL.jpg. Without it the command takes one reel and its JPEG file.\n",
                     {{"clipreel thumbnail reel.mov thumb.jpg", "wrote thumb.jpg: 16384 bytes", 0},
                      {"clipreel edit reel.mov short.mov --remove 0 -q", "", 0},
                      {"clipreel thumbnail -o thumbs reel.mov short.mov", "wrote thumbs/short.jpg", 0},
                      {"clipreel thumbnail reel.mov short.mov",
                       "clipreel: the output short.mov names a movie, not a JPEG file", 2}},
                     1,
                     0});
    helps.push_back({"sheet",
                     "REEL OUT.jpg | -o DIR REEL...",
                     "[--columns N]",
                     "make a contact sheet: the first frame of every shooting unit, labelled with index and duration",
                     "With --output-dir (-o) every operand is a reel, and each sheet is named after its reel:\n"
                     "DIR/REEL-sheet.jpg. Without it the command takes one reel and its JPEG file.\n",
                     {{"clipreel sheet reel.mov sheet.jpg", "wrote sheet.jpg: 4 shooting units, 680 x 156 pixels", 0},
                      {"clipreel edit reel.mov short.mov --remove 0 -q", "", 0},
                      {"clipreel sheet -o sheets reel.mov short.mov --columns 2",
                       "wrote sheets/short-sheet.jpg: 3 shooting units", 0}},
                     1,
                     0});
    helps.push_back(
        {"wav",
         "WAVFILE",
         "[--movie FILE] [--json]",
         "describe a WAV file and, with --movie, whether its sound matches a movie's",
         "With --movie the exit code is 5 when the sound formats differ, and the first\n"
         "difference is named.\n",
         {{"clipreel wav stereo.wav --movie reel.mov", "Matches movie: yes", 0},
          {"clipreel wav mono.wav --movie reel.mov", "Matches movie: no: sound: 1 channel, the movie has 2", 5}},
         1,
         1});
    helps.push_back({"sample",
                     "DST",
                     "[--units N] [--fps RATE] ...",
                     "write a sample Clipreel movie (real H.264 frames, each unit its own colour and number)",
                     "",
                     {{"clipreel sample demo.mov --units 3",
                       "wrote demo.mov: 3 shooting units of 30 frames at 30000/1001, with sound", 0},
                      {"clipreel sample pal.mov --fps 25 --units 1 --no-sound",
                       "wrote pal.mov: 1 shooting unit of 25 frames at 25, no sound", 0}},
                     1,
                     1});
    helps.push_back({"split",
                     "REEL OUTDIR",
                     "[--keep LIST]",
                     "write each shooting unit of a reel as its own one-unit reel",
                     std::string("Each unit is written as OUTDIR/REEL-uNNN.mov, NNN its original index.\n") + ListNotes,
                     {{"clipreel split reel.mov parts --keep 3,0-1", "wrote 3 reels to parts:", 0},
                      {"clipreel split reel.mov parts --keep last", "clipreel: parts/reel-u003.mov already exists", 6}},
                     2,
                     2});
    helps.push_back({"join",
                     "OUT REEL[:LIST] REEL[:LIST]...",
                     "",
                     "combine the units of two or more reels of one shape into one reel, in the given order",
                     "REEL:LIST takes only the listed units of REEL, in that order (index lists as for edit:\n"
                     "0-3,7, last-0). Reels of another shape are refused before anything is written, naming\n"
                     "the first difference.\n",
                     {{"clipreel split reel.mov parts -q", "", 0},
                      {"clipreel join joined.mov reel.mov:3,1 parts/reel-u000.mov",
                       "wrote joined.mov: 3 shooting units from 2 reels", 0},
                      {"clipreel sample wide.mov --width 640 --height 480 --dummy-frames -q", "", 0},
                      {"clipreel join j.mov reel.mov wide.mov",
                       "clipreel: cannot join wide.mov: its video is 640x480, the first reel's is 320x240", 3}},
                     3,
                     0});
    helps.push_back({"salvage",
                     "DAMAGED OUT",
                     "",
                     "recover the whole shooting units of a reel cut short (an interrupted copy)",
                     "",
                     {{"head -c 400000 reel.mov > cut.mov", "", 0},
                      {"clipreel info cut.mov", "`clipreel salvage` can recover", 3},
                      {"clipreel salvage cut.mov saved.mov", "wrote saved.mov: recovered", 0}},
                     2,
                     2});
    helps.push_back({"export",
                     "REEL OUT.mp4",
                     "[--keep LIST | --remove LIST] [--sound-bitrate RATE]",
                     "write the kept shooting units as an MP4 for sharing (browsers, phones, messaging)",
                     std::string("The MP4 holds the kept units in order: the H.264 frames copied as they are (never\n"
                                 "re-encoded), the sound encoded as AAC-LC and cut at the same unit boundaries, the\n"
                                 "movie atom first so it plays while it downloads, and the recording's creation time.\n"
                                 "Nothing of the camera's own records (its settings, the thumbnail, the unit layout)\n"
                                 "is kept: the file is no camera reel any more, and clipreel cannot edit it again.\n"
                                 "Not available in the Windows build.\n\n") +
                         ListNotes,
                     {{"clipreel export reel.mov share.mp4 --keep last-0 -q", "", 0},
                      {"clipreel info share.mp4", "clipreel: share.mp4 ", 3},
                      {"clipreel export reel.mov two.mp4 --remove 0,1 --dry-run", "2 shooting units (2,3)", 0}},
                     2,
                     2});
    helps.push_back({"studio",
                     "REEL...",
                     "[--port N]",
                     "edit reels in the browser: serves a local page on 127.0.0.1 and prints its address",
                     "The page stays served until Ctrl-C.\n",
                     {},
                     1,
                     0});
    return helps;
}

}

const std::vector<CommandHelp>& CommandHelps() {
    static const std::vector<CommandHelp> helps = MakeCommandHelps();
    return helps;
}

const CommandHelp* FindCommandHelp(const std::string& name) {
    for (const CommandHelp& help : CommandHelps()) {
        if (help.name == name) return &help;
    }
    return nullptr;
}

const char* ToolSummary() {
    return "clipreel: inspect and edit the movies a camera records in Clipreel mode,\n"
           "losslessly: remove and reorder shooting units, write new or reference movies.\n";
}

}
}
