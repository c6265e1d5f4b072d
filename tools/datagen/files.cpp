// The list of data files and their makers.
#include "datagen.h"
#include "makers.h"

const std::vector<DataFile>& dataFiles() {
    static const std::vector<DataFile> files = {
        // The slowest first: the generator makes files side by side, and the
        // music takes longest.
        {"warmer.ogg", makeMusic},
        {"font.png", makeFont},
        {"skybax.png", makeSky},
        {"trans1.png", makeTransition1},
        {"trans2.png", makeTransition2},
        {"trans3.png", makeTransition3},
        {"trans4.png", makeTransition4},
        {"trans5.png", makeTransition5},
        {"bg3.png", makeFeatherBackground},
        {"feather.png", makeFeather},
        {"feather_alpha.png", makeFeatherAlpha},
        {"tornvale.png", makeLogo},
        {"tornvale_opac.png", makeLogoOpacity},
        {"sopwith.ase", makeSopwith},
        {"kukka.ase", makeKukka},
        {"majakka.png", makeLighthouse},
        {"majakka_light.png", makeLighthouseGlow},
        {"map_twirl.png", makeTwirlMap},
        {"spark.png", makeSpark},
        {"ambrelle_logo.png", makeTitleLogo},
        {"ambrelle_alpha.png", makeTitleAlpha},
        {"bg2.png", makeRainyWindow},
        {"drops01.png", makeDropSheet},
        {"env_red.png", makePlaneTexture},
        {"cloud1.png", makeCloud1},
        {"cloud2.png", makeCloud2},
        {"cloud3.png", makeCloud3},
        {"luola.png", makeCave},
        {"waterfall1.png", makeWaterfall1},
        {"waterfall2.png", makeWaterfall2},
        {"waterfall3.png", makeWaterfall3},
        {"waterfall_pal.png", makeWaterfallPalette},
        {"luola_alpha.png", makeWaterfallAlpha},
        {"fontgreet.png", makeGreetingFont},
        {"bg.png", makeMeadow},
        {"kukka.png", makeFlowerTexture},
        {"dragonfly.png", makeDragonfly},
        {"dragonfly_opac.png", makeDragonflyOpacity},
        {"df_wing1.png", makeWing1},
        {"df_wing2.png", makeWing2},
        {"df_wing3.png", makeWing3},
        {"credits.png", makeCredits},
        {"credits_opac.png", makeCreditsOpacity},
    };
    return files;
}
