#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/NetworkNeighbourhood.h"

// The /proc/net/arp reader exists on Linux only.
#ifndef _WIN32
namespace vyk {
namespace {

const char kTable[] =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "192.168.0.7      0x1         0x2         00:11:22:33:44:55     *        eth0\n"
    "192.168.0.9      0x1         0x0         00:00:00:00:00:00     *        eth0\n"
    "10.0.0.3         0x1         0x2         00:11:22:33:44:66     *        wlan0\n"
    "192.168.0.1      0x1         0x6         00:11:22:33:44:77     *        eth0\n"
    "garbage line\n"
    "999.1.1.1        0x1         0x2         00:11:22:33:44:88     *        eth0\n"
    "192.168.0.20     0x1         zz          00:11:22:33:44:99     *        eth0\r\n"
    "192.168.0.7      0x1         0x2         00:11:22:33:44:55     *        eth0\n";

TEST(NeighbourTable, KeepsCompleteEntriesOfOneDeviceInTableOrder) {
  EXPECT_EQ(ParseNeighbourTable(kTable, "eth0"),
            (std::vector<std::string>{"192.168.0.7", "192.168.0.1"}));
  EXPECT_EQ(ParseNeighbourTable(kTable, "wlan0"), std::vector<std::string>{"10.0.0.3"});
  EXPECT_TRUE(ParseNeighbourTable(kTable, "eth1").empty());
}

TEST(NeighbourTable, HeaderOnlyOrEmptyTextGivesNothing) {
  EXPECT_TRUE(ParseNeighbourTable("", "eth0").empty());
  EXPECT_TRUE(
      ParseNeighbourTable("IP address HW type Flags HW address Mask Device\n", "Device").empty());
}

}  // namespace
}  // namespace vyk
#endif

namespace vyk {
namespace {

// Only what needs no network: the interface list and dotted names.
TEST(SystemNeighbourhood, TopListsInterfaceContainersWithoutLoopback) {
  auto hood = MakeSystemNeighbourhood();
  auto top = hood->Open(nullptr);
  ASSERT_NE(top, nullptr);
  std::vector<NeighbourhoodEntry> batch;
  while (top->Next(batch)) {
    for (const NeighbourhoodEntry& entry : batch) {
      EXPECT_NE(entry.remoteName, "lo");
      EXPECT_NE(entry.usage & kUsageContainer, 0u);
      EXPECT_NE(entry.displayType, kDisplayTypeServer);
    }
  }
  EXPECT_TRUE(top->Close());
  const NeighbourhoodEntry machine{kDisplayTypeServer, 0, "\\\\box"};
  EXPECT_EQ(hood->Open(&machine), nullptr);
}

TEST(SystemNeighbourhood, DottedNameResolvesToItself) {
  auto hood = MakeSystemNeighbourhood();
  EXPECT_EQ(hood->Resolve("192.168.0.7"), (Ipv4Address{192, 168, 0, 7}));
  EXPECT_FALSE(hood->Resolve("").has_value());
}

}  // namespace
}  // namespace vyk
