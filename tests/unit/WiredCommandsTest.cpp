// The wired commands' logic without sockets: adapter choice, the judging of
// set-DHCP answers, the request's fields, and the handlers' threads and
// bounded waits over fake adapters and thread bodies.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "net/FrameHeader.h"
#include "ui/config/WiredCommands.h"

namespace quillon {
namespace {

TEST(WiredOutcomeTexts, AreTheSixGivenTexts) {
    EXPECT_EQ(OutcomeText(WiredOutcome::OperationSucceeded), "Operation Succeeded!");
    EXPECT_EQ(OutcomeText(WiredOutcome::OperationFailed), "Operation failed!");
    EXPECT_EQ(OutcomeText(WiredOutcome::SendDhcpFailed), "Send DHCP Command failed!");
    EXPECT_EQ(OutcomeText(WiredOutcome::MayBeOldDevice), "Operation failed,May be old Device!");
    EXPECT_EQ(OutcomeText(WiredOutcome::SetDhcpFailed), "Set DHCP Failed!");
    EXPECT_EQ(OutcomeText(WiredOutcome::SetDhcpSucceeded), "Set DHCP Succeeded!!");
    EXPECT_TRUE(IsSuccess(WiredOutcome::OperationSucceeded));
    EXPECT_TRUE(IsSuccess(WiredOutcome::SetDhcpSucceeded));
    EXPECT_FALSE(IsSuccess(WiredOutcome::MayBeOldDevice));
}

TEST(AdapterPrefix, ComparesCharactersUpToTheLastDot) {
    EXPECT_TRUE(AdapterMatchesAddress("192.168.1.7", "192.168.1.50"));
    EXPECT_TRUE(AdapterMatchesAddress("192.168.10.7", "192.168.1.50"));  // not octets
    EXPECT_FALSE(AdapterMatchesAddress("10.0.0.3", "192.168.1.50"));
    EXPECT_FALSE(AdapterMatchesAddress("192.168.2.7", "192.168.1.50"));
    EXPECT_FALSE(AdapterMatchesAddress("192.168.", "192.168.1.50"));  // shorter than the prefix
    EXPECT_TRUE(AdapterMatchesAddress("192.168.1", "192.168.1.50"));  // exactly the prefix
    EXPECT_FALSE(AdapterMatchesAddress("192.168.1.7", "19216815"));   // no dot: nothing matches
    EXPECT_FALSE(AdapterMatchesAddress("0.0.0.0", "10.0.0.5"));
}

std::array<std::uint8_t, DHCP_REPLY_SIZE> reply(std::uint32_t result, std::uint8_t filler = 0) {
    std::array<std::uint8_t, DHCP_REPLY_SIZE> r{};
    r.fill(filler);
    for (int i = 0; i < 4; ++i) {
        r[12 + i] = static_cast<std::uint8_t>(result >> (8 * i));
    }
    return r;
}

TEST(DhcpReplyJudgement, OnlyASixteenByteReplyIsAnAnswer) {
    // Whatever the first twelve bytes hold, the result word decides.
    EXPECT_EQ(JudgeDhcpReply(16, reply(0, 0xEE)), WiredOutcome::SetDhcpSucceeded);
    EXPECT_EQ(JudgeDhcpReply(16, reply(1)), WiredOutcome::SetDhcpFailed);
    EXPECT_EQ(JudgeDhcpReply(16, reply(0x01000000)), WiredOutcome::SetDhcpFailed);
    EXPECT_EQ(JudgeDhcpReply(16, reply(0xFFFFFFFF)), WiredOutcome::SetDhcpFailed);
    // Time-out, error (a 20-byte datagram is one), short replies.
    for (const int received : {0, -1, 1, 12, 15}) {
        EXPECT_EQ(JudgeDhcpReply(received, reply(0)), WiredOutcome::MayBeOldDevice) << received;
    }
    // A count past the buffer can't be believed.
    EXPECT_EQ(JudgeDhcpReply(17, reply(0)), WiredOutcome::MayBeOldDevice);
}

TEST(WiredRequest, FieldsAreCopiedInPlaceAndTooLongTextsChangeNothing) {
    NetAddressBlock block{};
    ASSERT_TRUE(FillSetAddressRequest(block, "192.168.100.200", "192.168.100.1", "255.255.255.0",
                                      "02:00:0A:00:00:21"));
    ASSERT_TRUE(
        FillSetAddressRequest(block, "10.0.0.5", "10.0.0.1", "255.0.0.0", "02:00:0A:00:00:21"));
    EXPECT_EQ(FieldText(block.ip), "10.0.0.5");
    // The tail of the earlier, longer text stays after the NUL, as sent.
    EXPECT_EQ(block.ip[8], '\0');
    EXPECT_EQ(block.ip[9], std::string_view("192.168.100.200")[9]);

    const NetAddressBlock before = block;
    const std::string twentyChars = "02:00:0A:00:00:21:FF";
    ASSERT_EQ(twentyChars.size(), 20u);
    EXPECT_FALSE(FillSetAddressRequest(block, "10.0.0.6", "10.0.0.1", "255.0.0.0", twentyChars));
    EXPECT_FALSE(FillSetDhcpRequest(block, twentyChars));
    EXPECT_EQ(block.Encode(), before.Encode());
    EXPECT_TRUE(FillSetDhcpRequest(block, twentyChars.substr(0, 19)));
}

// A fake thread body: records what it was given and reports, or blocks
// until released when told to.
struct FakeThreads {
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    bool block = false;
    std::vector<std::pair<std::string, WiredCommand>> started;
    std::vector<std::string> reported;
};

WiredCommandHooks fakeHooks(const std::shared_ptr<FakeThreads>& fake,
                            std::vector<std::string> adapters) {
    WiredCommandHooks hooks;
    hooks.listAdapters = [adapters] {
        std::vector<AdapterAddress> list;
        for (const auto& a : adapters) {
            list.push_back({"eth", static_cast<unsigned>(list.size() + 1), a});
        }
        return list;
    };
    hooks.report = [fake](std::string_view adapter, WiredOutcome) {
        std::lock_guard lock(fake->mutex);
        fake->reported.emplace_back(adapter);
    };
    hooks.runThread = [fake](CommandSlot slot, WiredCommand command) {
        std::unique_lock lock(fake->mutex);
        fake->started.emplace_back(slot.address, command);
        if (fake->block) {
            fake->released.wait(lock, [&] { return fake->release; });
        }
        lock.unlock();
        slot.report(slot.address, WiredOutcome::OperationSucceeded);
    };
    return hooks;
}

TEST(SetNetworkHandler, StartsOneThreadPerMatchingAdapterInListOrder) {
    auto fake = std::make_shared<FakeThreads>();
    NetAddressBlock request{};
    ASSERT_TRUE(FillSetAddressRequest(request, "192.168.1.50", "192.168.1.1", "255.255.255.0",
                                      "02:00:0A:00:00:21"));
    WorkerThread handle;
    EXPECT_EQ(SendSetNetwork(request,
                             fakeHooks(fake, {"10.0.0.3", "192.168.1.7", "0.0.0.0", "192.168.1.9"}),
                             handle),
              2u);
    EXPECT_FALSE(handle.valid());  // cleared after each wait
    JoinOutstandingWorkerThreads();
    ASSERT_EQ(fake->started.size(), 2u);
    EXPECT_EQ(fake->started[0].first, "192.168.1.7");
    EXPECT_EQ(fake->started[1].first, "192.168.1.9");
    EXPECT_EQ(fake->reported, (std::vector<std::string>{"192.168.1.7", "192.168.1.9"}));

    fake->started.clear();
    ASSERT_TRUE(FillSetAddressRequest(request, "172.16.0.5", "172.16.0.1", "255.255.0.0", "x"));
    EXPECT_EQ(SendSetNetwork(request, fakeHooks(fake, {"10.0.0.3", "192.168.1.7"}), handle), 0u);
    EXPECT_TRUE(fake->started.empty());
}

TEST(SetDhcpHandler, EveryAdapterInTurnAndAStuckThreadIsLeftAfterItsWait) {
    SetDhcpWaitForTesting(50);
    auto fake = std::make_shared<FakeThreads>();
    fake->block = true;  // every thread sits in its "box" until released
    NetAddressBlock request{};
    ASSERT_TRUE(FillSetDhcpRequest(request, "02:00:0A:00:00:21"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendSetDhcp(request, fakeHooks(fake, {"10.0.0.3", "0.0.0.0", "192.168.1.7"})), 3u);
    const auto waited = std::chrono::steady_clock::now() - start;
    {
        std::lock_guard lock(fake->mutex);
        ASSERT_EQ(fake->started.size(), 3u);
        EXPECT_EQ(fake->started[1].first, "0.0.0.0");  // no address test for DHCP
        EXPECT_TRUE(fake->started[2].second == WiredCommand::SetDhcp);
        EXPECT_TRUE(fake->reported.empty());
        fake->release = true;
    }
    fake->released.notify_all();
    JoinOutstandingWorkerThreads();
    EXPECT_EQ(fake->reported.size(), 3u);
    // Each wait was bounded: the handler went on without the stuck threads.
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    SetDhcpWaitForTesting(SET_DHCP_WAIT_MS);
}

TEST(SetDhcpMessage, CarriesTheMacTextWithoutATerminator) {
    const auto message = BuildSetDhcpMessage("02:00:0A:00:00:21");
    ASSERT_EQ(message.size(), 29u);
    const auto header = FrameHeader::Decode(message);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->length, 17u);
    EXPECT_EQ(header->subCommand, NET_SET_DHCP);
    EXPECT_EQ(header->command, CMD_NETWORK);
    EXPECT_EQ(message.back(), '1');
}

}  // namespace
}  // namespace quillon
