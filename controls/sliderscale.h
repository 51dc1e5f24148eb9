// The arithmetic of a slider's scale, kept apart from any window: the range
// between its ends, snapping positions to the tick step, and the mapping
// between positions and the thumb's place along the track it can travel.
#pragma once

namespace SliderScale {

// The distance between the ends, never 0: 1 when they are equal.
int RangeBetween(int min, int max);

// pos clamped to min..max and, with snap on and a positive tick step, rounded
// to the nearest step counted from min (halves round up). A tick step of 0
// turns snapping off.
int Snap(int pos, int min, int max, int tickStep, bool snap);

// How far along a track of track pixels the thumb stands for pos, within
// 0..track; 0 when the track is empty.
int OffsetFor(int pos, int min, int range, int track);

// The first position whose thumb stands at offset or beyond it, so that
// OffsetFor of the answer gives back every offset OffsetFor can give; min when
// the track is empty. Offsets outside the track give positions outside the range.
int PositionAt(int offset, int min, int range, int track);

// A scroll notification carries a position in 16 bits: the position with
// those low bits that lies nearest to near (the position last reported), so
// that ranges of any length survive the message.
int WithLowBits(unsigned low16, int near);

}  // namespace SliderScale
