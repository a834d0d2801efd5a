#include "skin/SkinText.h"

#include <QStringList>

#include <QFontMetrics>
#include <QPainter>

namespace ornyx::skin {

int QtTextFlags(TextFormat format) {
    switch (format) {
        case TextFormat::CentredTop:
            return Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
        case TextFormat::LeftSingleLine:
            return Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        case TextFormat::CentredSingleLine:
            return Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine;
        case TextFormat::RightSingleLine:
            return Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine;
        case TextFormat::WordWrap:
            break;
    }
    // Wrapped texts are measured and placed in the middle of their rectangle.
    return Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
}

QFont FontFor(const i18n::FontRequest& request) {
    QFont font(FromUtf8(request.family));
    font.setWeight(static_cast<QFont::Weight>(request.weight));
    const int height = request.pixelHeight > 0 ? request.pixelHeight : 1;
    int size = height;
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > height) {
        --size;
        font.setPixelSize(size);
    }
    return font;
}

QFont NormalFont(i18n::Language language) {
    return FontFor(i18n::FontsFor(language).normal);
}

QFont TitleFont(i18n::Language language) {
    return FontFor(i18n::FontsFor(language).title);
}

QColor SkinTextColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return QColor(red, green, blue);
}

namespace {
TextDrawnHook textDrawnHook = nullptr;
}  // namespace

void SetTextDrawnHook(TextDrawnHook hook) {
    textDrawnHook = hook;
}

bool TextFits(const QString& text, const QRect& rect, TextFormat format, const QFont& font) {
    if (text.isEmpty()) return true;
    const QFontMetrics metrics(font);
    if (format == TextFormat::WordWrap) {
        // Measured as drawn: wrapped at the rectangle's width; a single word
        // wider than that would still be cut.
        const QRect needed = metrics.boundingRect(QRect(0, 0, rect.width(), 100000),
                                                  Qt::AlignLeft | Qt::TextWordWrap, text);
        return needed.width() <= rect.width() && needed.height() <= rect.height();
    }
    return metrics.horizontalAdvance(text) <= rect.width() && metrics.height() <= rect.height() + 1;
}

void DrawSkinText(QPainter& page, const QString& text, const QRect& rect, TextFormat format,
                  const QFont& font, const QColor& colour) {
    if (!page.isActive()) return;
    if (textDrawnHook != nullptr) textDrawnHook(text, rect, format, font);
    page.save();
    page.setFont(font);
    page.setPen(colour);
    page.setBackgroundMode(Qt::TransparentMode);
    page.drawText(rect, QtTextFlags(format), text);
    page.restore();
}

void InstallFontSubstitutes() {
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Tahoma", {"Liberation Sans", "DejaVu Sans"});
    const QStringList chinese = {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC"};
    QFont::insertSubstitutions(QString::fromUtf8("宋体"), chinese);
    QFont::insertSubstitutions(QString::fromUtf8("黑体"), chinese);
}

}  // namespace ornyx::skin
