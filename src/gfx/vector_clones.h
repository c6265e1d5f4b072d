// Marks a hot pixel loop to be compiled twice, for AVX2 and for the baseline
// instruction set, the variant chosen once when the program starts. Both are
// the same source, so they give the same bits; where the toolchain cannot do
// this the loop is compiled once.
#pragma once

#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__) && !defined(AMBRELLE_NO_VECTOR_CLONES)
#define AMBRELLE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define AMBRELLE_VECTOR_CLONES
#endif
