#include "ChainWatch.h"

void TChainWatch::Notified(std::uint32_t sequence) {
  notified_ = sequence;
  suspectSince_.reset();
}

TChainWatch::TVerdict TChainWatch::Check(std::uint32_t sequence, std::uint64_t nowMs) {
  if (sequence == notified_) {
    suspectSince_.reset();
    return TVerdict::Healthy;
  }
  // A notification may still be on its way through the viewers ahead: only a
  // mismatch that outlasts the grace period means the chain is broken.
  if (!suspectSince_) {
    suspectSince_ = nowMs;
    return TVerdict::Recheck;
  }
  if (nowMs - *suspectSince_ < graceMs_) return TVerdict::Recheck;
  suspectSince_.reset();
  return TVerdict::Rejoin;
}

std::uint64_t TChainWatch::RecheckInMs(std::uint64_t nowMs) const {
  const std::uint64_t spent = suspectSince_ ? nowMs - *suspectSince_ : 0;
  return spent < graceMs_ ? graceMs_ - spent : 1;
}
