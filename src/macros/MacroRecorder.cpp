#include "macros/MacroRecorder.h"

#include "macros/MacroItems.h"

namespace ornyx::macros {

namespace {

constexpr std::string_view kLeftCtrlName = "Ctrl";
constexpr std::string_view kRightCtrlName = "Right Ctrl";

}  // namespace

std::string TruncatedKeyName(std::string_view name) {
    if (name.size() <= kMaxKeyNameBytes) return std::string(name);
    std::size_t end = kMaxKeyNameBytes;
    // Back off over continuation bytes so that no character is cut in half.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0U) == 0x80U) --end;
    return std::string(name.substr(0, end));
}

void MacroRecorder::Start() {
    recording_ = true;
    firstPressDone_ = false;
    count_ = 0;
    trailingCtrlLines_ = 0;
    lastRelease_.recorded = false;
}

bool MacroRecorder::Stop() {
    const bool was = recording_;
    recording_ = false;
    count_ = 0;
    trailingCtrlLines_ = 0;
    lastRelease_ = {};
    return was;
}

bool MacroRecorder::IsStopKey(const RecorderKey& key) const {
    if (key.name == kBreakKeyName) return true;
    return key.name == kPauseKeyName && (key.ctrlHeld || leftCtrlDown_ || rightCtrlDown_);
}

RecorderStep MacroRecorder::OnKey(const RecorderKey& key, bool recordInto) {
    RecorderStep step;
    if (!recording_) return step;
    const std::string name = TruncatedKeyName(key.name);

    const bool pairsWithRelease = key.press && key.timestamp != 0 &&
                                  key.timestamp == lastRelease_.timestamp &&
                                  name == lastRelease_.name;
    if (pairsWithRelease) {
        // The press of an auto-repeat pair: the key is still held. Its release,
        // if it was taken for a real one, comes off the list again.
        const LastRelease release = lastRelease_;
        lastRelease_ = {};
        if (name == kLeftCtrlName) leftCtrlDown_ = true;
        if (name == kRightCtrlName) rightCtrlDown_ = true;
        if (release.counted) --count_;
        if (!release.recorded) return step;
        trailingCtrlLines_ = release.trailingCtrlLines;
        step.kind = RecorderStep::Kind::Append;
        step.removeTrailing = release.lines;
        return step;
    }
    if (!key.press) {
        lastRelease_ = {};
        lastRelease_.name = name;
        lastRelease_.timestamp = key.timestamp;
    } else {
        lastRelease_ = {};
    }

    if (key.autoRepeat) {
        // Repeats of the key last pressed are dropped, and so is every repeat
        // release (some systems send a release before each repeated press). A
        // repeat of another key is a key held since before the recording: its
        // first repeat counts as its press.
        if (!key.press || name == lastPress_) return step;
    }
    if (!key.autoRepeat) {
        if (name == kLeftCtrlName) leftCtrlDown_ = key.press;
        if (name == kRightCtrlName) rightCtrlDown_ = key.press;
    }
    if (key.press && IsStopKey(key)) {
        step.kind = RecorderStep::Kind::Stop;
        step.removeTrailing = trailingCtrlLines_;
        Stop();
        return step;
    }

    ++count_;
    if (count_ > kMaxRecordedEvents) {
        step.kind = RecorderStep::Kind::Stop;
        Stop();
        return step;
    }
    if (!key.press) lastRelease_.counted = true;
    if (!recordInto) return step;

    step.kind = RecorderStep::Kind::Append;
    const std::string delay = DelayItem(kDefaultDelayMs);
    if (key.press) {
        if (firstPressDone_) step.lines.push_back(delay);
        firstPressDone_ = true;
        step.lines.push_back(PressItem(name));
        lastPress_ = name;
    } else {
        step.lines.push_back(delay);
        step.lines.push_back(ReleaseItem(name));
        lastRelease_.recorded = true;
        lastRelease_.lines = step.lines.size();
        lastRelease_.trailingCtrlLines = trailingCtrlLines_;
    }
    const bool ctrlPress = key.press && (name == kLeftCtrlName || name == kRightCtrlName);
    trailingCtrlLines_ = ctrlPress ? step.lines.size() : 0;
    return step;
}

}  // namespace ornyx::macros
