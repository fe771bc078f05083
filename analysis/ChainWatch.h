// Decides when the clipboard viewer chain has cut this program off: the
// clipboard's sequence number moved, and still no change notification came a
// short grace period after that was first seen.
#pragma once

#include <cstdint>
#include <optional>

class TChainWatch {
 public:
  enum class TVerdict { Healthy, Recheck, Rejoin };

  explicit TChainWatch(std::uint64_t graceMs = 2000) : graceMs_(graceMs) {}

  // A change notification arrived (or the chain was just joined) at this sequence number.
  void Notified(std::uint32_t sequence);
  // A check at time nowMs: Recheck asks for another check after RecheckInMs.
  TVerdict Check(std::uint32_t sequence, std::uint64_t nowMs);
  // Whether the notification of this sequence number has arrived.
  bool Heard(std::uint32_t sequence) const { return sequence == notified_; }
  std::uint64_t GraceMs() const { return graceMs_; }
  // What is left of the grace of a suspected change at time nowMs (at least 1).
  std::uint64_t RecheckInMs(std::uint64_t nowMs) const;

 private:
  std::uint64_t graceMs_;
  std::uint32_t notified_ = 0;
  std::optional<std::uint64_t> suspectSince_;
};
