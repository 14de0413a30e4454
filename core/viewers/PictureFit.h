// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace kestrel::viewers {

struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const PictureRect&) const = default;
};

// Where a picture of width × height is drawn in a box: at its own size when it fits, else shrunk
// by min(box width / width, box height / height), keeping its ratio; centred in each direction
// where at least 2 pixels remain.
PictureRect FitPicture(int width, int height, int boxWidth, int boxHeight);

}  // namespace kestrel::viewers
