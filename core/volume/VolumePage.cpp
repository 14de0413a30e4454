// SPDX-License-Identifier: Apache-2.0
#include "volume/VolumePage.h"

namespace kestrel::volume {
namespace {

// HOME and BACK stay pressable while work runs, to say that it must be stopped first.
// A scan and a mask run show the scan's bar.
VolumePageControls Working(VolumePageStage stage) {
  VolumePageControls controls;
  controls.home = controls.back = true;
  controls.stop = true;
  controls.recoveryBar = stage == VolumePageStage::Recovering;
  controls.scanBar = !controls.recoveryBar;
  if (stage == VolumePageStage::Scanning) controls.status = "Scanning Data";
  return controls;
}

// After a scan, a stop, a mask run or a recovery run: leaving, saving and browsing are open
// again. A masked view offers Unmask in MASK's place.
VolumePageControls Idle(const PageFacts& facts) {
  VolumePageControls controls;
  controls.home = controls.back = controls.selectAll = controls.browsing = true;
  controls.saveScan = facts.filesFound && !facts.scanFileWritten;
  controls.find = facts.filesFound;
  controls.mask = facts.filesFound && !facts.masked;
  controls.unmask = facts.masked;
  return controls;
}

}  // namespace

VolumePageControls ControlsFor(VolumePageStage stage, const PageFacts& facts) {
  switch (stage) {
    case VolumePageStage::Scanning:
    case VolumePageStage::Masking:
    case VolumePageStage::Recovering:
      return Working(stage);
    case VolumePageStage::Browsing: {
      VolumePageControls controls = Idle(facts);
      controls.status = "Scanning completed";
      return controls;
    }
    case VolumePageStage::Stopped: {
      // A stopped scan keeps what it found, whether or not that includes a file.
      VolumePageControls controls = Idle({true, facts.scanFileWritten, facts.masked});
      controls.unselect = true;
      controls.status = "Scanned Data";
      return controls;
    }
    case VolumePageStage::Recovered:
      break;
  }
  return Idle({true, false, facts.masked});
}

}  // namespace kestrel::volume
