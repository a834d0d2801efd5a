#include "device/Transport.h"

#include <algorithm>
#include <cstdio>

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

std::string DescribeTransfer(const TransferResult& result) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02x", result.code);
    const std::string chunk = " (chunk " + std::to_string(result.chunk + 1) + ")";
    switch (result.failure) {
        case TransferFailure::None:
            return std::string("command ") + code;
        case TransferFailure::NoChannel:
            return std::string("command ") + code + ": no open channel";
        case TransferFailure::SetFeature:
            return std::string("set-feature ") + code;
        case TransferFailure::GetFeature:
            return std::string("get-feature ") + code;
        case TransferFailure::Write:
            return std::string("write ") + code + chunk;
        case TransferFailure::Read:
            return std::string("read ") + code + chunk;
        case TransferFailure::BadReply:
            return std::string("reply to ") + code;
    }
    return code;
}

TransferResult Transport::Exchange(Frame& frame) {
    TransferResult result{TransferFailure::None, frame[0], frame[1], 0};
    HidHandle* h = connection_.command.get();
    std::array<std::uint8_t, kMaxBlockReportLength> buffer{};
    // The lengths were checked against the buffers when the channel was opened.
    const std::size_t featureLength =
        std::min<std::size_t>(connection_.featureReportLength, kMaxFeatureReportLength);
    buffer[0] = 0x00;
    std::copy(frame.begin(), frame.begin() + 7, buffer.begin() + 1);
    // The caller's checksum is not trusted.
    buffer[8] = FrameChecksum(frame);
    const bool isRead = (frame[0] & kReadBit) != 0;
    if (h == nullptr || featureLength == 0) {
        // No mouse: the reply of a read is all zeros, as from a failed fetch.
        if (isRead) frame.fill(0);
        result.failure = TransferFailure::NoChannel;
        return result;
    }
    if (!h->SetFeature(std::span<const std::uint8_t>(buffer.data(), featureLength))) {
        if (isRead) frame.fill(0);
        result.failure = TransferFailure::SetFeature;
        return result;
    }
    if (!isRead) return result;

    buffer.fill(0);
    if (!h->GetFeature(std::span<std::uint8_t>(buffer.data(), featureLength))) {
        buffer.fill(0);  // whatever a failed fetch left is no reply
        result.failure = TransferFailure::GetFeature;
    }
    std::copy(buffer.begin() + 1, buffer.begin() + 9, frame.begin());
    return result;
}

TransferResult Transport::SendCommand(Frame& frame) {
    return Exchange(frame);
}

TransferResult Transport::SendCommandWithBlock(Frame& frame, std::span<std::uint8_t> block) {
    TransferResult result = Exchange(frame);
    // A block after a frame that did not arrive would only confuse the mouse.
    if (!result.ok()) return result;
    HidHandle* h = connection_.command.get();
    std::array<std::uint8_t, kMaxBlockReportLength> buffer{};

    if ((frame[0] & kReadBit) != 0) {
        // The mouse announces the length; never copy past the caller's buffer.
        const std::size_t length = std::min<std::size_t>(frame[2], block.size());
        const std::size_t inputLength =
            std::min<std::size_t>(connection_.inputReportLength, kMaxBlockReportLength);
        for (std::size_t c = 0, n = ChunkCount(length); c < n; ++c) {
            buffer.fill(0);
            const int got =
                inputLength > 0
                    ? h->Read(std::span<std::uint8_t>(buffer.data(), inputLength), kReadTimeoutMs)
                    : -1;
            if (got <= 0) {
                // The rest of the block would be out of step with the mouse.
                result.failure = TransferFailure::Read;
                result.chunk = c;
                return result;
            }
            const std::size_t offset = c * kChunkSize;
            const std::size_t take = std::min(kChunkSize, block.size() - offset);
            std::copy_n(buffer.begin() + 1, take, block.begin() + static_cast<long>(offset));
        }
        return result;
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
        if (outputLength == 0 ||
            !h->Write(std::span<const std::uint8_t>(buffer.data(), outputLength))) {
            result.failure = TransferFailure::Write;
            result.chunk = c;
            return result;
        }
        pacer_.Pause(3);
    }
    return result;
}

}  // namespace ornyx::device
