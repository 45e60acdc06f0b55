// The program's fixed values, shared by the program-wide state and the pure
// analysis code.
#ifndef KESTRIX_CONSTANTS_H
#define KESTRIX_CONSTANTS_H

constexpr double program_version = 1.12;
// Curves of at most this many samples (a fast stroke) get a height correction.
constexpr int speed_comp_points = 350;
// The largest height correction in inches, given to a curve of 2 samples.
constexpr double speed_comp_max = 0.008;

#endif // KESTRIX_CONSTANTS_H
