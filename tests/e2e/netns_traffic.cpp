// The traffic readouts of the running program against the kernel's own count, inside the
// network namespace that netns_monitor.sh makes: row 2 of the interface table is one end of a
// veth pair whose far end lies in a second namespace of the test's own, and nothing else talks.
// The driver sends a burst of UDP datagrams of a known size to the far end and checks what the
// received and sent readouts show for the ticks that saw the burst, and the traffic total.
//
// Environment (set by netns_monitor.sh): KESTROVA_VETH, the veth end's name in /proc/net/dev;
// KESTROVA_PEER, the far end's address, which must lie in one of the tests' own networks:
// 10.201.0.0/24 (the 64-bit tier's) or 10.202.0.0/24 (the 32-bit tier's).
#include <winsock2.h>

#include "e2e_fixture.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/numtext.h"

namespace kestrova::e2e {
namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The kernel's received and sent bytes of an interface, from /proc/net/dev of the namespace
// this process runs in (Wine shows the Unix root as drive Z:).
struct Counters {
  std::uint64_t rx = 0, tx = 0;
  bool operator==(const Counters&) const = default;
};
std::optional<Counters> kernelCounters(const std::string& ifname) {
  const auto bytes = readFileBytes(L"Z:\\proc\\net\\dev");
  if (!bytes) return std::nullopt;
  const std::string& all = *bytes;
  std::istringstream lines(all);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    name.erase(0, name.find_first_not_of(' '));
    if (name != ifname) continue;
    // rx: bytes packets errs drop fifo frame compressed multicast; then tx: bytes ...
    std::istringstream fields(line.substr(colon + 1));
    std::uint64_t v[9] = {};
    for (auto& x : v) fields >> x;
    if (!fields) return std::nullopt;
    return Counters{v[0], v[8]};
  }
  return std::nullopt;
}

// Counters that hold still for 200 ms (the far end's replies come within microseconds).
std::optional<Counters> settledCounters(const std::string& ifname) {
  std::optional<Counters> last = kernelCounters(ifname), now;
  const bool settled = waitUntil(
      [&] {
        now = kernelCounters(ifname);
        if (now && last && *now == *last) return true;
        last = now;
        return false;
      },
      5s, 200ms);
  return settled ? now : std::nullopt;
}

struct Winsock {
  Winsock() { ok = WSAStartup(MAKEWORD(2, 2), &data) == 0; }
  ~Winsock() {
    if (ok) WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  WSADATA data{};
  bool ok = false;
};

struct Socket {
  explicit Socket(SOCKET handle) : s(handle) {}
  ~Socket() {
    if (s != INVALID_SOCKET) closesocket(s);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET s;
};

// Sends count datagrams of size bytes to port 9 (discard) of the peer; the number sent.
int sendBurst(const in_addr& peer, int count, int size) {
  Socket sock(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (sock.s == INVALID_SOCKET) return 0;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(9);
  to.sin_addr = peer;
  const std::string payload(static_cast<std::size_t>(size), 'k');
  int sent = 0;
  for (int i = 0; i < count; ++i) {
    if (sendto(sock.s, payload.data(), size, 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) == size) {
      ++sent;
    }
  }
  return sent;
}

// The kilobytes of a traffic readout such as "203.52KB".
std::optional<double> kilobytesOf(const std::string& t) {
  if (t.size() < 3 || t.compare(t.size() - 2, 2, "KB") != 0) return std::nullopt;
  return numericValue(t.substr(0, t.size() - 2));
}

using TrafficReadouts = Running;

TEST_F(TrafficReadouts, FollowTheKernelsCountOfABurstOverTheVeth) {
  const std::string ifname = environment("KESTROVA_VETH");
  const std::string peerText = environment("KESTROVA_PEER");
  ASSERT_FALSE(ifname.empty()) << "KESTROVA_VETH not set: run through netns_monitor.sh";
  in_addr peer{};
  peer.s_addr = inet_addr(peerText.c_str());
  ASSERT_NE(peer.s_addr, INADDR_NONE) << "KESTROVA_PEER: " << peerText;
  // Only ever the tests' own networks.
  const auto network = ntohl(peer.s_addr) & 0xFFFFFF00u;
  ASSERT_TRUE(network == 0x0AC90000u || network == 0x0ACA0000u)
      << peerText << " is not in 10.201.0.0/24 or 10.202.0.0/24";
  Winsock winsock;
  ASSERT_TRUE(winsock.ok);

  HWND received = control(Ctl::接收透明标签);
  HWND sent = control(Ctl::发送透明标签);
  HWND total = control(Ctl::流量标签);
  HWND clock = control(Ctl::透明标签1);
  ASSERT_TRUE(received && sent && total && clock);

  // After the first ticks the namespace is quiet: nothing counted, nothing moving.
  ASSERT_TRUE(waitUntil([&] { return text(total) == "0MB"; }, 20s))
      << "total reads " << text(total);
  ASSERT_EQ(text(received), "0.00KB");
  ASSERT_EQ(text(sent), "0.00KB");

  // Right after a clock tick (its timer and the sampling timer were set together, so a sampling
  // tick has just passed too): the burst then falls inside one sampling interval as a rule.
  const std::string clockBefore = text(clock);
  ASSERT_TRUE(waitUntil([&] { return text(clock) != clockBefore; }, 5s, 5ms));
  const auto before = settledCounters(ifname);
  ASSERT_TRUE(before) << "no counters of " << ifname << " in /proc/net/dev";
  constexpr int kDatagrams = 200, kPayload = 1000;
  ASSERT_EQ(sendBurst(peer, kDatagrams, kPayload), kDatagrams);
  const auto after = settledCounters(ifname);
  ASSERT_TRUE(after);
  const std::uint64_t rx = after->rx - before->rx, tx = after->tx - before->tx;
  // Each datagram carries 42 bytes of Ethernet, IP and UDP headers; ARP asks once.
  EXPECT_GE(tx, static_cast<std::uint64_t>(kDatagrams) * (kPayload + 42));

  // Every readout the two labels show until both are back at 0.00KB and a tick has passed.
  std::vector<std::string> rxShown, txShown, odd;
  std::string lastRx = text(received), lastTx = text(sent);
  if (lastRx != "0.00KB") rxShown.push_back(lastRx);
  if (lastTx != "0.00KB") txShown.push_back(lastTx);
  const std::string clockAtBurst = text(clock);
  ASSERT_TRUE(waitUntil(
      [&] {
        const std::string r = text(received), t = text(sent);
        // A text that is no readout is noted (a read the program did not answer throws).
        if (!kilobytesOf(r) || !kilobytesOf(t)) {
          odd.push_back(r + " / " + t);
          return false;
        }
        if (r != lastRx && r != "0.00KB") rxShown.push_back(r);
        if (t != lastTx && t != "0.00KB") txShown.push_back(t);
        lastRx = r;
        lastTx = t;
        return !txShown.empty() && r == "0.00KB" && t == "0.00KB" && text(clock) != clockAtBurst;
      },
      10s, 5ms))
      << "the sent readout never showed the burst, or never went back: received " << lastRx
      << ", sent " << lastTx;

  const auto joined = [](const std::vector<std::string>& v) {
    std::string out;
    for (const auto& x : v) out += (out.empty() ? "" : ", ") + x;
    return out;
  };
  std::printf("kernel: %llu bytes received, %llu sent; shown: received [%s], sent [%s], total %s\n",
              static_cast<unsigned long long>(rx), static_cast<unsigned long long>(tx),
              joined(rxShown).c_str(), joined(txShown).c_str(), text(total).c_str());
  EXPECT_TRUE(odd.empty()) << "texts that are no readouts: " << joined(odd);
  const auto sumOf = [](const std::vector<std::string>& shown) {
    double kb = 0;
    for (const auto& s : shown) kb += kilobytesOf(s).value_or(-1e9);
    return kb;
  };
  const double txKb = static_cast<double>(tx) / 1024, rxKb = static_cast<double>(rx) / 1024;
  // One tick saw the burst: its readout is the kernel's count in kilobytes. A burst split over
  // two ticks shows two readouts that add up to it, each rounded to 0.01.
  if (txShown.size() == 1) {
    EXPECT_EQ(txShown[0], twoDecimalText(txKb) + "KB") << tx << " bytes sent";
  } else {
    EXPECT_NEAR(sumOf(txShown), txKb, 0.005 * static_cast<double>(txShown.size()))
        << tx << " bytes sent over " << txShown.size() << " ticks: " << joined(txShown);
  }
  if (rxShown.size() <= 1) {
    EXPECT_EQ(rxShown.empty() ? "0.00KB" : rxShown[0], twoDecimalText(rxKb) + "KB")
        << rx << " bytes received";
  } else {
    EXPECT_NEAR(sumOf(rxShown), rxKb, 0.005 * static_cast<double>(rxShown.size()))
        << rx << " bytes received over " << rxShown.size() << " ticks: " << joined(rxShown);
  }
  // The total counts every byte since start-up, and nothing but the burst crossed the veth.
  const double mb = static_cast<double>(rx + tx) / (1 << 20);
  EXPECT_EQ(text(total), plainNumberText(decimalRound(mb, 2)) + "MB") << rx + tx << " bytes in all";
  EXPECT_NE(text(total), "0MB");
}

}  // namespace
}  // namespace kestrova::e2e
