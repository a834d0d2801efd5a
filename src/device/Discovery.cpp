#include "device/Discovery.h"

#include "device/ReportDescriptor.h"

namespace ornyx::device {

namespace {

bool IsEventCollection(const TopLevelCollection& c) {
    return c.usagePage == kEventUsage && c.usage == kEventUsage && c.inputReportLength != 0;
}

bool IsCommandCollection(const TopLevelCollection& c) {
    return c.usagePage == kCommandUsage && c.usage == kCommandUsage && c.featureReportLength != 0;
}

}  // namespace

bool OpenDevice(HidAccess& hid, Connection& connection, MessageSink& messages, DebugLog& log) {
    connection.Close();
    connection.seen.clear();
    connection.devicePath.clear();
    connection.eventPath.clear();

    bool commandOpen = false;
    for (const HidInterfaceInfo& node : hid.Enumerate()) {
        log.Write(Format("PID:%04x\n,VID:%04x\n,VersionNumber:%04x\n", node.productId,
                         node.vendorId, node.version));
        if (node.vendorId != kMouseVendorId || node.productId != kMouseProductId) continue;

        if (node.reportDescriptor.empty()) {
            messages.ShowMessage("HidD_GetPreparsedData failed.\n");
            connection.Close();
            return false;
        }
        const ParseResult parsed = ParseReportDescriptor(node.reportDescriptor);
        if (parsed.collections.empty()) {
            log.Write("report descriptor of " + node.path + " unusable: " + parsed.error);
            messages.ShowMessage("HidP_GetCaps failed.");
            connection.Close();
            return false;
        }

        for (const TopLevelCollection& c : parsed.collections) {
            log.Write(Format("Usage:0x%04x\n, UsagePage:0x%04x\n,FeatureReportByteLength:0x%04x\n,"
                             "InputReportByteLength:0x%x\n,OutputReportByteLength:0x%x\n",
                             c.usage, c.usagePage, c.featureReportLength, c.inputReportLength,
                             c.outputReportLength));
            SeenCollection seen{node.path, c, false, false};

            if (IsEventCollection(c) && !connection.eventRead) {
                std::string error;
                connection.eventRead = hid.Open(node.path, OpenMode::Read, error);
                if (!connection.eventRead) {
                    log.Write("cannot open event channel " + node.path + ": " + error);
                    connection.seen.push_back(seen);
                    connection.Close();
                    return false;
                }
                connection.eventPath = node.path;
                connection.eventReportLength = c.inputReportLength;
                connection.eventUsesReportIds = c.usesReportIds;
                seen.openedAsEvent = true;
            } else if (IsCommandCollection(c) && !commandOpen) {
                if (c.featureReportLength > kMaxFeatureReportLength ||
                    c.inputReportLength > kMaxBlockReportLength ||
                    c.outputReportLength > kMaxBlockReportLength) {
                    log.Write(Format("command collection of %s refused: feature %u, input %u, "
                                     "output %u bytes exceed 16/40/40",
                                     node.path.c_str(), c.featureReportLength, c.inputReportLength,
                                     c.outputReportLength));
                    connection.seen.push_back(seen);
                    connection.Close();
                    return false;
                }
                std::string error;
                connection.command = hid.Open(node.path, OpenMode::ReadWrite, error);
                if (!connection.command) {
                    log.Write("cannot open command channel " + node.path + ": " + error);
                    connection.seen.push_back(seen);
                    connection.Close();
                    return false;
                }
                connection.devicePath = node.path;
                connection.featureReportLength = c.featureReportLength;
                connection.inputReportLength = c.inputReportLength;
                connection.outputReportLength = c.outputReportLength;
                commandOpen = true;
                seen.openedAsCommand = true;
            }
            connection.seen.push_back(seen);
        }
        if (commandOpen && connection.eventRead) break;
    }
    connection.devicePresent = commandOpen;
    if (!commandOpen) connection.Close();
    return commandOpen;
}

}  // namespace ornyx::device
