#include "skin/SkinCanvas.h"

#include <algorithm>

#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWindow>

#include "common/Utf8.h"
#include "i18n/TextSettings.h"
#include "settings/ProgramHome.h"
#include "skin/SkinImage.h"

namespace ornyx::skin {

// ---- DrawingSettings ----------------------------------------------------------------

DrawingSettings DrawingSettings::From(const settings::ProgramPaths& paths,
                                      const i18n::TextSettings& text) {
    DrawingSettings out;
    out.skinsDir = paths.skins;
    out.userSkinsDir = paths.userSkins;
    out.skinName = text.skinName;
    out.red = text.red;
    out.green = text.green;
    out.blue = text.blue;
    return out;
}

bool DrawingSettings::SkinNameUsable() const {
    return skinName != ".." && skinName.find('/') == std::string::npos &&
           skinName.find('\0') == std::string::npos;
}

QString DrawingSettings::SkinFolder() const {
    if (!SkinNameUsable()) return {};
    std::error_code ec;
    const bool own = !userSkinsDir.empty() && !skinName.empty() &&
                     std::filesystem::is_directory(userSkinsDir / skinName, ec);
    const std::filesystem::path& root = own ? userSkinsDir : skinsDir;
    return QString::fromStdString(utf8::FromPath(root)) + u'/' + FromUtf8(skinName);
}

QString DrawingSettings::SkinFile(std::string_view fileName) const {
    const QString folder = SkinFolder();
    if (folder.isEmpty()) return {};
    return folder + FromUtf8(fileName);
}

// ---- SkinCanvas ---------------------------------------------------------------------

SkinCanvas::SkinCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The page covers every pixel; nothing needs clearing before it is copied.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(0, 0);
}

namespace {

// `area` of the page (widget pixels) in the page image's own pixels.
QRectF InPagePixels(const QRect& area, qreal ratio) {
    return QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
}

}  // namespace

QSize SkinCanvas::PageSize() const {
    return page_.deviceIndependentSize().toSize();
}

void SkinCanvas::UsePlainPage(const QSize& size, const QColor& colour) {
    const int scale = SkinFileScale(devicePixelRatioF());
    page_ = QImage(size * scale, QImage::Format_RGB32);
    page_.setDevicePixelRatio(scale);
    page_.fill(colour);
    setFixedSize(size);
    update();
}

bool SkinCanvas::LoadPage(const QString& backgroundPath) {
    // As many page pixels as the screen has for each widget pixel, so that
    // the @2x skin files and the texts come out sharp on a scaled screen.
    page_ = LoadOpaquePage(backgroundPath, devicePixelRatioF(), std::move(page_));
    setFixedSize(PageSize());
    update();
    return HasPage();
}

bool SkinCanvas::RestoreBackground(const QString& backgroundPath, const QRect& area) {
    if (page_.isNull()) return false;
    const QImage copy = LoadOpaquePage(backgroundPath, page_.devicePixelRatio());
    if (copy.isNull()) return false;
    QPainter painter(&page_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(area), copy, InPagePixels(area, copy.devicePixelRatio()));
    painter.end();
    update(area);
    return true;
}

void SkinCanvas::paintEvent(QPaintEvent* event) {
    if (page_.isNull()) return;
    QPainter painter(this);
    const QRect area = event->rect() & QRect(QPoint(0, 0), PageSize());
    painter.drawImage(QRectF(area), page_, InPagePixels(area, page_.devicePixelRatio()));
}

// ---- DrawSession --------------------------------------------------------------------

DrawSession::DrawSession(SkinCanvas& canvas, const DrawingSettings& settings, const QFont& font,
                         MessageSink* missingFiles)
    : canvas_(canvas),
      settings_(settings),
      folder_(settings.SkinFolder()),
      font_(font),
      missingFiles_(missingFiles) {
    if (canvas_.HasPage()) painter_.begin(&canvas_.page_);
}

DrawSession::~DrawSession() {
    if (painter_.isActive()) painter_.end();
    canvas_.update();
    if (missingFiles_ != nullptr) {
        for (const auto& message : pending_.messages)
            missingFiles_->ShowMessage(message.text, message.caption);
    }
}

bool DrawSession::Element(std::string_view fileName, int x, int y) {
    if (!painter_.isActive()) return false;
    // As DrawingSettings::SkinFile: no usable folder, no file.
    const QString path = folder_.isEmpty() ? QString() : folder_ + FromUtf8(fileName);
    if (DrawSkinElement(painter_, path, x, y)) return true;
    if (missingFiles_ != nullptr && settings_.reportedMissing->insert(path).second)
        pending_.ShowMessage(MissingFileText(path).toStdString(), kProgramName);
    return false;
}

void DrawSession::Text(const QString& text, const QRect& rect, TextFormat format) {
    Text(text, rect, format, settings_.TextColour());
}

void DrawSession::Text(const QString& text, const QRect& rect, TextFormat format,
                       const QColor& colour) {
    DrawSkinText(painter_, text, rect, format, font_, colour);
}

// ---- WindowDrag ---------------------------------------------------------------------

void WindowDrag::Press(QWidget& window, const QMouseEvent& event) {
    dragging_ = false;
    if (event.button() != Qt::LeftButton) return;
    if (QWindow* handle = window.windowHandle(); handle != nullptr && handle->startSystemMove())
        return;  // the window system moves it until the button is released
    dragging_ = true;
    grabOffset_ = event.globalPosition().toPoint() - window.pos();
}

bool WindowDrag::Move(QWidget& window, const QMouseEvent& event) {
    if (!dragging_) return false;
    if (!(event.buttons() & Qt::LeftButton)) {
        dragging_ = false;  // the release went elsewhere
        return false;
    }
    window.move(event.globalPosition().toPoint() - grabOffset_);
    return true;
}

QPoint CentredIn(const QSize& size, const QRect& area) {
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(area.center());
    return QPoint(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
}

}  // namespace ornyx::skin
