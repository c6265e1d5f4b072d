// The makers of the data set, one line per maker; files.cpp lists them with
// the names of the files they write.
#pragma once

#include <string>

bool makeFont(const std::string& dir);               // font.png
bool makeSky(const std::string& dir);                // skybax.png
bool makeMusic(const std::string& dir);              // warmer.ogg
bool makeTransition1(const std::string& dir);        // trans1.png
bool makeTransition2(const std::string& dir);        // trans2.png
bool makeTransition3(const std::string& dir);        // trans3.png
bool makeTransition4(const std::string& dir);        // trans4.png
bool makeTransition5(const std::string& dir);        // trans5.png
bool makeFeatherBackground(const std::string& dir);  // bg3.png
bool makeFeather(const std::string& dir);            // feather.png
bool makeFeatherAlpha(const std::string& dir);       // feather_alpha.png
bool makeLogo(const std::string& dir);               // tornvale.png
bool makeLogoOpacity(const std::string& dir);        // tornvale_opac.png
bool makeSopwith(const std::string& dir);            // sopwith.ase
bool makeKukka(const std::string& dir);              // kukka.ase
bool makeLighthouse(const std::string& dir);         // majakka.png
bool makeLighthouseGlow(const std::string& dir);     // majakka_light.png
bool makeTwirlMap(const std::string& dir);           // map_twirl.png
bool makeSpark(const std::string& dir);              // spark.png
bool makeTitleLogo(const std::string& dir);          // ambrelle_logo.png
bool makeTitleAlpha(const std::string& dir);         // ambrelle_alpha.png
bool makeRainyWindow(const std::string& dir);        // bg2.png
bool makeDropSheet(const std::string& dir);          // drops01.png
bool makePlaneTexture(const std::string& dir);       // env_red.png
bool makeCloud1(const std::string& dir);             // cloud1.png
bool makeCloud2(const std::string& dir);             // cloud2.png
bool makeCloud3(const std::string& dir);             // cloud3.png
bool makeCave(const std::string& dir);               // luola.png
bool makeWaterfall1(const std::string& dir);         // waterfall1.png
bool makeWaterfall2(const std::string& dir);         // waterfall2.png
bool makeWaterfall3(const std::string& dir);         // waterfall3.png
bool makeWaterfallPalette(const std::string& dir);   // waterfall_pal.png
bool makeWaterfallAlpha(const std::string& dir);     // luola_alpha.png
bool makeGreetingFont(const std::string& dir);       // fontgreet.png
bool makeMeadow(const std::string& dir);             // bg.png
bool makeFlowerTexture(const std::string& dir);      // kukka.png
bool makeDragonfly(const std::string& dir);          // dragonfly.png
bool makeDragonflyOpacity(const std::string& dir);   // dragonfly_opac.png
bool makeWing1(const std::string& dir);              // df_wing1.png
bool makeWing2(const std::string& dir);              // df_wing2.png
bool makeWing3(const std::string& dir);              // df_wing3.png
bool makeCredits(const std::string& dir);            // credits.png
bool makeCreditsOpacity(const std::string& dir);     // credits_opac.png
