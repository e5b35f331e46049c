// brindlecove-assetgen OUTPUT_DIR MAIN_FONT NOTICE_FONT TIMIDITY_CFG
// brindlecove-assetgen --icons OUTPUT_DIR SIZE...
//
// Draws every picture, font sheet and sound the game uses and writes them
// to OUTPUT_DIR. The build then packs them into graphics.dat, font.dat and
// sound.dat with Allegro's `dat` tool. File names start with the object's
// index in its datafile, and the build adds them in that order, because
// the game looks objects up by position.
//
// MAIN_FONT and NOTICE_FONT are packaged PCF bitmap fonts; TIMIDITY_CFG is
// the freepats index, rewritten as OUTPUT_DIR/digmid.cfg in the form
// Allegro's DIGMID driver reads.
//
// --icons writes only the desktop icon, OUTPUT_DIR/icon-SIZE.png for each
// SIZE, drawn from the same sprites; the install rules put them in the
// icon theme.
#include "assets.h"
#include "canvas.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace ag;

namespace {

void writeGraphics(const std::string &dir)
{
    auto save = [&dir](BITMAP *bmp, const char *name) { saveAndFree(bmp, dir, name); };
    auto saveAll = [&save](const Frames &frames, const char *const names[]) {
        for (size_t i = 0; i < frames.size(); ++i)
            save(frames[i], names[i]);
    };

    static const char *const coins[] = {"gfx00_coin0.pcx", "gfx01_coin1.pcx", "gfx02_coin2.pcx", "gfx03_coin3.pcx"};
    saveAll(coinFrames(), coins);
    save(nearBackground(), "gfx04_hills.pcx");
    save(farBackground(), "gfx05_mountains.pcx");
    save(grassBlock(), "gfx06_grass_block.pcx");
    save(bullet(), "gfx07_bullet.pcx");
    save(clockPickup(), "gfx08_clock.pcx");
    static const char *const enemy[] = {"gfx09_enemy0.pcx", "gfx10_enemy1.pcx"};
    saveAll(enemyFrames(), enemy);
    save(movingPlatform(), "gfx11_platform.pcx");
    save(exitDoor(), "gfx12_exit.pcx");
    save(ammoPickup(), "gfx13_ammo.pcx");
    static const char *const lava[] = {"gfx14_lava0.pcx", "gfx15_lava1.pcx", "gfx16_lava2.pcx", "gfx17_lava3.pcx",
                                       "gfx18_lava4.pcx"};
    saveAll(lavaFrames(), lava);
    static const char *const gameOver[] = {"gfx19_game_over0.pcx", "gfx20_game_over1.pcx"};
    saveAll(gameOverFrames(), gameOver);
    save(titlePicture(), "gfx21_title.pcx");
    save(stoneBlock(), "gfx22_stone_block.pcx");
    save(crateBlock(), "gfx23_crate_block.pcx");
    static const char *const player[] = {"gfx24_player_air.pcx", "gfx25_player_stand.pcx", "gfx26_player_step.pcx"};
    saveAll(playerFrames(), player);
    save(metalBlock(), "gfx27_metal_block.pcx");
    static const char *const spikes[] = {"gfx28_spikes0.pcx", "gfx29_spikes1.pcx"};
    saveAll(spikeFrames(), spikes);
}

void writeFonts(const std::string &dir, const std::string &mainFont, const std::string &noticeFont)
{
    PALETTE pal;
    fontSheetPalette(pal);
    saveAndFree(fontSheet(loadPcfFont(mainFont)), dir, "font0_main.pcx", pal);
    saveAndFree(fontSheet(loadPcfFont(noticeFont)), dir, "font1_notice.pcx", pal);
}

void writeSounds(const std::string &dir)
{
    writeWav(dir + "/snd0_enemy_struck.wav", enemyStruckSound());
    writeLevelMusic(dir + "/snd1_level_music.mid");
    writeWav(dir + "/snd2_pickup.wav", pickupSound());
    writeWav(dir + "/snd3_empty_click.wav", emptyClickSound());
    writeWav(dir + "/snd4_shot.wav", shotSound());
    writeWav(dir + "/snd5_jump.wav", jumpSound());
    writeWav(dir + "/snd6_life_lost.wav", lifeLostSound());
    writeWav(dir + "/snd7_level_done.wav", levelDoneSound());
    writeWav(dir + "/snd8_game_over.wav", gameOverSound());
    writeWav(dir + "/snd9_bonus_time.wav", bonusTimeSound());
    writeWav(dir + "/snd10_menu_move.wav", menuMoveSound());
    writeWav(dir + "/snd11_menu_choose.wav", menuChooseSound());
}

} // namespace

int main(int argc, char **argv)
{
    const bool icons = argc >= 3 && std::string(argv[1]) == "--icons";
    std::vector<int> sizes;
    for (int i = 3; icons && i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: not an icon size: %s\n", argv[0], argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }
    if (icons ? sizes.empty() : argc != 5) {
        std::fprintf(stderr,
                     "usage: %s OUTPUT_DIR MAIN_FONT NOTICE_FONT TIMIDITY_CFG\n"
                     "       %s --icons OUTPUT_DIR SIZE...\n",
                     argv[0], argv[0]);
        return 2;
    }
    const std::string dir = argv[icons ? 2 : 1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        fail("cannot create " + dir + ": " + ec.message());

    // No display is needed: the neutral system driver gives memory bitmaps
    // and file I/O, which is all the generator uses.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        fail(std::string("cannot start Allegro: ") + allegro_error);
    set_color_depth(32);
    set_color_conversion(COLORCONV_NONE);

    if (icons) {
        writeIcons(dir, sizes);
        return 0;
    }
    writeGraphics(dir);
    writeFonts(dir, argv[2], argv[3]);
    writeSounds(dir);
    writeDigmidPatchIndex(argv[4], dir + "/digmid.cfg");
    return 0;
}
