#include "keys/ui/KeyCapture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <unordered_map>

#include "keys/ScanCodes.h"
#include "keys/ui/NativeKey.h"

namespace ornyx::keys::ui {

namespace {

constexpr std::uint32_t Native(std::uint32_t evdev) {
    return evdev + kNativeScanCodeOffset;
}

// Events without a native scan code (synthesised ones) are named from their
// Qt key: the Linux key code of that key on a standard keyboard. Left and
// right modifiers cannot be told apart this way; the left one is assumed.
std::uint32_t ScanCodeFromQtKey(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        static constexpr std::uint32_t kLetters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                                       36, 37, 38, 50, 49, 24, 25, 16, 19,
                                                       31, 20, 22, 47, 17, 45, 21, 44};
        return Native(kLetters[key - Qt::Key_A]);
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        const int digit = key - Qt::Key_0;
        if (keypad) {
            static constexpr std::uint32_t kPad[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
            return Native(kPad[digit]);
        }
        return Native(digit == 0 ? 11u : static_cast<std::uint32_t>(1 + digit));
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10)
        return Native(static_cast<std::uint32_t>(59 + key - Qt::Key_F1));
    if (keypad) {
        // Keypad keys with Num Lock off arrive as navigation keys.
        switch (key) {
            case Qt::Key_Enter:
            case Qt::Key_Return:
                return Native(96);
            case Qt::Key_Slash:
                return Native(98);
            case Qt::Key_Asterisk:
                return Native(55);
            case Qt::Key_Minus:
                return Native(74);
            case Qt::Key_Plus:
                return Native(78);
            case Qt::Key_Period:
            case Qt::Key_Comma:
            case Qt::Key_Delete:
                return Native(83);
            case Qt::Key_Insert:
                return Native(82);
            case Qt::Key_End:
                return Native(79);
            case Qt::Key_Down:
                return Native(80);
            case Qt::Key_PageDown:
                return Native(81);
            case Qt::Key_Left:
                return Native(75);
            case Qt::Key_Clear:
                return Native(76);
            case Qt::Key_Right:
                return Native(77);
            case Qt::Key_Home:
                return Native(71);
            case Qt::Key_Up:
                return Native(72);
            case Qt::Key_PageUp:
                return Native(73);
            case Qt::Key_NumLock:
                return Native(69);
            default:
                break;
        }
    }
    switch (key) {
        case Qt::Key_Escape:
            return Native(1);
        case Qt::Key_Minus:
            return Native(12);
        case Qt::Key_Equal:
            return Native(13);
        case Qt::Key_Backspace:
            return Native(14);
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return Native(15);
        case Qt::Key_BracketLeft:
            return Native(26);
        case Qt::Key_BracketRight:
            return Native(27);
        case Qt::Key_Return:
            return Native(28);
        case Qt::Key_Control:
            return Native(29);
        case Qt::Key_Semicolon:
            return Native(39);
        case Qt::Key_Apostrophe:
            return Native(40);
        case Qt::Key_QuoteLeft:
            return Native(41);
        case Qt::Key_Shift:
            return Native(42);
        case Qt::Key_Backslash:
            return Native(43);
        case Qt::Key_Comma:
            return Native(51);
        case Qt::Key_Period:
            return Native(52);
        case Qt::Key_Slash:
            return Native(53);
        case Qt::Key_Asterisk:
            return Native(55);
        case Qt::Key_Alt:
            return Native(56);
        case Qt::Key_Space:
            return Native(57);
        case Qt::Key_CapsLock:
            return Native(58);
        case Qt::Key_NumLock:
            return Native(69);
        case Qt::Key_ScrollLock:
            return Native(70);
        case Qt::Key_Plus:
            return Native(78);
        case Qt::Key_F11:
            return Native(87);
        case Qt::Key_F12:
            return Native(88);
        case Qt::Key_Enter:
            return Native(96);
        case Qt::Key_Print:
        case Qt::Key_SysReq:
            return Native(99);
        case Qt::Key_AltGr:
            return Native(100);
        case Qt::Key_Home:
            return Native(102);
        case Qt::Key_Up:
            return Native(103);
        case Qt::Key_PageUp:
            return Native(104);
        case Qt::Key_Left:
            return Native(105);
        case Qt::Key_Right:
            return Native(106);
        case Qt::Key_End:
            return Native(107);
        case Qt::Key_Down:
            return Native(108);
        case Qt::Key_PageDown:
            return Native(109);
        case Qt::Key_Insert:
            return Native(110);
        case Qt::Key_Delete:
            return Native(111);
        case Qt::Key_Pause:
            return Native(119);
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return Native(125);
        case Qt::Key_Super_R:
            return Native(126);
        case Qt::Key_Menu:
            return Native(127);
        default:
            return 0;
    }
}

// The unshifted text of each key as last seen without modifiers, so that a
// key pressed with Shift or Ctrl keeps the name of its plain character, as
// on Windows. Only the UI thread touches it.
std::unordered_map<std::uint32_t, QString>& PlainTexts() {
    static std::unordered_map<std::uint32_t, QString> texts;
    return texts;
}

bool Printable(const QString& text) {
    return text.size() >= 1 && text.size() <= 2 && text.at(0).isPrint() && !text.at(0).isSpace();
}

}  // namespace

KeyCapture::KeyCapture(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

KeyCapture::~KeyCapture() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

CapturedKey KeyCapture::FromEvent(const QKeyEvent& event) {
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    std::uint32_t scan = NativeScanCode(event);
    if (scan == 0) scan = ScanCodeFromQtKey(event.key(), keypad);

    QString layout;
    if (ScanCodeFollowsLayout(scan)) {
        const Qt::KeyboardModifiers held =
            event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                 Qt::MetaModifier | Qt::GroupSwitchModifier);
        auto& plain = PlainTexts();
        if (held == Qt::NoModifier && Printable(event.text())) {
            layout = event.text().toUpper();
            plain[scan] = layout;
        } else if (const auto it = plain.find(scan); it != plain.end()) {
            layout = it->second;
        } else if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
            layout = QChar(event.key());
        }
    }
    const QByteArray utf8 = layout.toUtf8();
    return CapturedKey{
        KeyNameFromScanCode(
            scan, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))),
        event.type() == QEvent::KeyPress, event.isAutoRepeat(), event.timestamp()};
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !handler_) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (event == lastEvent_ && type == lastType_ && key->key() == lastKey_ &&
        key->timestamp() == lastTimestamp_ && key->nativeScanCode() == lastScanCode_) {
        return false;  // the same keystroke on its way to the next receiver
    }
    lastEvent_ = event;
    lastType_ = type;
    lastKey_ = key->key();
    lastTimestamp_ = key->timestamp();
    lastScanCode_ = key->nativeScanCode();
    return handler_(FromEvent(*key));
}

}  // namespace ornyx::keys::ui
