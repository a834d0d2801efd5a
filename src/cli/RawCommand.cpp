// `ornyxctl raw`: one command frame to the mouse, for support and experiments.
#include <array>
#include <cstdio>

#include "cli/CliContext.h"
#include "common/Hex.h"
#include "device/Commands.h"

namespace ornyx::cli {

namespace {

struct RawArgs {
    std::string code;
    std::vector<std::string> params;
    std::string block;
};

int RunRaw(CliContext& context, const RawArgs& args) {
    using namespace device;
    Frame frame{};
    frame[0] = ParseByte(args.code, "CODE");
    if (args.params.size() > 6) throw UsageError{"at most six parameters P1..P6"};
    for (std::size_t i = 0; i < args.params.size(); ++i) {
        frame[i + 1] = ParseByte(args.params[i], "P" + std::to_string(i + 1));
    }
    const bool isRead = (frame[0] & kReadBit) != 0;
    const bool withBlock = IsBlockCommand(frame[0]);
    // The largest block buffer any caller uses.
    std::array<std::uint8_t, kMacroBlockBufferSize> block{};
    if (!args.block.empty()) {
        if (!withBlock || isRead) {
            throw UsageError{"--block goes only with a block write command (0x10 0x11 0x12 0x13)"};
        }
        const auto bytes = ParseHex(args.block);
        if (!bytes) throw UsageError{"--block must be hex digits"};
        if (bytes->size() > block.size()) {
            throw UsageError{"--block holds at most " + std::to_string(block.size()) + " bytes"};
        }
        std::copy(bytes->begin(), bytes->end(), block.begin());
    }
    if (!context.OpenMouse()) return kNoMouse;

    Transport& transport = context.link().transport();
    frame[7] = FrameChecksum(frame);
    std::printf("sent:  %s\n", HexSpaced(frame).c_str());
    const TransferResult result =
        withBlock ? transport.SendCommandWithBlock(frame, block) : transport.SendCommand(frame);
    if (!result.ok()) {
        // What a failed transfer left in the buffers is no reply: print none.
        if (!context.TraceError().empty()) return kUsage;  // the trace's own message says why
        const bool vanished = context.link().Vanished();
        std::fprintf(stderr, "ornyxctl: %s failed%s\n", DescribeTransfer(result).c_str(),
                     vanished ? ": the mouse stopped answering" : "");
        return vanished ? kNoMouse : kFailure;
    }
    if (isRead) {
        std::printf("reply: %s\n", HexSpaced(frame).c_str());
        if (withBlock) {
            const std::size_t length = std::min<std::size_t>(frame[2], block.size());
            std::printf("block: %s\n",
                        HexSpaced(std::span<const std::uint8_t>(block.data(), length)).c_str());
        }
    }
    return kOk;
}

}  // namespace

Command AddRawCommand(CLI::App& parent) {
    auto* app = parent.add_subcommand("raw", "Send one command frame and print the reply");
    auto args = std::make_shared<RawArgs>();
    app->add_option("CODE", args->code, "Command code, e.g. 0x83 (bit 7 set = read)")->required();
    app->add_option("P", args->params, "Up to six parameter bytes P1..P6 (decimal or 0x-hex)")
        ->expected(0, 6);
    app->add_option("--block", args->block, "Block bytes in hex for 0x10, 0x11, 0x12, 0x13")
        ->type_name("HEX");
    app->footer(
        "The checksum is computed for you. Block commands (0x10 0x11 0x12 0x13 0x90 0x93)\n"
        "move their block in 32-byte reports; for a write, P2 is the block length.\n"
        "Examples:\n"
        "  ornyxctl raw 0x83                        read the sensor settings\n"
        "  ornyxctl raw 0x90 1                      read data bank 1 with its block\n"
        "  ornyxctl --simulate --trace t raw 0x12 1 0x40 --block 0102...  (64 bytes)");
    return {app, [args](CliContext& context) { return RunRaw(context, *args); }};
}

}  // namespace ornyx::cli
