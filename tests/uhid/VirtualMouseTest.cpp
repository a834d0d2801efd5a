// The virtual mouse's side of the uhid protocol, fed the events the kernel
// would send; and the program's refusal without /dev/uhid.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "device/Transport.h"
#include "device/uhid/VirtualMouse.h"
#include "support/TempDir.h"

namespace ornyx::device::uhid {
namespace {

uhid_event SetReport(std::uint32_t id, std::span<const std::uint8_t> data,
                     Interface = Interface::Command) {
    uhid_event e{};
    e.type = UHID_SET_REPORT;
    e.u.set_report.id = id;
    e.u.set_report.rnum = 0;
    e.u.set_report.rtype = UHID_FEATURE_REPORT;
    e.u.set_report.size = static_cast<std::uint16_t>(data.size());
    std::copy(data.begin(), data.end(), e.u.set_report.data);
    return e;
}

// The feature report as hidraw passes it on: report ID 0, then the frame.
std::array<std::uint8_t, 9> Feature(Frame f) {
    std::array<std::uint8_t, 9> r{};
    std::copy(f.begin(), f.end(), r.begin() + 1);
    return r;
}

uhid_event GetReport(std::uint32_t id) {
    uhid_event e{};
    e.type = UHID_GET_REPORT;
    e.u.get_report.id = id;
    e.u.get_report.rtype = UHID_FEATURE_REPORT;
    return e;
}

uhid_event Output(std::span<const std::uint8_t> data) {
    uhid_event e{};
    e.type = UHID_OUTPUT;
    e.u.output.rtype = UHID_OUTPUT_REPORT;
    e.u.output.size = static_cast<std::uint16_t>(data.size());
    std::copy(data.begin(), data.end(), e.u.output.data);
    return e;
}

TEST(VirtualMouseTest, FeatureReportsCarryTheReportIdAndTheFirmwaresReply) {
    VirtualMouse mouse(3);
    const auto set = mouse.Handle(Interface::Command, SetReport(41, Feature(MakeFrame(0x83, {}))));
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].type, UHID_SET_REPORT_REPLY);
    EXPECT_EQ(set[0].u.set_report_reply.id, 41u);
    EXPECT_EQ(set[0].u.set_report_reply.err, 0);

    const auto get = mouse.Handle(Interface::Command, GetReport(42));
    ASSERT_EQ(get.size(), 1u);
    const auto& reply = get[0].u.get_report_reply;
    EXPECT_EQ(get[0].type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(reply.id, 42u);
    EXPECT_EQ(reply.err, 0);
    // Nine bytes: the report ID, then the frame (sensor type 3, start-up values).
    ASSERT_EQ(reply.size, 9);
    const std::array<std::uint8_t, 9> want = {0x00, 0x83, 0x03, 0x5A, 0x21, 0x05, 0x00, 0x00, 0xF9};
    EXPECT_TRUE(std::equal(want.begin(), want.end(), reply.data));

    // A frame handed over without the ID byte is understood all the same.
    const Frame write = MakeFrame(0x01, {0x08});
    mouse.Handle(Interface::Command, SetReport(43, write));
    EXPECT_EQ(mouse.model().memory().reportRate, 0x08);
}

TEST(VirtualMouseTest, AReadCommandsBlockFollowsAsUnnumberedInputReports) {
    VirtualMouse mouse(0);
    const auto out =
        mouse.Handle(Interface::Command, SetReport(1, Feature(MakeFrame(0x90, {0x01}))));
    ASSERT_EQ(out.size(), 2u);  // the set-report reply, then one 32-byte chunk
    EXPECT_EQ(out[0].type, UHID_SET_REPORT_REPLY);
    EXPECT_EQ(out[1].type, UHID_INPUT2);
    ASSERT_EQ(out[1].u.input2.size, 32);
    const auto& bank = mouse.model().memory().dataBanks[1];
    EXPECT_TRUE(std::equal(bank.begin(), bank.end(), out[1].u.input2.data));
    EXPECT_EQ(out[1].u.input2.data[24], 0);
}

TEST(VirtualMouseTest, OutputReportsFillTheAnnouncedBlock) {
    VirtualMouse mouse(0);
    mouse.Handle(Interface::Command, SetReport(1, Feature(MakeFrame(0x12, {0x03, 64}))));
    std::array<std::uint8_t, 33> chunk{};
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < 32; ++i) chunk[i + 1] = static_cast<std::uint8_t>(c * 32 + i);
        EXPECT_TRUE(mouse.Handle(Interface::Command, Output(chunk)).empty());
    }
    const auto& matrix = mouse.model().memory().keyMatrices[2];
    for (std::size_t i = 0; i < 64; ++i) EXPECT_EQ(matrix[i], i) << i;
    // The other matrices keep their start-up values.
    EXPECT_EQ(mouse.model().memory().keyMatrices[0][0], 0x10);
}

TEST(VirtualMouseTest, OnlyTheCommandInterfaceTakesFeatureReportsAndBadFramesAreIgnored) {
    VirtualMouse mouse(0);
    for (Interface which : {Interface::Mouse, Interface::Event}) {
        const auto set = mouse.Handle(which, SetReport(7, Feature(MakeFrame(0x01, {0x01}))));
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].u.set_report_reply.err, EIO);
        const auto get = mouse.Handle(which, GetReport(8));
        ASSERT_EQ(get.size(), 1u);
        EXPECT_EQ(get[0].u.get_report_reply.err, EIO);
    }
    EXPECT_EQ(mouse.model().memory().reportRate, 0x02);

    auto bad = Feature(MakeFrame(0x01, {0x01}));
    bad[8] ^= 0xFF;
    mouse.Handle(Interface::Command, SetReport(9, bad));
    EXPECT_EQ(mouse.model().memory().reportRate, 0x02);
    EXPECT_EQ(mouse.model().rejectedFrames(), 1);
}

TEST(VirtualMouseTest, EventReportsArePaddedToTheDeclaredLengthAndChecked) {
    std::string error;
    const auto e = EventReport("06 05 00 02", error);
    ASSERT_TRUE(e) << error;
    EXPECT_EQ(e->type, UHID_INPUT2);
    ASSERT_EQ(e->u.input2.size, 8);
    const std::array<std::uint8_t, 8> want = {0x06, 0x05, 0x00, 0x02, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(want.begin(), want.end(), e->u.input2.data));

    for (const char* bad : {"", "0605x", "07050002", "060500020000000000"}) {
        error.clear();
        EXPECT_FALSE(EventReport(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(VirtualMouseTest, EachInterfaceIsAUsbDeviceWithItsOwnDescriptorAndPhys) {
    const auto command = CreateRequest(Interface::Command, "vm-1/input2");
    EXPECT_EQ(command.type, UHID_CREATE2);
    const auto& c = command.u.create2;
    EXPECT_EQ(c.bus, BUS_USB);
    EXPECT_EQ(c.vendor, 0x04D9u);
    EXPECT_EQ(c.product, 0xA09Fu);
    EXPECT_STREQ(reinterpret_cast<const char*>(c.phys), "vm-1/input2");
    const auto& d = firmware::CommandDescriptor();
    ASSERT_EQ(c.rd_size, d.size());
    EXPECT_TRUE(std::equal(d.begin(), d.end(), c.rd_data));
    EXPECT_EQ(CreateRequest(Interface::Event, "x").u.create2.rd_size,
              firmware::EventDescriptor().size());
}

TEST(VirtualMouseTest, HidrawNodesAreFoundByTheirDevicesPhys) {
    test::TempDir sys;
    const auto node = [&](const std::string& name, const std::string& phys) {
        std::filesystem::create_directories(sys / name / "device");
        test::WriteText(
            sys / name / "device" / "uevent",
            "DRIVER=hid-generic\nHID_ID=0003:000004D9:0000A09F\nHID_PHYS=" + phys + "\n");
    };
    node("hidraw0", "vm-7/input10");
    node("hidraw4", "vm-7/input1");
    std::filesystem::create_directories(sys / "hidraw9");  // no device link: skipped
    EXPECT_EQ(FindHidrawNode(sys.path(), "vm-7/input1"), "/dev/hidraw4");
    EXPECT_EQ(FindHidrawNode(sys.path(), "vm-7/input10"), "/dev/hidraw0");
    EXPECT_EQ(FindHidrawNode(sys.path(), "vm-7/input2"), std::nullopt);
    EXPECT_EQ(FindHidrawNode(sys / "missing", "vm-7/input1"), std::nullopt);
}

TEST(VirtualMouseTest, ATraceReplaysIntoTheFirmwareAndAMalformedLineIsNamed) {
    test::TempDir dir;
    test::WriteText(dir / "trace",
                    "set-feature 00 11 02 08 00 00 00 00 e4\nsleep 2\n"
                    "write 00 07 09 80 80 80 80 80 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                    "00 00 00 00 00 00 00 00 00\n"
                    "get-feature 00 00 00 00 00 00 00 00 ff\n");
    firmware::FirmwareModel model(0);
    std::string error;
    ASSERT_TRUE(ReplayTrace(dir / "trace", model, error)) << error;
    EXPECT_EQ(model.memory().dpiLevelCount, 2);
    const std::array<std::uint8_t, 8> want = {0x07, 0x09, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    EXPECT_EQ(model.memory().dpiTable, want);

    test::WriteText(dir / "bad", "sleep 2\nwrite 00 zz\n");
    EXPECT_FALSE(ReplayTrace(dir / "bad", model, error));
    EXPECT_NE(error.find(":2:"), std::string::npos) << error;
    EXPECT_FALSE(ReplayTrace(dir / "none", model, error));
}

TEST(VirtualMouseProgramTest, WithoutUhidItSaysWhatToDoInOneLineAndExits1) {
    test::TempDir dir;
    const std::string command = std::string("'") + VIRTUAL_MOUSE_PATH + "' --uhid '" +
                                (dir / "uhid").string() + "' </dev/null 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    const int status = ::pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_NE(out.find("modprobe uhid"), std::string::npos) << out;
    EXPECT_NE(out.find("permission"), std::string::npos) << out;
}

}  // namespace
}  // namespace ornyx::device::uhid
