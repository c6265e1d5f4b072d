// The sine and cosine lookup tables, indexed by a 16-bit angle.
#pragma once

#include "engine/fixed.h"

// 65536 angle units per full turn. Index i stands for the angle
// 2*pi*i/65536 - pi: index 32768 is angle 0, 49152 is +pi/2, 16384 is -pi/2,
// 0 is -pi. Values are 16.16 sines in -65535..65535 (65536 never occurs).
// cosineTable[i] is sineTable[(i + 16384) & 0xFFFF]: a quarter turn ahead.
// Both are all zero until buildTrigTables() has run.
extern Fixed sineTable[65536];
extern Fixed cosineTable[65536];

// Called once per table-building pass (there are four); the loading screen
// advances its bar after the first three.
using TrigPassCallback = void (*)(int passIndex);

// Fills both tables in four passes: the first quarter by calling sin() on a
// repeatedly stepped double, a mirror, a negation, and the cosine copy.
void buildTrigTables(TrigPassCallback afterPass = nullptr);
