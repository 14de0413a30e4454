// SPDX-License-Identifier: Apache-2.0
// The Qt adapters of the workers: the clash question put on the GUI thread while the saving
// worker waits, the progress signals of a fast worker, and the stop question that holds the work.
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>

#include "Driving.h"
#include "gui/common/GuiConflictPrompt.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtProgressObserver.h"
#include "gui/common/StopQuestion.h"

namespace kestrel::guitest {
namespace {

using destination::ConflictAnswer;
using destination::ConflictChoice;
using destination::ConflictQuestion;

const ConflictQuestion kQuestion{"/out", "a.txt", "Copy(1)_a.txt"};

// Asks the question on a thread of its own, as the saving worker does.
struct AskingWorker {
  AskingWorker(QObject* context, gui::GuiConflictPrompt::Asker asker, app::PauseGate& pause)
      : thread([this, context, asker = std::move(asker), &pause](std::stop_token stop) {
          gui::GuiConflictPrompt prompt(context, asker, pause, stop);
          answer = prompt.Ask(kQuestion);
          answered = true;
        }) {}

  ConflictAnswer answer;
  std::atomic<bool> answered = false;
  std::jthread thread;
};

// A work as the stop question sees it: it records what it is told.
class FakeWork : public QObject {
  Q_OBJECT

 public:
  void Pause() { paused = true; }
  void Resume() { paused = false; }
  void RequestStop() { stopRequestedWhilePaused = paused; }
  bool IsRunning() const { return running; }
  void End() {
    running = false;
    emit finished();
  }

  bool paused = false;
  bool running = true;
  std::optional<bool> stopRequestedWhilePaused;

 signals:
  void finished();
};

}  // namespace

class WorkersTest : public QObject {
  Q_OBJECT

 private slots:
  void theQuestionIsAnsweredOnTheGuiThread();
  void aStopEndsTheWaitForAnAnswer();
  void noQuestionIsPutWhileTheRunIsPaused();
  void aFastWorkerDoesNotFloodThePage();
  void aWorkerThatFallsSilentIsShownAsItLastReported();
  void aPausedWorkWaitsAtItsNextReportUntilResumedOrStopped();
  void theStopQuestionHoldsTheWorkAndClosesItselfWhenItEnds();

 private:
  QObject context_;
  app::PauseGate pause_;
};

void WorkersTest::theQuestionIsAnsweredOnTheGuiThread() {
  bool onGuiThread = false;
  AskingWorker worker(
      &context_,
      [&](const ConflictQuestion& question) {
        onGuiThread = QThread::currentThread() == qApp->thread();
        return ConflictAnswer{ConflictChoice::Rename, question.proposedName};
      },
      pause_);
  QVERIFY(QTest::qWaitFor([&] { return worker.answered.load(); }, 10000));
  QVERIFY(onGuiThread);
  QCOMPARE(worker.answer.choice, ConflictChoice::Rename);
  QCOMPARE(worker.answer.renameTo, std::string("Copy(1)_a.txt"));
}

// A page that closes while the question is open stops its run; the run must not wait on an
// answer the closing page can no longer give.
void WorkersTest::aStopEndsTheWaitForAnAnswer() {
  bool questionOpen = false;
  bool answeredWhileOpen = false;
  std::unique_ptr<AskingWorker> worker;
  worker = std::make_unique<AskingWorker>(
      &context_,
      [&](const ConflictQuestion&) {
        questionOpen = true;
        worker->thread.request_stop();
        QEventLoop dialog;  // the question stays on screen a while after the stop
        QTimer::singleShot(200, &dialog, &QEventLoop::quit);
        dialog.exec();
        answeredWhileOpen = worker->answered;
        return ConflictAnswer{ConflictChoice::OverWrite, {}};
      },
      pause_);
  QVERIFY(QTest::qWaitFor([&] { return questionOpen && worker->answered; }, 10000));
  QVERIFY(QTest::qWaitFor([&] { return answeredWhileOpen; }, 10000));
  QCOMPARE(worker->answer.choice, ConflictChoice::SkipAll);
}

void WorkersTest::noQuestionIsPutWhileTheRunIsPaused() {
  bool asked = false;
  pause_.Pause();
  AskingWorker worker(
      &context_,
      [&](const ConflictQuestion&) {
        asked = true;
        return ConflictAnswer{ConflictChoice::Skip, {}};
      },
      pause_);
  QTest::qWait(150);
  QVERIFY(!asked);
  pause_.Resume();
  QVERIFY(QTest::qWaitFor([&] { return worker.answered.load(); }, 10000));
  QVERIFY(asked);
}

void WorkersTest::aFastWorkerDoesNotFloodThePage() {
  gui::QtProgressObserver observer;
  QSignalSpy reports(&observer, &gui::QtProgressObserver::progressed);
  std::jthread worker([&] {
    for (std::uint64_t done = 0; done <= 200000; ++done)
      observer.OnProgress({done, 200000, "file " + std::to_string(done)});
  });
  worker.join();
  QTest::qWait(50);  // the queued signals arrive
  QVERIFY2(reports.count() >= 101, "every move of the bar is shown");
  QVERIFY2(reports.count() < 2000, qPrintable(QString::number(reports.count())));
  QCOMPARE(reports.last().at(0).toInt(), 100);
}

// A burst of blocks, then a read that hangs: the page must show the last block, not one from the
// start of the burst.
void WorkersTest::aWorkerThatFallsSilentIsShownAsItLastReported() {
  gui::QtProgressObserver observer;
  QSignalSpy reports(&observer, &gui::QtProgressObserver::progressed);
  std::jthread worker([&] {
    for (std::uint64_t block = 1; block <= 1000; ++block)
      observer.OnProgress({block, 0, "block " + std::to_string(block), app::WorkUnit::Blocks});
  });
  worker.join();
  QTRY_VERIFY_WITH_TIMEOUT(
      !reports.isEmpty() && reports.last().at(1).toString() == QStringLiteral("block 1000"), 2000);
  QVERIFY(reports.last().at(2).toString().startsWith(QStringLiteral("1000 blocks")));
  QCOMPARE(reports.last().at(0).toInt(), gui::QtProgressObserver::kUnknownPercent);
  QVERIFY2(reports.count() < 100, "still no flood");
}

void WorkersTest::aPausedWorkWaitsAtItsNextReportUntilResumedOrStopped() {
  gui::QtProgressObserver observer;
  std::atomic<int> reported = 0;
  observer.Pause();
  std::jthread worker([&](std::stop_token stop) {
    observer.WatchStop(stop);
    observer.OnProgress({1, 10});
    ++reported;
    observer.Pause();
    observer.OnProgress({2, 10});
    ++reported;
  });
  QTest::qWait(150);
  QCOMPARE(reported.load(), 0);
  observer.Resume();
  QVERIFY(QTest::qWaitFor([&] { return reported == 1; }, 10000));
  QTest::qWait(150);
  QCOMPARE(reported.load(), 1);
  worker.request_stop();  // a page that goes stops its work, paused or not
  QVERIFY(QTest::qWaitFor([&] { return reported == 2; }, 10000));
}

void WorkersTest::theStopQuestionHoldsTheWorkAndClosesItselfWhenItEnds() {
  const auto question = [] {
    return std::make_unique<gui::NoticeDialog>("PressesStopScan", "Stop?",
                                               std::initializer_list<gui::NoticeDialog::Button>{
                                                   gui::NoticeDialog::kYes, gui::NoticeDialog::kNo},
                                               nullptr);
  };
  FakeWork ending;
  bool pausedWhileAsked = false;
  const auto asked = question();
  QTimer::singleShot(100, [&] {
    pausedWhileAsked = ending.paused;
    ending.End();
  });
  QVERIFY(!gui::AskToStop(*asked, ending));
  QVERIFY(pausedWhileAsked);
  QVERIFY2(!asked->isVisible(), "the question went with the work");
  QVERIFY(!ending.paused && !ending.stopRequestedWhilePaused);

  FakeWork stopped;
  const auto answered = question();
  QTimer::singleShot(100, [&] { Click(answered.get(), "yesButton"); });
  QVERIFY(gui::AskToStop(*answered, stopped));
  QCOMPARE(stopped.stopRequestedWhilePaused, std::optional<bool>(true));
  QVERIFY2(!stopped.paused, "let go, to reach its stop");
  FakeWork idle;
  idle.running = false;
  QVERIFY2(!gui::AskToStop(*question(), idle), "no question about work that has ended");
}

}  // namespace kestrel::guitest

QTEST_MAIN(kestrel::guitest::WorkersTest)
#include "tst_Workers.moc"
