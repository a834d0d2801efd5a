#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

class QEvent;
class QKeyEvent;

namespace ornyx::keys::ui {

struct CapturedKey {
    std::string name;
    bool press;
    bool autoRepeat;
    std::uint64_t timestamp = 0;  // the window system's event time in ms
};

// Application-wide key filter: installed on qApp in the constructor, removed in
// the destructor. The handler runs synchronously for every key press and release
// of the program's windows, before the key is dispatched; returning true swallows it.
class KeyCapture : public QObject {
public:
    using Handler = std::function<bool(const CapturedKey&)>;
    explicit KeyCapture(Handler handler, QObject* parent = nullptr);
    ~KeyCapture() override;
    static CapturedKey FromEvent(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
    // A key event reaches the filter once for each receiver on its way (the
    // window, the focus widget, its parents); the handler sees it once.
    const QEvent* lastEvent_ = nullptr;
    int lastType_ = 0;
    int lastKey_ = 0;
    std::uint64_t lastTimestamp_ = 0;
    std::uint32_t lastScanCode_ = 0;
};

}  // namespace ornyx::keys::ui
