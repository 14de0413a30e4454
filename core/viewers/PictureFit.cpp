// SPDX-License-Identifier: Apache-2.0
#include "viewers/PictureFit.h"

#include <algorithm>
#include <cmath>

namespace kestrel::viewers {
namespace {

int Centred(int box, int drawn) {
  const int remaining = box - drawn;
  return remaining >= 2 ? remaining / 2 : 0;
}

}  // namespace

PictureRect FitPicture(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
  double scale = 1.0;
  if (width > boxWidth || height > boxHeight) {
    scale =
        std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
  }
  const auto drawn = [&](int side, int boxSide) {
    return std::clamp(static_cast<int>(std::lround(side * scale)), 1, boxSide);
  };
  const int drawnWidth = drawn(width, boxWidth);
  const int drawnHeight = drawn(height, boxHeight);
  return {Centred(boxWidth, drawnWidth), Centred(boxHeight, drawnHeight), drawnWidth, drawnHeight};
}

}  // namespace kestrel::viewers
