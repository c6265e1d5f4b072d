// Builds the sine and cosine tables exactly as the show always has: the decimal
// constant for pi and the repeated addition are part of the values' identity.
#include "engine/trig_tables.h"

#include <cmath>

Fixed sineTable[65536];
Fixed cosineTable[65536];

void buildTrigTables(TrigPassCallback afterPass) {
    double a = -3.141592653589;
    const double step = 2 * 3.141592653589 / 65536;
    for (int i = 0; i < 16384; i++) {
        sineTable[i] = static_cast<Fixed>(std::sin(a) * 65536.0);
        a += step;
    }
    if (afterPass) afterPass(0);
    for (int j = 0; j < 16384; j++) sineTable[16384 + j] = sineTable[16383 - j];
    if (afterPass) afterPass(1);
    for (int i = 0; i < 32768; i++) sineTable[32768 + i] = -sineTable[i];
    if (afterPass) afterPass(2);
    for (int i = 0; i < 65536; i++) cosineTable[i] = sineTable[(i + 16384) & 0xFFFF];
    if (afterPass) afterPass(3);
}
