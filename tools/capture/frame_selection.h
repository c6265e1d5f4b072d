// FrameSelection: which frames of the show the offline renderer writes out,
// as sorted, merged ranges of frame numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "main/show_facts.h"

// Frame k of the show is drawn at FRAME_PERIOD_MS x k ms; the first frame
// whose time reaches SHOW_END_MS carries the end marker and is the last one
// drawn.
constexpr uint32_t LAST_SHOW_FRAME = SHOW_END_MS / FRAME_PERIOD_MS + 1;  // 7576

class FrameSelection {
   public:
    struct Range {
        uint32_t first;  // inclusive
        uint32_t last;   // inclusive
    };

    // Every frame of the show, 1 .. LAST_SHOW_FRAME.
    FrameSelection();

    // A list such as "1,95,200-210": frame numbers and inclusive ranges, comma
    // separated, in any order; overlaps are merged. On failure returns false,
    // leaves the selection unchanged and says why in *error (one line).
    bool parseList(const char* text, std::string* error);
    // The frames whose time 33 x k lies in fromMs .. toMs (inclusive). Fails
    // when no frame of the show falls in the span.
    bool setTimeSpan(uint64_t fromMs, uint64_t toMs, std::string* error);

    // Binary search over the ranges; no allocation.
    bool contains(uint32_t frame) const;
    uint32_t firstFrame() const { return ranges_.front().first; }
    uint32_t lastFrame() const { return ranges_.back().last; }
    uint32_t count() const;
    // One unbroken run of frames (what a video needs).
    bool isContiguous() const { return ranges_.size() == 1; }
    const std::vector<Range>& ranges() const { return ranges_; }

   private:
    std::vector<Range> ranges_;  // sorted, disjoint, not adjacent, never empty
};
