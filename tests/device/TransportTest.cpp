#include <gtest/gtest.h>

#include <array>
#include <deque>

#include "device/Transport.h"
#include "support/DeviceFixture.h"

namespace ornyx::device {
namespace {

using test::MemoryTrace;
using test::SimLink;

TEST(FrameTest, ChecksumMakesBytesAddUpTo0xFF) {
    EXPECT_EQ(MakeFrame(0x83), (Frame{0x83, 0, 0, 0, 0, 0, 0, 0x7C}));
    EXPECT_EQ(MakeFrame(0x01, {0x01}), (Frame{0x01, 0x01, 0, 0, 0, 0, 0, 0xFD}));
    EXPECT_EQ(MakeFrame(0x12, {1, 0x40}), (Frame{0x12, 0x01, 0x40, 0, 0, 0, 0, 0xAC}));
    EXPECT_EQ(MakeFrame(0x8D), (Frame{0x8D, 0, 0, 0, 0, 0, 0, 0x72}));
    // Bytes 0..6 already adding up to 0xFF give checksum 0.
    EXPECT_EQ(MakeFrame(0xF0, {0x0F})[7], 0x00);
    // Sums above 255 wrap.
    EXPECT_EQ(MakeFrame(0xFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})[7], 0x06);
}

TEST(FrameTest, ChunkCount) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 1}, {8, 1}, {24, 1}, {32, 1}, {33, 2}, {64, 2}, {128, 4}, {140, 5}, {255, 8}};
    for (auto [length, chunks] : cases) EXPECT_EQ(ChunkCount(length), chunks) << length;
}

TEST(TransportTest, WriteCommandSendsOneFeatureReportAndNeverReads) {
    SimLink link;
    ASSERT_TRUE(link.opened);
    Frame f = MakeFrame(0x01, {0x02});
    f[7] = 0x55;  // a wrong checksum from the caller is replaced
    link.transport.SendCommand(f);
    EXPECT_EQ(link.trace.lines,
              (std::vector<std::string>{"set-feature 00 01 02 00 00 00 00 00 fc"}));
    EXPECT_EQ(link.mouse->Memory().reportRate, 2);
    EXPECT_EQ(link.mouse->RejectedFrames(), 0);
}

TEST(TransportTest, ReadCommandIsOneSetThenOneGetAndReturnsTheReply) {
    SimLink link;
    Frame f = MakeFrame(0x83);
    link.transport.SendCommand(f);
    ASSERT_EQ(link.trace.lines.size(), 2u);
    EXPECT_EQ(link.trace.lines[0], "set-feature 00 83 00 00 00 00 00 00 7c");
    EXPECT_EQ(link.trace.lines[1].substr(0, 12), "get-feature ");
    const auto sensor = link.mouse->Memory().sensor;
    EXPECT_EQ(f[0], 0x83);
    EXPECT_EQ(f[1], sensor[0]);
    EXPECT_EQ(f[2], sensor[1]);
    EXPECT_EQ(f[4], sensor[3]);
}

TEST(TransportTest, BlockWriteChunksFollowLengthByteWithPauses) {
    struct Case {
        std::uint8_t length;
        std::size_t writes;
    };
    for (const Case c : {Case{0, 0}, Case{32, 1}, Case{33, 2}, Case{64, 2}, Case{128, 4}}) {
        SimLink link;
        std::array<std::uint8_t, 140> block{};
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i + 1);
        if (c.length < block.size()) {
            std::fill(block.begin() + c.length, block.end(), 0);  // callers clear the rest
        }
        Frame f = MakeFrame(0x13, {1, c.length});
        link.transport.SendCommandWithBlock(f, block);
        EXPECT_EQ(link.trace.Of("write").size(), c.writes) << int(c.length);
        EXPECT_EQ(link.trace.Of("sleep 3").size(), c.writes);
        EXPECT_TRUE(link.trace.Of("get-feature").empty());
        // Each write is followed directly by its pause.
        for (std::size_t i = 1; i < link.trace.lines.size(); i += 2) {
            EXPECT_EQ(link.trace.lines[i].substr(0, 6), "write ");
            EXPECT_EQ(link.trace.lines[i + 1], "sleep 3");
        }
        if (c.length == 33) {
            // The second report carries byte 33 and then the cleared buffer.
            const std::string second = link.trace.Of("write")[1];
            EXPECT_EQ(
                second, "write 00 21" + [] {
                    std::string s;
                    for (int i = 0; i < 31; ++i) s += " 00";
                    return s;
                }());
        }
    }
}

TEST(TransportTest, KeyMatrixFrameAndChunksMatchTheDocumentedExample) {
    SimLink link;
    std::array<std::uint8_t, 128> block{};
    for (std::size_t i = 0; i < 64; ++i) block[i] = 0xAB;
    Frame f = MakeFrame(0x12, {1, 0x40});
    link.transport.SendCommandWithBlock(f, block);
    std::string chunk = "write 00";
    for (int i = 0; i < 32; ++i) chunk += " ab";
    EXPECT_EQ(link.trace.lines, (std::vector<std::string>{"set-feature 00 12 01 40 00 00 00 00 ac",
                                                          chunk, "sleep 3", chunk, "sleep 3"}));
    EXPECT_EQ(link.mouse->Memory().keyMatrices[0][63], 0xAB);
}

// A command channel whose replies are scripted, to exercise bogus replies.
class ScriptedHandle final : public HidHandle {
public:
    std::array<std::uint8_t, 9> reply{};
    std::deque<std::vector<std::uint8_t>> input;
    int reads = 0;
    int writes = 0;
    bool failSet = false, failGet = false, failWrite = false;

    bool SetFeature(std::span<const std::uint8_t>) override { return !failSet; }
    bool GetFeature(std::span<std::uint8_t> report) override {
        // A failing fetch may leave junk behind; the transport must not pass it on.
        if (failGet)
            std::fill(report.begin(), report.end(), 0xEE);
        else
            std::copy_n(reply.begin(), std::min(report.size(), reply.size()), report.begin());
        return !failGet;
    }
    bool Write(std::span<const std::uint8_t>) override {
        ++writes;
        return !failWrite;
    }
    int Read(std::span<std::uint8_t> report, int) override {
        ++reads;
        if (input.empty()) return 0;
        auto next = input.front();
        input.pop_front();
        const std::size_t n = std::min(report.size(), next.size());
        std::copy_n(next.begin(), n, report.begin());
        return static_cast<int>(n);
    }
};

struct ScriptedLink {
    ScriptedLink() : pacer(trace), transport(connection, pacer, log) {
        auto h = std::make_unique<ScriptedHandle>();
        handle = h.get();
        connection.command = std::move(h);
        connection.featureReportLength = 9;
        connection.inputReportLength = 33;
        connection.outputReportLength = 33;
        connection.devicePresent = true;
    }
    MemoryTrace trace;
    NullDebugLog log;
    Connection connection;
    test::InstantPacer pacer;
    Transport transport;
    ScriptedHandle* handle;
};

TEST(TransportTest, ReadBlockIsBoundedByTheCallersBuffer) {
    ScriptedLink link;
    link.handle->reply = {0x00, 0x93, 0x01, 0xFF, 0, 0, 0, 0, 0};  // announces 255 bytes
    for (int i = 0; i < 8; ++i) link.handle->input.push_back(std::vector<std::uint8_t>(33, 0x77));
    std::array<std::uint8_t, 160> storage{};
    storage.fill(0xEE);
    // The caller's buffer is the first 140 bytes; the rest must stay untouched.
    Frame f = MakeFrame(0x93, {1});
    link.transport.SendCommandWithBlock(f, std::span<std::uint8_t>(storage.data(), 140));
    EXPECT_EQ(link.handle->reads, 5);  // 140 bytes take five chunks
    EXPECT_EQ(storage[139], 0x77);
    EXPECT_EQ(storage[140], 0xEE);
}

TEST(TransportTest, ReplyLengthZeroReadsNothingAndLeavesTheBlock) {
    ScriptedLink link;
    link.handle->reply = {0x00, 0x90, 0x00, 0x00, 0, 0, 0, 0, 0};
    std::array<std::uint8_t, 128> block{};
    block.fill(0x5A);
    Frame f = MakeFrame(0x90);
    link.transport.SendCommandWithBlock(f, block);
    EXPECT_EQ(link.handle->reads, 0);
    EXPECT_EQ(block[0], 0x5A);
}

TEST(TransportTest, ShortReadIsKeptAndAMissingChunkFailsTheCommand) {
    ScriptedLink link;
    link.handle->reply = {0x00, 0x90, 0x01, 0x40, 0, 0, 0, 0, 0};
    link.handle->input.push_back(std::vector<std::uint8_t>{0x00, 0x11, 0x22});  // short report
    std::array<std::uint8_t, 128> block{};
    block.fill(0x5A);
    Frame f = MakeFrame(0x90, {1});
    const TransferResult r = link.transport.SendCommandWithBlock(f, block);
    EXPECT_EQ(block[0], 0x11);
    EXPECT_EQ(block[1], 0x22);
    EXPECT_EQ(block[2], 0x00);  // rest of the short chunk is zero
    // The second chunk never came: that is reported, not passed off as zeros.
    EXPECT_EQ(r.failure, TransferFailure::Read);
    EXPECT_EQ(r.code, 0x90);
    EXPECT_EQ(r.target, 1);
    EXPECT_EQ(r.chunk, 1u);
    EXPECT_EQ(DescribeTransfer(r), "read 0x90 (chunk 2)");
    EXPECT_EQ(block[32], 0x5A);
}

TEST(TransportTest, EachFailedTransferIsNamedAndEndsTheCommand) {
    {
        ScriptedLink link;
        link.handle->failSet = true;
        Frame f = MakeFrame(0x12, {2, 0x40});
        std::array<std::uint8_t, 128> block{};
        const TransferResult r = link.transport.SendCommandWithBlock(f, block);
        EXPECT_EQ(r.failure, TransferFailure::SetFeature);
        EXPECT_EQ(r.target, 2);
        EXPECT_EQ(link.handle->writes, 0);  // no block after a frame that did not go out
    }
    {
        ScriptedLink link;
        link.handle->failGet = true;
        link.handle->reply = {0x00, 0x83, 0x01, 0x02, 0x03, 0x04, 0, 0, 0};
        Frame f = MakeFrame(0x83);
        const TransferResult r = link.transport.SendCommand(f);
        EXPECT_EQ(r.failure, TransferFailure::GetFeature);
        EXPECT_EQ(f, Frame{});  // no reply, not half of one
    }
    {
        ScriptedLink link;
        link.handle->failWrite = true;
        Frame f = MakeFrame(0x13, {1, 0x80});
        std::array<std::uint8_t, 140> block{};
        const TransferResult r = link.transport.SendCommandWithBlock(f, block);
        EXPECT_EQ(r.failure, TransferFailure::Write);
        EXPECT_EQ(r.chunk, 0u);
        EXPECT_EQ(link.handle->writes, 1);
    }
}

TEST(TransportTest, NoMouseMeansZeroRepliesAndNoCrash) {
    MemoryTrace trace;
    NullDebugLog log;
    Connection connection;  // nothing open
    test::InstantPacer pacer(trace);
    Transport transport(connection, pacer, log);
    Frame f = MakeFrame(0x83);
    EXPECT_EQ(transport.SendCommand(f).failure, TransferFailure::NoChannel);
    EXPECT_EQ(f, Frame{});
    std::array<std::uint8_t, 128> block{};
    Frame g = MakeFrame(0x93, {1});
    EXPECT_EQ(transport.SendCommandWithBlock(g, block).failure, TransferFailure::NoChannel);
    EXPECT_EQ(g, Frame{});
    EXPECT_TRUE(trace.Of("set-feature").empty());
}

}  // namespace
}  // namespace ornyx::device
