// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <stop_token>

#include "app/PauseGate.h"
#include "destination/Conflicts.h"

class QObject;

namespace kestrel::gui {

// The name-clash question of a recovery run, put to the person at the screen. The saving worker
// calls Ask on its own thread; the question runs on the GUI thread (in the context of the page)
// while the worker waits for the answer. The wait ends early when the run is stopped, so that a
// page closing under an open question never waits on itself; the run then writes nothing more.
// While the run is paused (the stop question is on screen) no clash question is put.
class GuiConflictPrompt : public destination::ConflictPrompt {
 public:
  using Asker = std::function<destination::ConflictAnswer(const destination::ConflictQuestion&)>;

  GuiConflictPrompt(QObject* guiContext, Asker asker, app::PauseGate& pause, std::stop_token stop)
      : context_(guiContext), asker_(std::move(asker)), pause_(pause), stop_(std::move(stop)) {}

  destination::ConflictAnswer Ask(const destination::ConflictQuestion& question) override;

 private:
  QObject* context_;
  Asker asker_;
  app::PauseGate& pause_;
  std::stop_token stop_;
};

}  // namespace kestrel::gui
