#pragma once

#include <chrono>
#include <vector>

namespace optara {

// How steadily frames came over a stretch of time: the gaps between its start
// and the first frame, and between consecutive frames up to its last.
struct FrameGaps {
    double firstMs = 0; // from the start to the first frame, which shows what changed
    double longestMs = 0;
    double longestAfterFirstMs = 0; // while what changed keeps being drawn
    double lastMs = 0;              // the gap before the last frame, which shows how the stretch ended
    double longestBetweenMs = 0;    // neither the first gap nor the last
    double percentile99Ms = 0;
    int over33Ms = 0; // a frame missed at 30 frames a second
    int frames = 0;
    double durationMs = 0;

    // The start of the stretch, then its frames in order.
    static FrameGaps of(const std::vector<std::chrono::steady_clock::time_point>& points);
};

} // namespace optara
