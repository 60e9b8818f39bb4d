// Finding the adapter: the remembered port and speed first, then COM1..COM4 at 115200
// and at 230400 bit/s, each with the probe; the AODI question on the link that answered.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

class CCommLink;

inline constexpr auto kRememberedProbeWait = std::chrono::milliseconds(2000);
inline constexpr auto kCandidateProbeWait = std::chrono::milliseconds(1500);

// Uses and updates currentSpeed (not currentPort); returns the port found or 0.
int DetectAdapter(CCommLink& link);

// The scan alone: no remembered try, no AODI query, nothing stored. Port found or 0.
int ScanForAdapter(CCommLink& link);
