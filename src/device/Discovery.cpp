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

bool OpenEventChannel(HidAccess& hid, const std::string& path, const TopLevelCollection& c,
                      Connection& connection, DebugLog& log) {
    std::string error;
    connection.eventRead = hid.Open(path, OpenMode::Read, error);
    if (!connection.eventRead) {
        log.Write("cannot open event channel " + path + ": " + error);
        return false;
    }
    connection.eventPath = path;
    connection.eventReportLength = c.inputReportLength;
    connection.eventUsesReportIds = c.usesReportIds;
    return true;
}

bool OpenCommandChannel(HidAccess& hid, const std::string& path, const TopLevelCollection& c,
                        Connection& connection, DebugLog& log) {
    // Longer reports than the transport's buffers would be cut short on the wire.
    if (c.featureReportLength > kMaxFeatureReportLength ||
        c.inputReportLength > kMaxBlockReportLength ||
        c.outputReportLength > kMaxBlockReportLength) {
        log.Write(
            Format("command collection of %s refused: feature %u, input %u, "
                   "output %u bytes exceed 16/40/40",
                   path.c_str(), c.featureReportLength, c.inputReportLength, c.outputReportLength));
        return false;
    }
    std::string error;
    connection.command = hid.Open(path, OpenMode::ReadWrite, error);
    if (!connection.command) {
        log.Write("cannot open command channel " + path + ": " + error);
        return false;
    }
    connection.devicePath = path;
    connection.featureReportLength = c.featureReportLength;
    connection.inputReportLength = c.inputReportLength;
    connection.outputReportLength = c.outputReportLength;
    return true;
}

// Opens whichever of the two channels this node of the mouse holds and the
// search still lacks. False when the search must end in failure.
bool OpenNode(HidAccess& hid, const HidInterfaceInfo& node, Connection& connection,
              bool& commandOpen, MessageSink& messages, DebugLog& log) {
    if (!node.collection && node.reportDescriptor.empty()) {
        messages.ShowMessage("HidD_GetPreparsedData failed.\n");
        return false;
    }
    std::string error;
    const std::vector<TopLevelCollection> collections = CollectionsOf(node, error);
    if (collections.empty()) {
        log.Write("report descriptor of " + node.path + " unusable: " + error);
        messages.ShowMessage("HidP_GetCaps failed.");
        return false;
    }
    for (const TopLevelCollection& c : collections) {
        log.Write(
            Format("Usage:0x%04x\n, UsagePage:0x%04x\n,FeatureReportByteLength:0x%04x\n,"
                   "InputReportByteLength:0x%x\n,OutputReportByteLength:0x%x\n",
                   c.usage, c.usagePage, c.featureReportLength, c.inputReportLength,
                   c.outputReportLength));
        SeenCollection seen{node.path, c, false, false};
        bool opened = true;
        if (IsEventCollection(c) && !connection.eventRead) {
            opened = seen.openedAsEvent = OpenEventChannel(hid, node.path, c, connection, log);
        } else if (IsCommandCollection(c) && !commandOpen) {
            opened = seen.openedAsCommand = commandOpen =
                OpenCommandChannel(hid, node.path, c, connection, log);
        }
        connection.seen.push_back(seen);
        if (!opened) return false;
    }
    return true;
}

}  // namespace

std::vector<TopLevelCollection> CollectionsOf(const HidInterfaceInfo& node, std::string& error) {
    if (node.collection) return {*node.collection};
    if (node.reportDescriptor.empty()) {
        error = "no report descriptor";
        return {};
    }
    ParseResult parsed = ParseReportDescriptor(node.reportDescriptor);
    if (parsed.collections.empty()) error = parsed.error;
    return std::move(parsed.collections);
}

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
        if (!OpenNode(hid, node, connection, commandOpen, messages, log)) {
            connection.Close();
            return false;
        }
        if (commandOpen && connection.eventRead) break;
    }
    connection.devicePresent = commandOpen;
    if (!commandOpen) connection.Close();
    return commandOpen;
}

}  // namespace ornyx::device
