// SPDX-License-Identifier: Apache-2.0
// The disk broker's keeping of one descriptor per device, over a broker of the test's own that
// opens a file for each device and can be held in the middle of its answer, as polkit holds
// udisks2's while a person reads its password question.
#include "disk/platform/BrokerOncePerDevice.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <vector>

#include "support/Files.h"

namespace kestrel::platform {
namespace {

// The longest a held answer waits for what the test expects to happen meanwhile: only so that a
// broker that makes it wait fails the test instead of hanging it.
constexpr auto kGiveUpAfter = std::chrono::seconds(30);

class BrokerOncePerDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b"}) std::ofstream(folder / name) << name;
  }
  void TearDown() override {
    for (const int descriptor : opened_) ::close(descriptor);
  }

  std::string Device(const std::string& name) const { return (folder / name).string(); }

  // The broker's answer for a device: a new descriptor of its file, as udisks2 gives one.
  static BrokeredDevice Answer(const std::string& devicePath) {
    return {::open(devicePath.c_str(), O_RDONLY | O_CLOEXEC), {}};
  }

  // The descriptor an opening got, closed at the end of the test.
  int Kept(const BrokeredDevice& device) {
    if (device.descriptor >= 0) opened_.push_back(device.descriptor);
    return device.descriptor;
  }

  static ino_t FileOf(int descriptor) {
    struct stat info {};
    return ::fstat(descriptor, &info) == 0 ? info.st_ino : 0;
  }

  test::ScratchFolder folder{"broker-once"};

 private:
  std::vector<int> opened_;
};

TEST_F(BrokerOncePerDevice, AsksOnceAndGivesEveryOpeningADuplicateOfItsOwn) {
  int asks = 0;
  int answered = -1;
  {
    const DiskBroker broker = AskingOncePerDevice([&](const std::string& devicePath) {
      ++asks;
      BrokeredDevice answer = Answer(devicePath);
      answered = answer.descriptor;
      return answer;
    });
    const int first = Kept(broker(Device("a")));
    const int second = Kept(broker(Device("a")));
    EXPECT_EQ(asks, 1);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_NE(first, second) << "each opening closes its own";
    EXPECT_NE(first, answered);
    EXPECT_EQ(FileOf(first), FileOf(answered));
    EXPECT_NE(FileOf(Kept(broker(Device("b")))), FileOf(first));
    EXPECT_EQ(asks, 2);
  }
  EXPECT_EQ(::fcntl(answered, F_GETFD), -1) << "the kept descriptor closes with the broker";
}

TEST_F(BrokerOncePerDevice, ARefusalIsPassedOnAndAskedAgainNextTime) {
  int asks = 0;
  const DiskBroker broker = AskingOncePerDevice([&](const std::string& devicePath) {
    return ++asks == 1 ? BrokeredDevice{-1, "Not authorized"} : Answer(devicePath);
  });
  const BrokeredDevice refused = broker(Device("a"));
  EXPECT_EQ(refused.descriptor, -1);
  EXPECT_EQ(refused.refusal, "Not authorized");
  EXPECT_GE(Kept(broker(Device("a"))), 0);
  EXPECT_EQ(asks, 2);
}

TEST_F(BrokerOncePerDevice, AnotherDeviceOpensWhileOneWaitsForItsAnswer) {
  std::promise<void> aIsAsked, bIsAsked;
  std::future<void> bAsked = bIsAsked.get_future();
  bool bOpenedMeanwhile = false;
  const DiskBroker broker = AskingOncePerDevice([&](const std::string& devicePath) {
    if (devicePath == Device("a")) {
      aIsAsked.set_value();
      bOpenedMeanwhile = bAsked.wait_for(kGiveUpAfter) == std::future_status::ready;
    } else {
      bIsAsked.set_value();
    }
    return Answer(devicePath);
  });
  std::future<BrokeredDevice> a = std::async(std::launch::async, broker, Device("a"));
  aIsAsked.get_future().wait();
  EXPECT_GE(Kept(broker(Device("b"))), 0);
  EXPECT_GE(Kept(a.get()), 0);
  EXPECT_TRUE(bOpenedMeanwhile) << "disk b waited for the answer about disk a";
}

TEST_F(BrokerOncePerDevice, TwoOpeningsOfOneDeviceAtOnceAskOnce) {
  std::atomic<int> asks = 0;
  std::promise<void> firstIsAsked, answer;
  std::shared_future<void> answerGiven = answer.get_future().share();
  const DiskBroker broker = AskingOncePerDevice([&](const std::string& devicePath) {
    if (++asks == 1) {
      firstIsAsked.set_value();
      answerGiven.wait();
    }
    return Answer(devicePath);
  });
  std::future<BrokeredDevice> first = std::async(std::launch::async, broker, Device("a"));
  firstIsAsked.get_future().wait();
  std::future<BrokeredDevice> second = std::async(std::launch::async, broker, Device("a"));
  answer.set_value();
  EXPECT_EQ(FileOf(Kept(first.get())), FileOf(Kept(second.get())));
  EXPECT_EQ(asks, 1);
}

}  // namespace
}  // namespace kestrel::platform
