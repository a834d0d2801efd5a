#include "device/uhid/VirtualMouse.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "common/Hex.h"
#include "device/Connection.h"

namespace ornyx::device::uhid {

namespace {

constexpr std::uint8_t kEventReportId = 6;
constexpr std::size_t kEventReportSize = 8;  // report ID + seven data bytes

const std::vector<std::uint8_t>& DescriptorOf(Interface which) {
    switch (which) {
        case Interface::Mouse:
            return firmware::PlainMouseDescriptor();
        case Interface::Event:
            return firmware::EventDescriptor();
        case Interface::Command:
            break;
    }
    return firmware::CommandDescriptor();
}

template <std::size_t N>
void CopyText(std::uint8_t (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

uhid_event Blank(std::uint32_t type) {
    uhid_event e{};
    e.type = type;
    return e;
}

// The report as the command collection expects it: report ID 0, then the
// data. The kernel hands the ID byte over for an unnumbered report too, but
// nothing guarantees it, so a report of the bare data length gets it put back.
std::vector<std::uint8_t> WithReportId(const std::uint8_t* data, std::size_t size,
                                       std::size_t dataLength) {
    size = std::min<std::size_t>(size, UHID_DATA_MAX);
    const std::size_t offset = size == dataLength ? 1 : 0;
    std::vector<std::uint8_t> report(offset + size, 0);
    std::copy_n(data, size, report.begin() + static_cast<long>(offset));
    return report;
}

}  // namespace

const char* InterfaceName(Interface which) {
    switch (which) {
        case Interface::Mouse:
            return "mouse";
        case Interface::Event:
            return "event";
        case Interface::Command:
            break;
    }
    return "command";
}

uhid_event CreateRequest(Interface which, const std::string& phys) {
    uhid_event e = Blank(UHID_CREATE2);
    auto& c = e.u.create2;
    CopyText(c.name, std::string("Ornyx virtual mouse (") + InterfaceName(which) + ")");
    CopyText(c.phys, phys);
    const auto& descriptor = DescriptorOf(which);
    c.rd_size = static_cast<std::uint16_t>(descriptor.size());
    std::copy(descriptor.begin(), descriptor.end(), c.rd_data);
    c.bus = BUS_USB;
    c.vendor = kMouseVendorId;
    c.product = kMouseProductId;
    c.version = 0x0100;
    return e;
}

uhid_event DestroyRequest() {
    return Blank(UHID_DESTROY);
}

std::optional<uhid_event> EventReport(std::string_view hex, std::string& error) {
    const auto bytes = ParseHex(hex);
    if (!bytes) {
        error = "not hex bytes: \"" + std::string(hex) + "\"";
        return std::nullopt;
    }
    if (bytes->empty() || bytes->size() > kEventReportSize || (*bytes)[0] != kEventReportId) {
        error = "an event report is 1 to 8 bytes starting with report ID 06";
        return std::nullopt;
    }
    // Sent at the length the descriptor declares, the rest zero, as the mouse does.
    uhid_event e = Blank(UHID_INPUT2);
    e.u.input2.size = static_cast<std::uint16_t>(kEventReportSize);
    std::copy(bytes->begin(), bytes->end(), e.u.input2.data);
    return e;
}

std::span<const std::uint8_t> AsBytes(const uhid_event& event) {
    return {reinterpret_cast<const std::uint8_t*>(&event), sizeof event};
}

std::vector<uhid_event> VirtualMouse::Handle(Interface which, const uhid_event& event) {
    std::vector<uhid_event> out;
    const bool command = which == Interface::Command;
    switch (event.type) {
        case UHID_SET_REPORT: {
            const auto& r = event.u.set_report;
            uhid_event reply = Blank(UHID_SET_REPORT_REPLY);
            reply.u.set_report_reply.id = r.id;
            if (!command || r.rtype != UHID_FEATURE_REPORT || r.rnum != 0) {
                reply.u.set_report_reply.err = EIO;
                out.push_back(reply);
                break;
            }
            model_.SetFeature(WithReportId(r.data, r.size, firmware::kFeatureReportSize - 1));
            out.push_back(reply);
            // A read command's block follows as input reports, which the host
            // reads after fetching the reply.
            while (const auto input = model_.TakeInput()) {
                uhid_event report = Blank(UHID_INPUT2);
                // Unnumbered: the report goes up without the ID byte.
                report.u.input2.size = static_cast<std::uint16_t>(input->size() - 1);
                std::copy(input->begin() + 1, input->end(), report.u.input2.data);
                out.push_back(report);
            }
            break;
        }
        case UHID_GET_REPORT: {
            const auto& r = event.u.get_report;
            uhid_event reply = Blank(UHID_GET_REPORT_REPLY);
            auto& g = reply.u.get_report_reply;
            g.id = r.id;
            if (!command || r.rtype != UHID_FEATURE_REPORT || r.rnum != 0) {
                g.err = EIO;
                out.push_back(reply);
                break;
            }
            // The reply carries the report ID byte first, as the host's buffer does.
            std::array<std::uint8_t, firmware::kFeatureReportSize> report{};
            model_.GetFeature(report);
            g.size = static_cast<std::uint16_t>(report.size());
            std::copy(report.begin(), report.end(), g.data);
            out.push_back(reply);
            break;
        }
        case UHID_OUTPUT: {
            const auto& o = event.u.output;
            if (command && o.rtype == UHID_OUTPUT_REPORT) {
                model_.Write(WithReportId(o.data, o.size, firmware::kBlockReportSize - 1));
            }
            break;
        }
        default:
            break;  // start, stop, open, close: nothing to answer
    }
    return out;
}

std::optional<std::string> FindHidrawNode(const std::filesystem::path& classHidraw,
                                          std::string_view phys) {
    std::error_code ec;
    std::filesystem::directory_iterator it(classHidraw, ec);
    if (ec) return std::nullopt;
    const std::string wanted = "HID_PHYS=" + std::string(phys);
    for (const auto& entry : it) {
        std::ifstream uevent(entry.path() / "device" / "uevent");
        std::string line;
        while (std::getline(uevent, line)) {
            if (line == wanted) return "/dev/" + entry.path().filename().string();
        }
    }
    return std::nullopt;
}

bool ReplayTrace(const std::filesystem::path& trace, firmware::FirmwareModel& model,
                 std::string& error) {
    std::ifstream in(trace);
    if (!in) {
        error = "cannot read " + trace.string() + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        if (kind != "set-feature" && kind != "write") continue;  // what the host received
        const auto bytes = space == std::string::npos
                               ? std::nullopt
                               : ParseHex(std::string_view(line).substr(space + 1));
        if (!bytes || bytes->empty()) {
            error = trace.string() + ":" + std::to_string(number) + ": malformed transfer";
            return false;
        }
        if (kind == "set-feature") {
            model.SetFeature(*bytes);
        } else {
            model.Write(*bytes);
        }
    }
    return true;
}

}  // namespace ornyx::device::uhid
