#include <gtest/gtest.h>

#include "device/Commands.h"
#include "support/DeviceFixture.h"

namespace ornyx::device {
namespace {

using test::SimLink;

TEST(CommandsTest, SensorAndEffectReadsStoreTheReply) {
    SimLink link({.sensorType = 2});
    DeviceState s;
    ReadSensorSettings(link.transport, s);
    ReadEffectSettings(link.transport, s);
    const auto m = link.mouse->Memory();
    EXPECT_EQ(s.sensor.sensorType, 2);
    EXPECT_EQ(s.sensor.rate, m.sensor[1]);
    EXPECT_EQ(s.sensor.option2, m.sensor[3]);
    EXPECT_EQ(s.effect.effect, m.effect[0]);
    EXPECT_EQ(s.effect.option2, m.effect[2]);
    EXPECT_EQ(link.trace.lines[0], "set-feature 00 83 00 00 00 00 00 00 7c");
    EXPECT_EQ(link.trace.lines[2], "set-feature 00 8d 00 00 00 00 00 00 72");
}

TEST(CommandsTest, SettingBankOneRequestCarriesBankZeroReply) {
    SimLink link;
    auto memory = link.mouse->Memory();
    memory.settingBanks[0] = {0x11, 0x22, 0x33};
    link.mouse->SetMemory(memory);
    DeviceState s;
    ReadSettingBanks(link.transport, s);
    // The simulated reply's bytes 5 and 6 are zero; bytes 2..4 are the bank.
    EXPECT_EQ(link.trace.Of("set-feature")[1], "set-feature 00 87 01 11 22 33 00 00 11");
    EXPECT_EQ(s.settingBanks[0], (std::array<std::uint8_t, 3>{0x11, 0x22, 0x33}));
    EXPECT_EQ(s.settingBanks[1], memory.settingBanks[1]);
    EXPECT_EQ(link.trace.Of("sleep 2").size(), 2u);
}

// Replies whose routing bytes disagree with the request.
class MisroutingHandle final : public HidHandle {
public:
    std::array<std::uint8_t, 9> reply{};
    std::vector<std::uint8_t> chunk = std::vector<std::uint8_t>(33, 0x99);
    bool SetFeature(std::span<const std::uint8_t>) override { return true; }
    bool GetFeature(std::span<std::uint8_t> r) override {
        std::copy_n(reply.begin(), std::min(r.size(), reply.size()), r.begin());
        return true;
    }
    bool Write(std::span<const std::uint8_t>) override { return true; }
    int Read(std::span<std::uint8_t> r, int) override {
        std::copy_n(chunk.begin(), std::min(r.size(), chunk.size()), r.begin());
        return 33;
    }
};

struct MisroutedLink {
    MisroutedLink() : pacer(trace), transport(connection, pacer, log) {
        auto h = std::make_unique<MisroutingHandle>();
        handle = h.get();
        connection.command = std::move(h);
        connection.featureReportLength = 9;
        connection.inputReportLength = 33;
        connection.outputReportLength = 33;
    }
    test::MemoryTrace trace;
    NullDebugLog log;
    Connection connection;
    test::InstantPacer pacer;
    Transport transport;
    MisroutingHandle* handle;
};

TEST(CommandsTest, RepliesAreRoutedByTheirOwnBytesAndBounded) {
    MisroutedLink link;
    DeviceState s;
    // Bank 1 named in the reply fills bank 1 even though bank 0 was asked for;
    // an announced length of 200 is cut to the bank's 24 bytes.
    link.handle->reply = {0x00, 0x90, 0x01, 200, 0, 0, 0, 0, 0};
    ReadDataBanks(link.transport, s);
    EXPECT_EQ(s.dataBanks[1][23], 0x99);
    EXPECT_EQ(s.dataBanks[0][0], 0x00);

    // A bank number other than 0 or 1 is dropped and reported as an impossible reply.
    DeviceState t;
    link.handle->reply = {0x00, 0x87, 0x07, 1, 2, 3, 0, 0, 0};
    TransferResult r = ReadSettingBanks(link.transport, t);
    EXPECT_EQ(r.failure, TransferFailure::BadReply);
    EXPECT_EQ(CommandStepName(r.code, r.target), "setting bank 0");
    EXPECT_EQ(t.settingBanks[0], (std::array<std::uint8_t, 3>{}));
    EXPECT_EQ(t.settingBanks[1], (std::array<std::uint8_t, 3>{}));

    // Macro slot replies: slot from the reply, outside 1..12 dropped, length cut to 128.
    DeviceState u;
    link.handle->reply = {0x00, 0x93, 13, 0x80, 0, 0, 0, 0, 0};
    r = ReadMacroSlots(link.transport, u);
    EXPECT_EQ(r.failure, TransferFailure::BadReply);
    for (const auto& slot : u.transferBuffer) EXPECT_EQ(slot[0], 0);
    link.handle->reply = {0x00, 0x93, 12, 0xFF, 0, 0, 0, 0, 0};
    EXPECT_TRUE(ReadMacroSlots(link.transport, u).ok());
    EXPECT_EQ(u.transferBuffer[11][127], 0x99);
    EXPECT_EQ(u.transferBuffer[0][0], 0);
}

TEST(CommandsTest, WritesCarryTheirLengthsAndReachTheMouse) {
    SimLink link;
    DeviceState s;
    s.dataBanks[1][0] = 0x42;
    s.dpiLevelCount = 4;
    s.dpiTable = {0x01, 0x82, 0x03, 0x84, 0x80, 0x80, 0x80, 0x80};
    s.keyMatrices[2][0] = 0x07;
    s.transferBuffer[11][127] = 0x5C;
    WriteDataBanks(link.transport, s);
    WriteDpiTable(link.transport, s);
    WriteKeyMatrices(link.transport, s);
    WriteMacroSlots(link.transport, s);

    const auto sets = link.trace.Of("set-feature");
    ASSERT_EQ(sets.size(), 2u + 1u + 4u + 12u);
    EXPECT_EQ(sets[0], "set-feature 00 10 00 18 00 00 00 00 d7");
    EXPECT_EQ(sets[2], "set-feature 00 11 04 08 00 00 00 00 e2");
    EXPECT_EQ(sets[3], "set-feature 00 12 01 40 00 00 00 00 ac");
    EXPECT_EQ(sets[7], "set-feature 00 13 01 80 00 00 00 00 6b");
    // 1 + 1 reports for the banks, 1 for the DPI table, 2 per matrix, 4 per slot.
    EXPECT_EQ(link.trace.Of("write").size(), 2u + 1u + 8u + 48u);
    // Runs pause 2 ms after each frame; the DPI table stands alone.
    EXPECT_EQ(link.trace.Of("sleep 2").size(), 2u + 4u + 12u);

    const auto m = link.mouse->Memory();
    EXPECT_EQ(m.dataBanks[1][0], 0x42);
    EXPECT_EQ(m.dpiTable, s.dpiTable);
    EXPECT_EQ(m.keyMatrices[2][0], 0x07);
    EXPECT_EQ(m.keyMatrices[1], (std::array<std::uint8_t, 64>{}));  // unfilled matrices go as zeros
    EXPECT_EQ(m.macroSlots[11][127], 0x5C);
    EXPECT_EQ(link.mouse->RejectedFrames(), 0);
}

TEST(CommandsTest, MacroSlotsReadBackIntoTheTransferBuffer) {
    SimLink link;
    DeviceState s;
    ReadMacroSlots(link.transport, s);
    const auto m = link.mouse->Memory();
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(s.transferBuffer[i], m.macroSlots[i]) << i;
    EXPECT_EQ(link.trace.Of("read").size(), 48u);
}

}  // namespace
}  // namespace ornyx::device
