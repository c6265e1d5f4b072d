// Flushes denormal floating-point numbers to zero while in scope: decaying filter and reverb tails reach them,
// and arithmetic on them is many times slower. Results stay deterministic (the same flags on every run).
#pragma once

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

class DenormalsOff {
   public:
#if defined(__SSE__)
    DenormalsOff() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }  // flush-to-zero, denormals-are-zero
    ~DenormalsOff() { _mm_setcsr(saved_); }

   private:
    unsigned int saved_;
#endif
};
