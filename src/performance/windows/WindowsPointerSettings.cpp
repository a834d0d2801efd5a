#include "performance/windows/WindowsPointerSettings.h"

#include <windows.h>

#include <array>
#include <climits>

namespace ornyx::performance::windows {
namespace {

class WindowsPointerSettings final : public PointerSettings {
public:
    bool Has(PointerOption) const override { return true; }

    std::optional<MouseParameters> GetMouseParameters() override {
        std::array<int, 3> p{};
        if (SystemParametersInfoW(SPI_GETMOUSE, 0, p.data(), 0) == FALSE) return std::nullopt;
        return MouseParameters{p[0], p[1], p[2]};
    }

    std::optional<int> GetSpeed() override {
        int speed = 0;
        if (SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed, 0) == FALSE) return std::nullopt;
        return speed;
    }

    std::optional<int> GetWheelScrollLines() override {
        UINT lines = 0;
        if (SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0) == FALSE) {
            return std::nullopt;
        }
        // WHEEL_PAGESCROLL is UINT_MAX: the -1 that the page and config.bin keep.
        if (lines == WHEEL_PAGESCROLL) return kScrollByScreen;
        // Anything else beyond int is not a line count a slider can show.
        return lines > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(lines);
    }

    std::optional<int> GetDoubleClickTime() override {
        const UINT ms = ::GetDoubleClickTime();
        if (ms == 0) return std::nullopt;
        return ms > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
    }

    bool SetMouseParameters(const MouseParameters& parameters) override {
        std::array<int, 3> p{parameters.threshold1, parameters.threshold2, parameters.acceleration};
        return SystemParametersInfoW(SPI_SETMOUSE, 0, p.data(), SPIF_SENDCHANGE) != FALSE;
    }

    bool SetSpeed(int speed) override {
        // Windows takes the speed (1..20) from the pointer argument itself and
        // ignores the other; Wine reads the other one. Giving it in both suits both.
        // Windows refuses speeds outside 1..20 and Wine keeps them; refuse them on both.
        if (speed < kMinClassicSpeed || speed > kMaxClassicSpeed) return false;
        const auto value = static_cast<UINT>(speed);
        return SystemParametersInfoW(SPI_SETMOUSESPEED, value,
                                     reinterpret_cast<void*>(static_cast<INT_PTR>(speed)),
                                     SPIF_SENDCHANGE) != FALSE;
    }

    bool SetWheelScrollLines(int lines) override {
        if (lines < 0 && lines != kScrollByScreen) return false;
        const UINT value = lines == kScrollByScreen ? WHEEL_PAGESCROLL : static_cast<UINT>(lines);
        return SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, value, nullptr, SPIF_SENDCHANGE) !=
               FALSE;
    }

    bool SetDoubleClickTime(int milliseconds) override {
        if (milliseconds <= 0) return false;
        return SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, static_cast<UINT>(milliseconds),
                                     nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
    }
};

}  // namespace

std::unique_ptr<PointerSettings> CreateDesktopPointerSettings() {
    return std::make_unique<WindowsPointerSettings>();
}

}  // namespace ornyx::performance::windows
