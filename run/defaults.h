#pragma once
// What a run uses where the user gives nothing else: one place for the window, the command
// line and their help texts.
#include "compare/comparison_mode.h"

namespace morvane {

inline constexpr const char* kListFileName = "Kestrum.txt";
inline constexpr const char* kLogFileName = "Kestrum.log";
inline constexpr const char* kDefaultMasks = "*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.wmf;*.emf";

// The threshold a mode uses when none is given.
int DefaultThreshold(ComparisonMode mode);

}  // namespace morvane
