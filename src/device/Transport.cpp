#include "device/Transport.h"

#include <algorithm>

namespace ornyx::device {

std::uint8_t FrameChecksum(const Frame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 7; ++i) sum += frame[i];
    return static_cast<std::uint8_t>((0xFFu - sum) & 0xFFu);
}

std::size_t ChunkCount(std::size_t length) {
    return length / kChunkSize + (length % kChunkSize != 0 ? 1 : 0);
}

Frame MakeFrame(std::uint8_t code, std::initializer_list<std::uint8_t> params) {
    Frame f{};
    f[0] = code;
    std::size_t i = 1;
    for (std::uint8_t p : params) {
        if (i > 6) break;
        f[i++] = p;
    }
    f[7] = FrameChecksum(f);
    return f;
}

void Transport::Exchange(Frame& frame) {
    HidHandle* h = connection_.command.get();
    std::array<std::uint8_t, kMaxBlockReportLength> buffer{};
    // The lengths were checked against the buffers when the channel was opened.
    const std::size_t featureLength =
        std::min<std::size_t>(connection_.featureReportLength, kMaxFeatureReportLength);
    buffer[0] = 0x00;
    std::copy(frame.begin(), frame.begin() + 7, buffer.begin() + 1);
    // The caller's checksum is not trusted.
    buffer[8] = FrameChecksum(frame);
    if (h != nullptr && featureLength > 0) {
        h->SetFeature(std::span<const std::uint8_t>(buffer.data(), featureLength));
    }
    if ((frame[0] & kReadBit) == 0) return;

    buffer.fill(0);
    if (h != nullptr && featureLength > 0) {
        h->GetFeature(std::span<std::uint8_t>(buffer.data(), featureLength));
    }
    std::copy(buffer.begin() + 1, buffer.begin() + 9, frame.begin());
}

void Transport::SendCommand(Frame& frame) { Exchange(frame); }

void Transport::SendCommandWithBlock(Frame& frame, std::span<std::uint8_t> block) {
    Exchange(frame);
    HidHandle* h = connection_.command.get();
    std::array<std::uint8_t, kMaxBlockReportLength> buffer{};

    if ((frame[0] & kReadBit) != 0) {
        // The mouse announces the length; never copy past the caller's buffer.
        const std::size_t length = std::min<std::size_t>(frame[2], block.size());
        const std::size_t inputLength =
            std::min<std::size_t>(connection_.inputReportLength, kMaxBlockReportLength);
        for (std::size_t c = 0, n = ChunkCount(length); c < n; ++c) {
            buffer.fill(0);
            if (h != nullptr && inputLength > 0) {
                const int got = h->Read(std::span<std::uint8_t>(buffer.data(), inputLength),
                                        kReadTimeoutMs);
                if (got <= 0) buffer.fill(0);  // a lost chunk reads as zeros
            }
            const std::size_t offset = c * kChunkSize;
            const std::size_t take = std::min(kChunkSize, block.size() - offset);
            std::copy_n(buffer.begin() + 1, take, block.begin() + static_cast<long>(offset));
        }
        return;
    }

    const std::size_t length = frame[2];
    const std::size_t outputLength =
        std::min<std::size_t>(connection_.outputReportLength, kMaxBlockReportLength);
    for (std::size_t c = 0, n = ChunkCount(length); c < n; ++c) {
        buffer.fill(0);
        const std::size_t offset = c * kChunkSize;
        // Bytes beyond the caller's buffer go out as zeros.
        if (offset < block.size()) {
            const std::size_t take = std::min(kChunkSize, block.size() - offset);
            std::copy_n(block.begin() + static_cast<long>(offset), take, buffer.begin() + 1);
        }
        if (h != nullptr && outputLength > 0) {
            h->Write(std::span<const std::uint8_t>(buffer.data(), outputLength));
        }
        pacer_.Pause(3);
    }
}

}  // namespace ornyx::device
