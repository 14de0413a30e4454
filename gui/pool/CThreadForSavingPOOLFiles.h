// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "gui/volume/CThreadForSavingFiles.h"

namespace kestrel::gui {

// The pool page's recovery run. It is the volume page's run over the pool's tree, with the first
// super block the pool scan met as the base of the blocks: each volume item becomes a folder of
// its own at the destination.
class CThreadForSavingPOOLFiles : public CThreadForSavingFiles {
  Q_OBJECT

 public:
  using CThreadForSavingFiles::CThreadForSavingFiles;
};

}  // namespace kestrel::gui
