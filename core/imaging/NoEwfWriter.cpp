// SPDX-License-Identifier: Apache-2.0
// The Windows build has no libewf: its images are raw.
#include "imaging/EwfImage.h"

namespace kestrel::imaging {

app::Result<std::unique_ptr<EwfWriter>> CreateEwfWriter(const std::string& firstSegmentPath,
                                                        const EwfSettings&, SegmentSync) {
  return app::Failure{firstSegmentPath +
                      ": this Windows build writes raw images only; write a raw image, or make "
                      "the E01 with the Linux build"};
}

bool WritesEwf() {
  return false;
}

}  // namespace kestrel::imaging
