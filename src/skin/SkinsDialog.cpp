#include "skin/SkinsDialog.h"

#include <QColorDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <algorithm>
#include <cctype>
#include <system_error>

#include "common/Utf8.h"
#include "i18n/Texts.h"
#include "skin/ControlColours.h"

namespace ornyx::skin {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::vector<std::string> ListSkins(const std::filesystem::path& skinsRoot) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(skinsRoot, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) names.push_back(utf8::FromPath(it->path().filename()));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(a);
        const std::string lb = Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

std::vector<std::string> ListSkins(const std::filesystem::path& skinsRoot,
                                   const std::filesystem::path& userSkinsRoot) {
    std::vector<std::string> names = ListSkins(skinsRoot);
    if (userSkinsRoot.empty()) return names;
    for (std::string& own : ListSkins(userSkinsRoot)) {
        if (std::find(names.begin(), names.end(), own) == names.end())
            names.push_back(std::move(own));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = Lower(a);
        const std::string lb = Lower(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

CSkinsDialog::CSkinsDialog(const PopupContext& context, QWidget* parent)
    : PopupFrame(context, kSkinsPopup, parent),
      skinsRoot_(context.drawing.skinsDir),
      userSkinsRoot_(context.drawing.userSkinsDir),
      skinName_(context.drawing.skinName),
      colour_(context.drawing.TextColour()) {
    pickColour = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
}

void CSkinsDialog::AssignTexts() {
    prompt_ = FromUtf8(i18n::Text(Language(), i18n::PopupTextId::TextColourPrompt));
}

void CSkinsDialog::CreateContent() {
    // Both fields let presses through: the dialog tests the press point.
    sample_ = new QLabel(this);
    sample_->setGeometry(kColourSampleRect);
    // Framed, so that it reads as a swatch to click even when the colour is
    // white or close to the panel's.
    sample_->setFrameStyle(QFrame::Box | QFrame::Plain);
    sample_->setLineWidth(1);
    sample_->setCursor(Qt::PointingHandCursor);
    sample_->setAttribute(Qt::WA_TransparentForMouseEvents);
    PaintSample();
    sample_->show();

    nameField_ = new QLabel(QString::fromStdString(skinName_), this);
    nameField_->setGeometry(kNameFieldRect);
    nameField_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    nameField_->setAttribute(Qt::WA_TransparentForMouseEvents);
    ColourControl(*nameField_);
    nameField_->show();
}

QString BalancedLines(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    // Of the breaks at spaces, the one whose longer line is shortest: two lines
    // of about the same length instead of a full line and a lone word.
    QString best = text;
    int bestWidth = metrics.horizontalAdvance(text);
    for (qsizetype i = text.indexOf(u' '); i > 0; i = text.indexOf(u' ', i + 1)) {
        const QString first = text.left(i);
        const QString second = text.mid(i + 1);
        const int longer =
            std::max(metrics.horizontalAdvance(first), metrics.horizontalAdvance(second));
        if (longer < bestWidth) {
            bestWidth = longer;
            best = first + u'\n' + second;
        }
    }
    return best;
}

void CSkinsDialog::DrawContent(DrawSession& session) {
    // The longer prompts (English, Turkish) do not fit one line of the box:
    // they go onto two lines of even length, still centred.
    const QString lines =
        BalancedLines(prompt_, QFontMetrics(DialogFont()), kColourPromptRect.width());
    if (!lines.contains(u'\n')) {
        session.Text(prompt_, kColourPromptRect, TextFormat::CentredSingleLine);
        return;
    }
    if (!session.Active()) return;
    QPainter& painter = session.Painter();
    painter.save();
    painter.setFont(DialogFont());
    painter.setPen(Context().drawing.TextColour());
    painter.drawText(kColourPromptRect, Qt::AlignCenter, lines);
    painter.restore();
}

void CSkinsDialog::PaintSample() {
    QPalette palette = sample_->palette();
    palette.setColor(QPalette::Window, colour_);
    palette.setColor(QPalette::WindowText, kSampleFrame);
    sample_->setPalette(palette);
    sample_->setAutoFillBackground(true);
}

void CSkinsDialog::BeforePress(const QPoint& point) {
    if (list_ != nullptr && !kSkinListRect.contains(point) && !kSkinBoxRect.contains(point))
        CloseList();
}

bool CSkinsDialog::ContentPress(const QPoint& point) {
    if (kSkinBoxRect.contains(point)) {
        if (list_ != nullptr) {
            CloseList();
        } else {
            OpenList();
        }
        return true;
    }
    if (kColourSampleRect.contains(point)) {
        if (const auto c = pickColour(colour_)) {
            colour_ = QColor(c->red(), c->green(), c->blue());
            PaintSample();
        }
        return true;
    }
    return false;
}

QAbstractScrollArea* CSkinsDialog::WheelList() {
    return list_;
}

void CSkinsDialog::OpenList() {
    auto* list = new QListWidget(this);
    list->setGeometry(kSkinListRect);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const std::string& name : ListSkins(skinsRoot_, userSkinsRoot_))
        list->addItem(QString::fromStdString(name));
    StyleDropDown(*list, DropDownLook::Of(Context().drawing), DialogFont());
    SelectEntryUnderPointer(*list);
    connect(list, &QListWidget::itemClicked, this, &CSkinsDialog::Choose);
    connect(list, &QListWidget::itemActivated, this, &CSkinsDialog::Choose);
    list->show();
    list_ = list;
}

void CSkinsDialog::CloseList() {
    if (list_ == nullptr) return;
    list_->hide();
    list_->deleteLater();
    list_ = nullptr;
}

void CSkinsDialog::Choose(QListWidgetItem* item) {
    if (list_ == nullptr || item == nullptr) return;
    const std::string name = item->text().toStdString();
    const int index = list_->row(item);
    CloseList();
    // The entry is taken only while its folder is still there, so that the
    // name never points at a skin that does not exist.
    for (const std::string& folder : ListSkins(skinsRoot_, userSkinsRoot_)) {
        if (SameIgnoringCase(folder, name)) {
            skinName_ = folder;
            chosenIndex_ = index;
            nameField_->setText(QString::fromStdString(folder));
            return;
        }
    }
}

}  // namespace ornyx::skin
