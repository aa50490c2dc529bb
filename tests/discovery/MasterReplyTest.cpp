// The request and reply bytes of the master exchange, without sockets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/MasterQuery.h"

namespace vyk {
namespace {

const std::string kHeader("\xFF\xFF\xFF\xFFgetserversResponse", 22);
const std::string kEot("\\EOT\0\0\0", 7);

// "\" and the six bytes of a.b.c.d:port.
std::string Entry(int a, int b, int c, int d, int port) {
  const char bytes[] = {'\\',
                        static_cast<char>(a),
                        static_cast<char>(b),
                        static_cast<char>(c),
                        static_cast<char>(d),
                        static_cast<char>(port >> 8),
                        static_cast<char>(port & 0xFF)};
  return std::string(bytes, sizeof bytes);
}

std::string Reply(int servers, const std::string& tail = "") {
  std::string datagram = kHeader;
  for (int i = 0; i < servers; ++i) datagram += Entry(10, 0, i / 256, i % 256, 27960 + i);
  return datagram + tail;
}

std::vector<std::string> Parse(const std::string& datagram) {
  std::vector<MasterEntry> entries;
  MasterQuery::ParseReply(datagram.data(), datagram.size(), entries);
  std::vector<std::string> out;
  for (const MasterEntry& entry : entries) {
    out.push_back(MasterEntryHost(entry) + ":" + std::to_string(MasterEntryPort(entry)));
  }
  return out;
}

TEST(MasterRequest, AsksForEmptyAndFullServersWithoutALineFeed) {
  EXPECT_EQ(MasterQuery::RequestDatagram("66"),
            std::string("\xFF\xFF\xFF\xFFgetservers 66 empty full\0", 29));
  EXPECT_EQ(MasterQuery::RequestDatagram("71").size(), 29u);
  EXPECT_EQ(MasterQuery::RequestDatagram(""),
            std::string("\xFF\xFF\xFF\xFFgetservers  empty full\0", 27));
}

TEST(MasterRequest, StopsAtAZeroByteAndFitsItsBuffer) {
  EXPECT_EQ(MasterQuery::RequestDatagram(std::string("68\0junk", 7)),
            std::string("\xFF\xFF\xFF\xFFgetservers 68 empty full\0", 29));
  const std::string huge = MasterQuery::RequestDatagram(std::string(100000, '6'));
  EXPECT_EQ(huge.size(), 8192u);
  EXPECT_EQ(huge.back(), '\0');
}

TEST(MasterReply, EntriesKeepNetworkByteOrderAndArrivalOrder) {
  std::vector<MasterEntry> entries;
  const std::string datagram = kHeader + Entry(192, 168, 1, 2, 0x6D38) + kEot;
  MasterQuery::ParseReply(datagram.data(), datagram.size(), entries);
  ASSERT_EQ(entries.size(), 1u);
  const auto* address = reinterpret_cast<const unsigned char*>(&entries[0].address);
  EXPECT_EQ(address[0], 192);
  EXPECT_EQ(address[3], 2);
  const auto* port = reinterpret_cast<const unsigned char*>(&entries[0].port);
  EXPECT_EQ(port[0], 0x6D);
  EXPECT_EQ(port[1], 0x38);
  EXPECT_EQ(Parse(datagram), std::vector<std::string>{"192.168.1.2:27960"});
}

TEST(MasterReply, EveryWholeEntryCountsWhateverFollowsIt) {
  for (int k : {1, 2, 196}) {
    EXPECT_EQ(Parse(Reply(k, kEot)).size(), static_cast<std::size_t>(k)) << k << " + EOT";
    EXPECT_EQ(Parse(Reply(k, std::string("\\EOT", 4))).size(), static_cast<std::size_t>(k))
        << k << " + 4-byte tail";
    // A full datagram of a long list ends right after its last port.
    EXPECT_EQ(Parse(Reply(k)).size(), static_cast<std::size_t>(k)) << k << " bare";
  }
  EXPECT_EQ(Reply(196).size(), 1394u);
  EXPECT_EQ(Parse(Reply(196)).back(), "10.0.0.195:28155");
}

TEST(MasterReply, ShortDatagramsYieldNothing) {
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(Parse(kHeader).empty());
  EXPECT_TRUE(Parse(kHeader + kEot).empty());
  EXPECT_TRUE(Parse(Reply(1).substr(0, 28)).empty());
  EXPECT_EQ(Parse(Reply(1)).size(), 1u);  // 29 bytes: header and one entry
}

TEST(MasterReply, EndMarkerEndsTheDatagramButLookalikeServersStay) {
  EXPECT_EQ(Parse(Reply(1, kEot + Entry(10, 9, 9, 9, 1))).size(), 1u);
  // 69.79.84.x is "EOT" in bytes; only the marker's port 0 sets it apart.
  EXPECT_EQ(Parse(kHeader + Entry(69, 79, 84, 5, 27960) + Entry(69, 79, 84, 0, 27960) + kEot),
            (std::vector<std::string>{"69.79.84.5:27960", "69.79.84.0:27960"}));
}

TEST(MasterReply, TellsWhetherTheDatagramEndsTheList) {
  const auto ends = [](const std::string& datagram) {
    std::vector<MasterEntry> entries;
    return MasterQuery::ParseReply(datagram.data(), datagram.size(), entries);
  };
  EXPECT_TRUE(ends(Reply(3, kEot)));
  EXPECT_TRUE(ends(Reply(0, kEot)));
  EXPECT_TRUE(ends(Reply(3, std::string("\\EOT", 4))));
  EXPECT_TRUE(ends(Reply(3, kEot + Entry(10, 0, 0, 1, 1))));
  EXPECT_FALSE(ends(Reply(3)));
  EXPECT_FALSE(ends(Reply(3, std::string("\\EO", 3))));
  EXPECT_FALSE(ends(Reply(1, Entry(69, 79, 84, 0, 27960))));
  EXPECT_FALSE(ends(""));
  EXPECT_FALSE(ends(kHeader));
}

TEST(MasterReply, OneReplyStopsAtItsBoundEvenInsideADatagram) {
  std::vector<MasterEntry> entries(MasterQuery::kMaxEntries - 2);
  const std::string datagram = Reply(5);
  EXPECT_TRUE(MasterQuery::ParseReply(datagram.data(), datagram.size(), entries));
  ASSERT_EQ(entries.size(), 65536u);
  EXPECT_EQ(MasterEntryHost(entries.back()), "10.0.0.1");
}

TEST(MasterReply, DuplicatesStayAndSeparatorsAreNotExamined) {
  std::string datagram = kHeader + Entry(10, 0, 0, 1, 27960) + Entry(10, 0, 0, 1, 27960);
  datagram[22 + 7] = '/';
  EXPECT_EQ(Parse(datagram), (std::vector<std::string>{"10.0.0.1:27960", "10.0.0.1:27960"}));
}

// getserversExt: "\" + IPv4 entries and "/" + IPv6 entries, read by their separators.
const std::string kExtHeader("\xFF\xFF\xFF\xFFgetserversExtResponse", 25);

std::string Entry6(const std::string& sixteen, int port) {
  return "/" + sixteen + std::string{static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
}
const std::string kLoopback6 = std::string(15, '\0') + '\1';

std::vector<std::string> ParseTagged(const std::string& datagram, MasterReplies& replies,
                                     bool* ended = nullptr) {
  std::vector<MasterEntry> entries;
  const bool end = MasterQuery::ParseTaggedReply(datagram.data(), datagram.size(), entries,
                                                 replies, MasterQuery::kMaxEntries);
  if (ended) *ended = end;
  std::vector<std::string> out;
  for (const MasterEntry& e : entries)
    out.push_back(MasterEntryHost(e) + ":" + std::to_string(MasterEntryPort(e)));
  return out;
}

TEST(MasterRequest, ExtAsksForTheGameByNameAndBothFamilies) {
  EXPECT_EQ(MasterQuery::ExtRequestDatagram("71"),
            std::string("\xFF\xFF\xFF\xFFgetserversExt Quake3Arena 71 empty full\0", 44));
}

TEST(MasterReply, ExtRepliesMixBothFamiliesAndEndWithTheMarker) {
  MasterReplies replies;
  bool ended = false;
  const std::string mapped = std::string(10, '\0') + std::string("\xFF\xFF\x0A\x00\x00\x07", 6);
  EXPECT_EQ(ParseTagged(kExtHeader + Entry(10, 0, 0, 1, 27960) + Entry6(kLoopback6, 27961) +
                            Entry6(mapped, 27962) + kEot + Entry(10, 9, 9, 9, 1),
                        replies, &ended),
            (std::vector<std::string>{"10.0.0.1:27960", "::1:27961", "10.0.0.7:27962"}));
  EXPECT_TRUE(ended);
  EXPECT_EQ(replies.extended, 1);
  EXPECT_EQ(replies.listsEnded, 1);

  // A getservers reply read the same way: a stray "/" entry is still one entry.
  EXPECT_EQ(ParseTagged(kHeader + Entry6(kLoopback6, 1) + Entry(10, 0, 0, 2, 2), replies),
            (std::vector<std::string>{"::1:1", "10.0.0.2:2"}));
  EXPECT_EQ(replies.plain, 1);
}

TEST(MasterReply, TaggedEntriesCutShortOrUnknownEndTheDatagramButKeepWhatCameBefore) {
  MasterReplies replies;
  const std::string good = kExtHeader + Entry(10, 0, 0, 1, 27960);
  EXPECT_EQ(ParseTagged(good + Entry6(kLoopback6, 1).substr(0, 12), replies).size(), 1u);
  EXPECT_EQ(ParseTagged(good + "?" + Entry(10, 0, 0, 2, 2).substr(1), replies).size(), 1u);
  EXPECT_EQ(ParseTagged(good + Entry(10, 0, 0, 2, 2).substr(0, 5), replies).size(), 1u);
  // Not a master's reply at all: nothing, and not counted as one.
  EXPECT_TRUE(ParseTagged("\xFF\xFF\xFF\xFFstatusResponse\n" + Entry(1, 2, 3, 4, 5), replies).empty());
  EXPECT_EQ(replies.extended + replies.plain, 3);
  EXPECT_EQ(replies.listsEnded, 0);
  bool ended = false;
  ParseTagged(kExtHeader + std::string("\\EOT", 4), replies, &ended);
  EXPECT_TRUE(ended);
}

TEST(MasterPacer, FourInABurstThenOneEveryDecayAfterTheLast) {
  using namespace std::chrono_literals;
  RequestPacer pacer(4, 3s);
  const SteadyTime start = SteadyNow();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pacer.Wait(start + i * 10ms), 0us) << i;
    pacer.Sent(start + i * 10ms);
  }
  const SteadyTime last = start + 30ms;
  EXPECT_EQ(pacer.Wait(last), 3s);
  EXPECT_EQ(pacer.Wait(last + 2999ms), 1ms);  // a part of a step takes nothing off
  EXPECT_EQ(pacer.Wait(last + 3s), 0us);
  pacer.Sent(last + 3s);
  EXPECT_EQ(pacer.Wait(last + 3s), 3s);
  // A quiet while later the whole burst is free again.
  pacer.Sent(last + 60s);
  EXPECT_EQ(pacer.Wait(last + 60s), 0us);
}

}  // namespace
}  // namespace vyk
