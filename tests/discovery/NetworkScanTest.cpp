#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "StatusFakes.h"
#include "TestHome.h"
#include "core/ServerCache.h"
#include "core/ServerList.h"
#include "core/StatusLine.h"
#include "discovery/NetworkScan.h"

namespace vyk {
namespace {

NeighbourhoodEntry Machine(const std::string& name) {
  return {kDisplayTypeServer, 0, name};
}
NeighbourhoodEntry Container(const std::string& name) {
  return {kDisplayTypeNetwork, kUsageContainer, name};
}

// A network described as batches of entries per container ("" is the top).
// A container without batches cannot be opened.
class FakeNeighbourhood : public NetworkNeighbourhood {
 public:
  std::map<std::string, std::vector<std::vector<NeighbourhoodEntry>>> children;
  std::map<std::string, Ipv4Address> addresses;
  std::vector<std::string> opened;  // with the status line at the time
  std::vector<std::string> resolved;
  int open = 0;
  int closes = 0;
  test::RecordingStatus* status = nullptr;

  class Enumeration : public NeighbourhoodEnumeration {
   public:
    Enumeration(FakeNeighbourhood& owner, std::vector<std::vector<NeighbourhoodEntry>> batches)
        : owner_(owner), batches_(std::move(batches)) {}
    bool Next(std::vector<NeighbourhoodEntry>& batch) override {
      if (next_ >= batches_.size()) return false;
      batch = batches_[next_++];
      return true;
    }
    bool Close() override {
      ++owner_.closes;
      --owner_.open;
      return false;  // a failing close changes nothing
    }

   private:
    FakeNeighbourhood& owner_;
    std::vector<std::vector<NeighbourhoodEntry>> batches_;
    std::size_t next_ = 0;
  };

  std::unique_ptr<NeighbourhoodEnumeration> Open(const NeighbourhoodEntry* container) override {
    const std::string name = container ? container->remoteName : "";
    opened.push_back(name + "|" + (status ? status->text : ""));
    auto it = children.find(name);
    if (it == children.end()) return nullptr;
    ++open;
    return std::make_unique<Enumeration>(*this, it->second);
  }

  std::optional<Ipv4Address> Resolve(const std::string& hostName) override {
    resolved.push_back(hostName);
    auto it = addresses.find(hostName);
    if (it == addresses.end()) return std::nullopt;
    return it->second;
  }
};

class NetworkScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hood_.status = &status_;
  }

  std::vector<std::string> Addresses() const {
    std::vector<std::string> out;
    for (int i = 0; i < list_.Count(); ++i) out.push_back(list_.At(i).Address());
    return out;
  }

  test::TestHome home_;
  test::RecordingStatus status_;
  FakeNeighbourhood hood_;
  ServerList list_;
};

TEST_F(NetworkScanTest, MachineBecomesServerOnDefaultPortAndNamesItsCacheSection) {
  hood_.children[""] = {{Container("WORKGROUP")}};
  hood_.children["WORKGROUP"] = {{Machine("\\\\GAMEBOX")}};
  hood_.addresses["GAMEBOX"] = {192, 168, 0, 7};

  ScanNetwork(list_, true, hood_);

  ASSERT_EQ(Addresses(), std::vector<std::string>{"192.168.0.7:27960"});
  EXPECT_EQ(list_.At(0).host, "192.168.0.7");
  EXPECT_EQ(list_.At(0).port, 27960);
  EXPECT_EQ(list_.At(0).password, "");
  EXPECT_EQ(GetCachedName("192.168.0.7:27960"), "GAMEBOX");
  // Listed before its name was stored: shown as never seen until copied again.
  EXPECT_EQ(list_.At(0).name, "-");
  EXPECT_EQ(ServerInfo(list_.At(0)).name, "GAMEBOX");
  EXPECT_EQ(hood_.resolved, std::vector<std::string>{"GAMEBOX"});
}

TEST_F(NetworkScanTest, UnresolvableMachineAddsAndWritesNothing) {
  hood_.children[""] = {{Machine("\\\\GHOST"), Machine("\\\\HOST")}};
  hood_.addresses["HOST"] = {10, 0, 0, 9};

  ScanNetwork(list_, true, hood_);

  EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.9:27960"});
  EXPECT_EQ(ReadCacheValue("10.0.0.9:27960", "name", "none"), "HOST");
  EXPECT_EQ(hood_.resolved, (std::vector<std::string>{"GHOST", "HOST"}));
}

TEST_F(NetworkScanTest, TwoNamesOfOneAddressGiveOneServer) {
  hood_.children[""] = {{Machine("\\\\ALPHA"), Machine("\\\\BETA")}};
  hood_.addresses["ALPHA"] = {10, 0, 0, 5};
  hood_.addresses["BETA"] = {10, 0, 0, 5};

  // Twice: on the second scan the cache already holds a name for the address.
  for (int scan = 0; scan < 2; ++scan) {
    ScanNetwork(list_, true, hood_);
    EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.5:27960"}) << "scan " << scan;
    EXPECT_EQ(GetCachedName("10.0.0.5:27960"), "BETA");
  }
}

TEST_F(NetworkScanTest, ClearDropsEarlierServersEvenWhenTheNetworkIsUnreachable) {
  list_.Add(ServerInfo("10.1.1.1", 27960, ""));
  list_.Add(ServerInfo("10.1.1.2", 27961, ""));

  ScanNetwork(list_, false, hood_);  // top cannot be opened
  EXPECT_EQ(list_.Count(), 2);

  ScanNetwork(list_, true, hood_);
  EXPECT_EQ(list_.Count(), 0);
  // The top of the walk is never announced.
  EXPECT_TRUE(status_.shown.empty());
  EXPECT_EQ(status_.text, "  Ready");
}

TEST_F(NetworkScanTest, WithoutClearScannedServersJoinTheListOnce) {
  list_.Add(ServerInfo("10.0.0.5", 27960, ""));
  hood_.children[""] = {{Machine("\\\\ALPHA"), Machine("\\\\GAMMA")}};
  hood_.addresses["ALPHA"] = {10, 0, 0, 5};
  hood_.addresses["GAMMA"] = {10, 0, 0, 6};

  ScanNetwork(list_, false, hood_);

  EXPECT_EQ(Addresses(), (std::vector<std::string>{"10.0.0.5:27960", "10.0.0.6:27960"}));
}

TEST_F(NetworkScanTest, WalksDepthFirstAnnouncingEachContainer) {
  hood_.children[""] = {{Container("NET"), Machine("\\\\TOP")}};
  hood_.children["NET"] = {{Container("GROUP"), Machine("\\\\MID")}, {}, {Container("SHUT")}};
  hood_.children["GROUP"] = {{Machine("\\\\DEEP")}};
  // "SHUT" cannot be opened.
  hood_.addresses = {{"TOP", {10, 0, 0, 1}}, {"MID", {10, 0, 0, 2}}, {"DEEP", {10, 0, 0, 3}}};

  EXPECT_TRUE(ScanContainer(list_, hood_, nullptr));

  EXPECT_EQ(Addresses(),
            (std::vector<std::string>{"10.0.0.3:27960", "10.0.0.2:27960", "10.0.0.1:27960"}));
  EXPECT_EQ(hood_.opened,
            (std::vector<std::string>{"|  Ready", "NET|  Scanning:NET", "GROUP|  Scanning:GROUP",
                                      "SHUT|  Scanning:SHUT"}));
  // Each container's text gives way to the one it replaced.
  EXPECT_EQ(status_.shown,
            (std::vector<std::string>{"  Scanning:NET", "  Scanning:GROUP", "  Scanning:NET",
                                      "  Scanning:SHUT", "  Scanning:NET", "  Ready"}));
  EXPECT_EQ(hood_.open, 0);
  EXPECT_EQ(hood_.closes, 3);
}

TEST_F(NetworkScanTest, ContainerThatCannotBeOpenedReportsFailure) {
  const NeighbourhoodEntry shut = Container("SHUT");
  EXPECT_FALSE(ScanContainer(list_, hood_, &shut));
  EXPECT_EQ(status_.shown, (std::vector<std::string>{"  Scanning:SHUT", "  Ready"}));
}

TEST_F(NetworkScanTest, OnlyMachinesAndContainersCountAndNamesLoseOnlyTwoBackslashes) {
  hood_.children[""] = {{NeighbourhoodEntry{kDisplayTypeGeneric, kUsageConnectable, "\\\\SHARE"},
                         Machine("PLAIN"), Machine("\\ONE"), Machine("\\\\\\THREE"),
                         Machine("\\\\")}};
  hood_.addresses = {
      {"PLAIN", {10, 0, 0, 1}}, {"\\ONE", {10, 0, 0, 2}}, {"\\THREE", {10, 0, 0, 3}}};

  ScanNetwork(list_, true, hood_);

  EXPECT_EQ(hood_.resolved, (std::vector<std::string>{"PLAIN", "\\ONE", "\\THREE", ""}));
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(GetCachedName("10.0.0.3:27960"), "\\THREE");
}

TEST_F(NetworkScanTest, ContainerListedInsideItselfEnds) {
  hood_.children[""] = {{Container("LOOP")}};
  hood_.children["LOOP"] = {{Container("LOOP"), Machine("\\\\A")}};
  hood_.addresses = {{"A", {10, 0, 0, 1}}};
  ScanNetwork(list_, true, hood_);
  EXPECT_EQ(Addresses(), std::vector<std::string>{"10.0.0.1:27960"});
  EXPECT_EQ(hood_.open, 0);
  EXPECT_EQ(status_.text, "  Ready");
}

}  // namespace
}  // namespace vyk
