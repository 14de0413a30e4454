// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

namespace kestrel::gui {

// Puts a stop question while the work waits at its next step, so that nothing goes on behind the
// question; the question closes itself, as No, when the work ends first. On Yes the work is asked
// to stop before it is let go. True when it was asked to stop.
// Work: Pause(), Resume(), RequestStop(), IsRunning() and the signal finished().
template <class Work>
bool AskToStop(QDialog& question, Work& work) {
  if (!work.IsRunning()) return false;
  work.Pause();
  const QMetaObject::Connection ended =
      QObject::connect(&work, &Work::finished, &question, &QDialog::reject);
  const bool stop = question.exec() == QDialog::Accepted && work.IsRunning();
  QObject::disconnect(ended);
  if (stop) work.RequestStop();
  work.Resume();
  return stop;
}

}  // namespace kestrel::gui
