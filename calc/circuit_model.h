#pragma once
// The circuit model's constants: the pressure at an elevation, the sensor, the two gain
// stages, the trimmers and the wiper iteration, as sondrel-calc(1) states them.

#include <cstdint>

namespace sondrel {

// The pressure ratio at an elevation, (1 - lapse x feet) ^ exponent: the circuit's own
// constants, slightly off the standard atmosphere's 6.8755856E-06 and 5.25588.
inline constexpr double kPressureLapse = 6.87324E-06;  // per foot
inline constexpr double kPressureExponent = 5.256;

// The sensor: supply x (slope x kPa - offset) volts.
inline constexpr double kKpaPerInHg = 3.3863;
inline constexpr double kSensorSlopePerKpa = 0.009;  // fraction of the supply per kPa
inline constexpr double kSensorOffset = 0.095;       // fraction of the supply
inline constexpr int kSensorSupplyVolts = 5;

// The first stage's gain, 1 + feedback / (series + x (1 - x) 9.4K) in kilohms, the VR1 wiper
// at fraction x of the 9.4K string (R4 + R9 + R8). VR1 wiper to GND is the wiper's place on
// the string less a fixed 1877 ohms that fits the formula to the built circuit.
inline constexpr int kStage1FeedbackKohm = 15;
inline constexpr double kStage1SeriesKohm = 2.7;
inline constexpr double kVr1StringKohm = 9.4;
inline constexpr int kVr1StringOhms = 9400;
inline constexpr int kVr1WiperOffsetOhms = 1877;

// The second stage: VR2 as a fraction of its 5K, from the stage's gain over the 0.666667 K
// (not two thirds) it works against, then in ohms less a fixed 53 ohms that fits the formula
// to the built circuit. VR2's setting adds 50 x (its fraction) / 1.5 volts to the target.
inline constexpr int kVr2FullScaleKohm = 5;
inline constexpr double kStage2GroundKohm = 0.666667;
inline constexpr int kVr2FullScaleOhms = 5000;
inline constexpr int kVr2OffsetOhms = 53;
inline constexpr int kVr2ShiftScale = 50;
inline constexpr double kVr2ShiftDivisor = 1.5;

// The trimmers at the end of their track (fraction 1), as the result lines give them.
inline constexpr int kVr1TrackEndOhms = kVr1StringOhms - kVr1WiperOffsetOhms;  // 7523
inline constexpr int kVr2TrackEndOhms = kVr2FullScaleOhms - kVr2OffsetOhms;    // 4947

// The targets are taken at the top of the span; every load starts the wiper estimate at 0.34.
inline constexpr double kSpanFraction = 1;
inline constexpr double kFirstWiperGuess = 0.34;
// The wiper quadratic -x^2 + b x + 0.27 = 0, b = 1 - 15 / |error|.
inline constexpr std::int16_t kQuadA = -1;
inline constexpr double kQuadC = 0.27;
inline constexpr int kQuadBErrorScale = 15;
// The solver stops when a pass moves the estimate by at most this part of it, or at the limit.
inline constexpr double kSettledChange = 0.0001;
inline constexpr std::int16_t kPassLimit = 100;

}  // namespace sondrel
