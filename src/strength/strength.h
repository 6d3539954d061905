#pragma once
// How hard a password is to guess, estimated the way zxcvbn does it
// (dictionary words, keyboard patterns, dates, repeats and sequences, else
// brute force), in bits of entropy and in five steps for a strength bar.
// Plain data only: the program draws the bar, tbwallet prints the step.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tb::strength {

// Only the first 100 UTF-16 units of a password are looked at: the
// estimate's cost grows quickly with the length, and by then every
// password is very strong or repeats itself.
inline constexpr size_t kMaxEstimatedUnits = 100;

enum class StrengthStep { VeryWeak = 0, Weak = 1, Fair = 2, Strong = 3, VeryStrong = 4 };
inline constexpr int kStepCount = 5;

struct Strength {
  double bits = 0;
  StrengthStep step = StrengthStep::VeryWeak;
};

// Below 28 bits very weak, below 36 weak, below 60 fair, below 128 strong,
// else very strong.
StrengthStep StepOf(double bits);
Strength Estimate(std::u16string_view password);

// The bar's colour of a step, 0x00BBGGRR.
uint32_t StepColour(StrengthStep step);
// The language string naming the step.
uint32_t StepNameString(StrengthStep step);
// A stable name for machine-readable output: "very_weak" ... "very_strong".
std::string_view StepKey(StrengthStep step);

// The language strings of the steps.
inline constexpr uint32_t kVeryWeakString = 41100, kWeakString = 41101, kFairString = 41102, kStrongString = 41103,
                          kVeryStrongString = 41104;

}  // namespace tb::strength
