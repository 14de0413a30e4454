#include "volume/VolumePage.h"

namespace kestrel::volume {
namespace {

// Find and the masks come with a later version: their buttons stay off until then.
constexpr bool kFindAvailable = false;
constexpr bool kMaskAvailable = false;

// HOME and BACK stay pressable while work runs, to say that it must be stopped first.
VolumePageControls Working(bool scan) {
  VolumePageControls controls;
  controls.home = controls.back = true;
  controls.stop = true;
  controls.scanBar = scan;
  controls.recoveryBar = !scan;
  if (scan) controls.status = "Scanning Data";
  return controls;
}

// After a scan, a stop or a recovery run: leaving, saving and browsing are open again.
VolumePageControls Idle(bool filesFound, bool scanFileWritten) {
  VolumePageControls controls;
  controls.home = controls.back = controls.selectAll = controls.browsing = true;
  controls.saveScan = filesFound && !scanFileWritten;
  controls.find = filesFound && kFindAvailable;
  controls.mask = filesFound && kMaskAvailable;
  return controls;
}

}  // namespace

VolumePageControls ControlsFor(VolumePageStage stage, bool filesFound, bool scanFileWritten) {
  switch (stage) {
    case VolumePageStage::Scanning:
      return Working(true);
    case VolumePageStage::Recovering:
      return Working(false);
    case VolumePageStage::Browsing: {
      VolumePageControls controls = Idle(filesFound, scanFileWritten);
      controls.status = "Scanning completed";
      return controls;
    }
    case VolumePageStage::Stopped: {
      // A stopped scan keeps what it found, whether or not that includes a file.
      VolumePageControls controls = Idle(true, scanFileWritten);
      controls.unselect = true;
      controls.status = "Scanned Data";
      return controls;
    }
    case VolumePageStage::Recovered:
      break;
  }
  return Idle(true, false);
}

}  // namespace kestrel::volume
