// The instrument index for Allegro's DIGMID driver, made from TiMidity's
// freepats index.
//
// DIGMID cannot read TiMidity's file as it is: it ignores `dir`, so every
// patch is looked for beside the index; it ignores `bank`/`drumset`, so
// drums land on the melodic programs; and it counts programs from 1. It
// wants program N + 1 for GM program N, and the drum kit as keys between
// "129 begin_multipatch" and "end_multipatch". This writes that, with full
// paths to the patches.
#include "assets.h"
#include "canvas.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace ag {

void writeDigmidPatchIndex(const std::string &timidityCfg, const std::string &out)
{
    namespace fs = std::filesystem;
    std::ifstream in(timidityCfg);
    if (!in)
        fail("cannot read " + timidityCfg);
    fs::path dir = fs::path(timidityCfg).parent_path();
    enum { kNone, kMelodic, kDrums } section = kNone;
    std::map<int, fs::path> melodic, drums;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string first, second;
        if (!(words >> first))
            continue;
        words >> second;
        if (first == "dir") {
            dir = fs::path(second).is_absolute() ? fs::path(second) : fs::path(timidityCfg).parent_path() / second;
        } else if (first == "bank" || first == "drumset") {
            // Only the General MIDI sets: bank 0 and drum set 0.
            section = second != "0" ? kNone : first == "bank" ? kMelodic : kDrums;
        } else if (section != kNone && first.find_first_not_of("0123456789") == std::string::npos && !second.empty()) {
            const int number = std::stoi(first);
            fs::path patch = fs::path(second).is_absolute() ? fs::path(second) : dir / second;
            if (patch.extension().empty())
                patch += ".pat";
            // A missing patch would only make DIGMID give up on the note.
            if (number < 128 && fs::exists(patch))
                (section == kMelodic ? melodic : drums)[number] = patch;
        }
    }
    if (melodic.empty() || drums.empty())
        fail(timidityCfg + " names no usable melodic or drum patches");

    std::FILE *f = std::fopen(out.c_str(), "w");
    if (!f)
        fail("cannot write " + out);
    std::fprintf(f, "# DIGMID instrument index made from %s by the asset generator.\n", timidityCfg.c_str());
    for (const auto &[program, patch] : melodic)
        std::fprintf(f, "%d %s\n", program + 1, patch.c_str());
    std::fprintf(f, "129 begin_multipatch\n");
    for (const auto &[key, patch] : drums)
        std::fprintf(f, "%d %s\n", key, patch.c_str());
    std::fprintf(f, "end_multipatch\n");
    if (std::fclose(f) != 0)
        fail("cannot finish " + out);
}

} // namespace ag
