#pragma once

// The page image of a skinned window and the off-screen drawing into it.
//
// Each window keeps one persistent page image, made from its background file.
// Elements and texts are drawn into the page, never onto the screen; the
// window's widget only copies the page. So a window that is covered, hidden or
// shown again gets its last drawn state back without any page code running, and
// a redraw of several elements reaches the screen in one piece.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "common/MessageSink.h"
#include "skin/SkinText.h"

class QMouseEvent;

namespace ornyx::i18n {
struct TextSettings;
}
namespace ornyx::settings {
struct ProgramPaths;
}

namespace ornyx::skin {

// Where the skin lives and how its texts look: program-wide, changed only by the
// skins dialog.
struct DrawingSettings {
    std::filesystem::path skinsDir;  // the program home's "Skins" folder
    std::string skinName;            // a sub-folder of skinsDir; empty: skinsDir itself
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    // The skin files already reported missing in this run, shared by every copy
    // of the settings: each missing file is named once, not at every redraw.
    std::shared_ptr<std::set<QString>> reportedMissing = std::make_shared<std::set<QString>>();
    // The user's own skins; a skin there wins over one of the same name in
    // skinsDir. Empty where the home holds all skins.
    std::filesystem::path userSkinsDir{};

    static DrawingSettings From(const settings::ProgramPaths& paths,
                                const i18n::TextSettings& text);

    // A name that would leave the Skins folder ("..", or anything with "/") is
    // not a skin; it behaves as a skin folder that does not exist.
    bool SkinNameUsable() const;
    // The skins folder holding the skin (the user's when it has one of that
    // name), "/", the skin name. Empty when the name is not usable.
    QString SkinFolder() const;
    // The skin folder followed by `fileName` as it is (skin file names start
    // with "/"). Empty when the name is not usable, so that no file loads.
    QString SkinFile(std::string_view fileName) const;
    QColor TextColour() const { return SkinTextColour(red, green, blue); }
};

// A widget that shows its page image and nothing else. It lies under the
// window's controls, takes the page's size and lets every mouse event through
// to the window, which does the hit-testing.
class SkinCanvas : public QWidget {
    Q_OBJECT

public:
    explicit SkinCanvas(QWidget* parent = nullptr);

    // Makes the page an opaque copy of the background file and takes its size.
    // A missing or unreadable file leaves no page: size 0 × 0, and every later
    // drawing does nothing. Returns whether there is a page.
    bool LoadPage(const QString& backgroundPath);

    // Puts back the background file's pixels in `area` (outside a draw session),
    // so that something drawn there can go again. False when nothing changed.
    bool RestoreBackground(const QString& backgroundPath, const QRect& area);
    // A page of `size` in one plain colour, for a skin whose background is gone.
    void UsePlainPage(const QSize& size, const QColor& colour);

    bool HasPage() const { return !page_.isNull(); }
    // In widget pixels; the image may hold more (its device pixel ratio).
    QSize PageSize() const;
    // Format_RGB32; null without a page.
    const QImage& Page() const { return page_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class DrawSession;
    QImage page_;
};

// One redraw of a group of elements: everything drawn through the session
// lands in the canvas's page, and the widget is updated once when the session
// ends. Without a page nothing is drawn.
//
// With a message sink (pop-ups) a missing element file is reported with
// kLoadImageFailed and its path, once per run; the messages are shown when the session
// has ended, so that a message box's own event loop never finds the page half
// drawn or still held by the session's painter.
class DrawSession {
public:
    DrawSession(SkinCanvas& canvas, const DrawingSettings& settings, const QFont& font,
                MessageSink* missingFiles = nullptr);
    ~DrawSession();
    DrawSession(const DrawSession&) = delete;
    DrawSession& operator=(const DrawSession&) = delete;

    // False when the canvas has no page.
    bool Active() const { return painter_.isActive(); }

    // Draws the skin file `fileName` (starting with "/") at (x, y), natural size.
    bool Element(std::string_view fileName, int x, int y);
    // Draws text in the skin's text colour, or in `colour`.
    void Text(const QString& text, const QRect& rect, TextFormat format);
    void Text(const QString& text, const QRect& rect, TextFormat format, const QColor& colour);

    // For drawing that is neither a skin file nor a text (colour swatches).
    QPainter& Painter() { return painter_; }

private:
    SkinCanvas& canvas_;
    const DrawingSettings& settings_;
    // The skin folder, found once per session: finding it looks at the disk,
    // and a page draw names some seventy files in it.
    QString folder_;
    QFont font_;
    MessageSink* missingFiles_;
    RecordingMessageSink pending_;
    QPainter painter_;
};

// Where a window of `size` goes to sit in the middle of `area`; a window larger
// than the area keeps its top-left corner (close, page buttons) in view.
QPoint CentredIn(const QSize& size, const QRect& area);

// Moves a window while the left button, pressed on its free background, is
// held. The window system moves it where it can (Wayland allows no other way);
// elsewhere the window follows the pointer.
class WindowDrag {
public:
    // Call from the window's press handler for a press on free background.
    void Press(QWidget& window, const QMouseEvent& event);
    // True while a drag is under way (the move was used for it).
    bool Move(QWidget& window, const QMouseEvent& event);
    void Release() { dragging_ = false; }
    bool Dragging() const { return dragging_; }

private:
    bool dragging_ = false;
    QPoint grabOffset_;  // pointer position relative to the window's top-left corner
};

}  // namespace ornyx::skin
