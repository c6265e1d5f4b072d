// Parsing frame lists and time spans into merged frame ranges.
#include "capture/frame_selection.h"

#include <algorithm>
#include <cstring>

#include "main/command_line.h"

FrameSelection::FrameSelection() : ranges_{{1, LAST_SHOW_FRAME}} {}

namespace {
std::string quoted(const char* begin, const char* end) { return "'" + std::string(begin, end) + "'"; }

// One frame number of a list item: 1 .. LAST_SHOW_FRAME.
bool parseFrameNumber(const char* begin, const char* end, uint32_t* frame, std::string* error) {
    uint64_t value = 0;
    if (!parseDecimal(begin, end, UINT32_MAX, &value)) {
        if (begin < end && std::all_of(begin, end, [](char c) { return c >= '0' && c <= '9'; }))
            *error = "--frames: frame " + quoted(begin, end) + " is after the end of the show (last frame " +
                     std::to_string(LAST_SHOW_FRAME) + ")";
        else
            *error = "--frames: " + quoted(begin, end) + " is not a frame number";
        return false;
    }
    if (value == 0) {
        *error = "--frames: frame numbers start at 1";
        return false;
    }
    if (value > LAST_SHOW_FRAME) {
        *error = "--frames: frame " + std::to_string(value) + " is after the end of the show (last frame " +
                 std::to_string(LAST_SHOW_FRAME) + ")";
        return false;
    }
    *frame = static_cast<uint32_t>(value);
    return true;
}

void sortAndMerge(std::vector<FrameSelection::Range>* ranges) {
    std::sort(ranges->begin(), ranges->end(),
              [](const FrameSelection::Range& a, const FrameSelection::Range& b) { return a.first < b.first; });
    std::vector<FrameSelection::Range> merged;
    for (const FrameSelection::Range& r : *ranges) {
        if (!merged.empty() && r.first <= merged.back().last + 1) {
            merged.back().last = std::max(merged.back().last, r.last);
        } else {
            merged.push_back(r);
        }
    }
    ranges->swap(merged);
}
}  // namespace

bool FrameSelection::parseList(const char* text, std::string* error) {
    std::vector<Range> parsed;
    const char* p = text;
    const char* const end = text + strlen(text);
    if (p == end) {
        *error = "--frames: the list is empty";
        return false;
    }
    for (;;) {
        const char* itemEnd = std::find(p, end, ',');
        if (p == itemEnd) {
            *error = "--frames: empty item in " + quoted(text, end);
            return false;
        }
        const char* dash = std::find(p, itemEnd, '-');
        Range r{};
        if (dash == itemEnd) {
            if (!parseFrameNumber(p, itemEnd, &r.first, error)) return false;
            r.last = r.first;
        } else {
            if (dash == p || dash + 1 == itemEnd) {
                *error = "--frames: " + quoted(p, itemEnd) + " is not a frame number or a range N-M";
                return false;
            }
            if (!parseFrameNumber(p, dash, &r.first, error) || !parseFrameNumber(dash + 1, itemEnd, &r.last, error))
                return false;
            if (r.first > r.last) {
                *error = "--frames: range " + quoted(p, itemEnd) + " ends before it starts";
                return false;
            }
        }
        parsed.push_back(r);
        if (itemEnd == end) break;
        p = itemEnd + 1;
        if (p == end) {
            *error = "--frames: empty item in " + quoted(text, end);
            return false;
        }
    }
    sortAndMerge(&parsed);
    ranges_.swap(parsed);
    return true;
}

bool FrameSelection::setTimeSpan(uint64_t fromMs, uint64_t toMs, std::string* error) {
    if (fromMs > toMs) {
        *error = "--from " + std::to_string(fromMs) + " is after --to " + std::to_string(toMs);
        return false;
    }
    // Smallest k >= 1 with 33k >= from, largest k <= LAST_SHOW_FRAME with 33k <= to.
    uint64_t first = (fromMs + FRAME_PERIOD_MS - 1) / FRAME_PERIOD_MS;
    if (first < 1) first = 1;
    uint64_t last = toMs / FRAME_PERIOD_MS;
    if (last > LAST_SHOW_FRAME) last = LAST_SHOW_FRAME;
    if (first > last) {
        *error = "no frame of the show lies between " + std::to_string(fromMs) + " and " + std::to_string(toMs) +
                 " ms (frame k is drawn at 33 x k ms, k = 1.." + std::to_string(LAST_SHOW_FRAME) + ")";
        return false;
    }
    ranges_.assign(1, Range{static_cast<uint32_t>(first), static_cast<uint32_t>(last)});
    return true;
}

bool FrameSelection::contains(uint32_t frame) const {
    size_t lo = 0, hi = ranges_.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (frame < ranges_[mid].first)
            hi = mid;
        else if (frame > ranges_[mid].last)
            lo = mid + 1;
        else
            return true;
    }
    return false;
}

uint32_t FrameSelection::count() const {
    uint32_t n = 0;
    for (const Range& r : ranges_) n += r.last - r.first + 1;
    return n;
}
