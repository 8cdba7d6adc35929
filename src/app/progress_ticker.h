#pragma once

namespace qn {

// The scan's progress display creeps up by one per tick on its own, to at most this value, so
// the user sees movement even while one slow hive load holds the real progress still.
inline constexpr int kTickerCreepLimit = 93;
inline constexpr int kTickerIntervalMs = 100;

// The percentage shown at the next tick: one more than before (below the creep limit), or the
// real progress when that is ahead. Never goes down.
int NextTickerValue(int shown, int realProgress);

}  // namespace qn
