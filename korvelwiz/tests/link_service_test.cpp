#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/link_messages.h"
#include "link/link_service.h"
#include "link_fixture.h"

using namespace korvel;
using namespace korvel::link_test;

namespace {

class LinkServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = MakeLinkSession(count_);
    requests_ = optimized_ = LinkInput{};
    sent_.clear();
    status_.clear();
    logs_.clear();
    shown_.clear();
    taken_.clear();
    LinkHooks hooks;
    hooks.send = [this](std::string_view m) { sent_.emplace_back(m); };
    hooks.status = [this](int panel, std::string_view t) { status_.push_back(std::to_string(panel) + ":" + std::string(t)); };
    hooks.log = [this](std::string_view l) { logs_.emplace_back(l); };
    hooks.show = [this](Session& s, int i) {
      shown_.push_back(i);
      FakeShow(s, i);
    };
    hooks.taken = [this](Session&, int i) { taken_.push_back(i); };
    link_ = std::make_unique<LinkService>(*session_, hooks);
  }

  void Requests(std::string_view bytes, bool idle = true) {
    requests_.buffer += bytes;
    link_->FeedRequests(requests_, idle);
  }

  std::string Parameters(int i) const {
    const Project& p = session_->project;
    return ParametersMessage(WorkingCopy(p, i), i, p.ExperimentCount, p.DomainTypeCount);
  }

  std::string Spectra(int i, std::string_view echoed, int m) const {
    return SpectraMessage(i, echoed, m, *session_->buffers);
  }

  std::string Optimized(int index, double tc, int group) const {
    return OptimizedMessage(session_->project, index, tc, group);
  }

  int count_ = 5;
  std::unique_ptr<Session> session_;
  std::unique_ptr<LinkService> link_;
  LinkInput requests_, optimized_;
  std::vector<std::string> sent_, status_, logs_;
  std::vector<int> shown_, taken_;
};

}  // namespace

TEST_F(LinkServiceTest, WorkerCountSendsTheFirstParametersMessage) {
  link_->RequesterConnected();
  Requests("Nbb=2");
  ASSERT_EQ(sent_.size(), 2u);
  EXPECT_EQ(sent_[0], "0000002");
  EXPECT_EQ(sent_[1], Parameters(1));
  EXPECT_EQ(link_->Panel(1), "2 BB");
  EXPECT_EQ(link_->Panel(2), "1 optimizing");
  EXPECT_EQ(link_->Panel(4), "Launching optimization - parameters for 1");
  EXPECT_EQ(link_->ExperimentIndex(), 1);
}

TEST_F(LinkServiceTest, WorkerCountZeroOnlyUpdatesPanelOne) {
  Requests("Nbb=0");
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(link_->Panel(1), "0 BB");
  EXPECT_EQ(link_->Panel(2), "0 optimizing");
  EXPECT_EQ(status_, std::vector<std::string>{"1:0 BB"});
}

TEST_F(LinkServiceTest, FourSpectraRequestsPerSpectrumSendTheQuartersInOrder) {
  Requests("Nbb=1Next");  // experiment 2 has two spectra
  sent_.clear();
  for (int m = 1; m <= 8; ++m) {
    Requests("Spcx" + std::to_string(m % 10));
    ASSERT_EQ(sent_.size(), static_cast<std::size_t>(m));
    EXPECT_EQ(sent_.back(), Spectra(2, "x" + std::to_string(m % 10), m));
    EXPECT_EQ(link_->Panel(4), m % 4 == 0 ? "No messages" : "Launching optimization - spectra for 2");
  }
  EXPECT_EQ(shown_, std::vector<int>(8, 2));
  // A ninth is more than the experiment has.
  Requests("Spc99");
  EXPECT_EQ(sent_.size(), 8u);
  ASSERT_EQ(logs_.size(), 1u);
  EXPECT_NE(logs_[0].find("Spc refused"), std::string::npos);
}

TEST_F(LinkServiceTest, NextRestartsTheSpectraCountForTheFollowingExperiment) {
  Requests("Nbb=3Spc01Spc01Next");
  EXPECT_EQ(link_->ExperimentIndex(), 2);
  EXPECT_EQ(link_->SpectraSent(), 0);
  EXPECT_EQ(sent_.back(), Parameters(2));
  Requests("Spc01");
  EXPECT_EQ(sent_.back(), Spectra(2, "01", 1));
  EXPECT_EQ(sent_.back().substr(0, 7), "0020101");
}

TEST_F(LinkServiceTest, NextBeyondTheLastExperimentIsRefused) {
  Requests("Nbb=1NextNextNextNext");
  EXPECT_EQ(link_->ExperimentIndex(), 5);
  EXPECT_EQ(sent_.back().substr(0, 7), "005al01");
  Requests("Next");
  EXPECT_EQ(link_->ExperimentIndex(), 5);
  EXPECT_EQ(sent_.size(), 5u);
  ASSERT_EQ(logs_.size(), 1u);
  EXPECT_NE(logs_[0].find("Next refused"), std::string::npos);
}

TEST_F(LinkServiceTest, OptimizingCounterCountsPastNine) {
  for (int i = 0; i < 11; ++i) Requests("Nbb=1");
  EXPECT_EQ(link_->Panel(2), "11 optimizing");
  link_->SenderConnected();
  optimized_.buffer = Optimized(1, 1.5, 1);
  link_->FeedOptimized(optimized_, true);
  EXPECT_EQ(link_->Panel(2), "10 optimizing");
}

TEST_F(LinkServiceTest, OptimizedParametersForExperimentTwoMakeItCurrentAndChangeOnlyIt) {
  FakeShow(*session_, 5);
  const Tspcmf before1 = session_->project.Experiment(1);
  const Tspcmf before5 = session_->project.Experiment(5);
  Requests("Nbb=1");
  sent_.clear();
  link_->SenderConnected();
  EXPECT_EQ(link_->Panel(4), "Receiving optimized parameters");
  optimized_.buffer = Optimized(2, 3.125, 4);
  link_->FeedOptimized(optimized_, true);

  ASSERT_EQ(sent_, (std::vector<std::string>{"0000004", "0000005"}));
  EXPECT_TRUE(optimized_.buffer.empty());
  const Project& p = session_->project;
  EXPECT_EQ(p.CurrentExperiment, 2);
  EXPECT_EQ(shown_.back(), 2);
  EXPECT_EQ(taken_, std::vector<int>{2});
  EXPECT_DOUBLE_EQ(p.Experiment(2).Domains[1].Values[2], 3.125);
  EXPECT_EQ(p.Experiment(2).GroupNumber, 4);
  EXPECT_EQ(p.Experiment(1).Domains[1].Values, before1.Domains[1].Values);
  EXPECT_EQ(p.Experiment(5).Domains[1].Values, before5.Domains[1].Values);
  EXPECT_EQ(link_->Panel(2), "0 optimizing");
  EXPECT_EQ(link_->Panel(4), "No messages");
}

TEST_F(LinkServiceTest, ABadNumberLeavesTheProjectAsItWas) {
  std::string msg = Optimized(2, 3.125, 4);
  msg.replace(msg.find(";3.125;"), 7, ";3.1x5;");
  const double before = session_->project.Experiment(2).Domains[1].Values[2];
  const ProjectSettings settings_before = session_->project.vreca.settings;
  optimized_.buffer = msg;
  link_->FeedOptimized(optimized_, true);
  EXPECT_TRUE(sent_.empty());
  EXPECT_TRUE(taken_.empty());
  EXPECT_EQ(session_->project.Experiment(2).Domains[1].Values[2], before);
  EXPECT_EQ(session_->project.vreca.settings.gxx, settings_before.gxx);
  ASSERT_EQ(logs_.size(), 1u);
  EXPECT_NE(logs_[0].find("domain 1 tc"), std::string::npos) << logs_[0];
}

TEST_F(LinkServiceTest, TheRestOfAMalformedMessageIsDiscardedUntilTheSenderPauses) {
  std::string msg = Optimized(2, 3.125, 4);
  msg.replace(msg.find(";3.125;"), 7, ";3.1x5;");
  const std::size_t half = msg.size() / 2;
  optimized_.buffer = msg.substr(0, half);
  link_->FeedOptimized(optimized_, false);
  optimized_.buffer += msg.substr(half);
  link_->FeedOptimized(optimized_, false);
  link_->FeedOptimized(optimized_, true);  // the pause ends the bad message
  EXPECT_EQ(logs_.size(), 1u);
  optimized_.buffer = Optimized(3, 0.5, 3);
  link_->FeedOptimized(optimized_, true);
  EXPECT_EQ(taken_, std::vector<int>{3});
}

TEST_F(LinkServiceTest, SplitAndCoalescedInputGiveTheSameReplies) {
  const std::string requests = "Nbb=12Spc01Spc02\r\nNextSpc03Spc04Spc05Spc06Next";
  const std::string delivery = Optimized(2, 2.5, 2) + "\r\n" + Optimized(4, 1.75, 4);

  Requests(requests, false);
  Requests("", true);
  optimized_.buffer = delivery;
  link_->FeedOptimized(optimized_, false);
  link_->FeedOptimized(optimized_, true);
  const std::vector<std::string> coalesced = sent_;
  const std::vector<std::string> coalesced_status = status_;
  ASSERT_EQ(coalesced.size(), 11u);
  EXPECT_EQ(coalesced.back(), "0000005");
  EXPECT_EQ(taken_, (std::vector<int>{2, 4}));

  SetUp();
  for (char c : requests) Requests(std::string_view(&c, 1), false);
  Requests("", true);
  for (char c : delivery) {
    optimized_.buffer += c;
    link_->FeedOptimized(optimized_, false);
  }
  link_->FeedOptimized(optimized_, true);
  // (Compared whole without printing: the messages are long.)
  EXPECT_TRUE(sent_ == coalesced);
  EXPECT_TRUE(status_ == coalesced_status);
  EXPECT_EQ(link_->Panel(1), "12 BB");
  EXPECT_TRUE(logs_.empty()) << logs_.front();
}

TEST_F(LinkServiceTest, JunkBetweenRequestsIsLoggedAndSkipped) {
  Requests("hello Nbb=x Nbb=1 Spc");
  EXPECT_EQ(logs_.size(), 2u);
  EXPECT_EQ(sent_.size(), 1u);
  // "Spc" waits for its two characters; closing drops it with a log line.
  link_->RequesterClosed(requests_);
  EXPECT_EQ(logs_.size(), 3u);
  EXPECT_EQ(sent_.size(), 1u);
}

TEST_F(LinkServiceTest, AnUnfinishedDeliveryIsDroppedWhenItsConnectionCloses) {
  const std::string msg = Optimized(2, 2.5, 2);
  optimized_.buffer = msg.substr(0, msg.size() - 40);
  link_->FeedOptimized(optimized_, true);
  EXPECT_TRUE(logs_.empty());
  link_->SenderClosed(optimized_);
  EXPECT_EQ(logs_.size(), 1u);
  EXPECT_TRUE(taken_.empty());
  // A complete one whose sender closes right after its group number is taken.
  optimized_.buffer = msg;
  link_->SenderClosed(optimized_);
  EXPECT_EQ(taken_, std::vector<int>{2});
}

TEST_F(LinkServiceTest, AFailedShowIsLoggedAndSendsNoSpectra) {
  LinkHooks hooks;
  hooks.send = [this](std::string_view m) { sent_.emplace_back(m); };
  hooks.log = [this](std::string_view l) { logs_.emplace_back(l); };
  hooks.show = [](Session&, int) { throw std::runtime_error("one.dat: cannot open"); };
  link_ = std::make_unique<LinkService>(*session_, hooks);
  Requests("Nbb=1Spc01");
  EXPECT_EQ(sent_.size(), 1u);
  ASSERT_EQ(logs_.size(), 1u);
  EXPECT_NE(logs_[0].find("one.dat: cannot open"), std::string::npos);
  EXPECT_EQ(link_->Panel(4), "No messages");
  EXPECT_EQ(link_->SpectraSent(), 0);
}
