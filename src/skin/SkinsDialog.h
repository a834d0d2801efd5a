#pragma once

// The skins dialog: chooses the skin (a sub-folder of the Skins folder) and
// the text colour of every window. The owner reads the choice after OK.

#include <QColor>
#include <QFontMetrics>
#include <QListWidget>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "skin/PopupFrame.h"

class QLabel;

namespace ornyx::skin {

// The skins under `skinsRoot`: its sub-folders, by name, sorted without regard
// to case so that the list does not depend on the file system's order. Empty
// when the folder cannot be read.
std::vector<std::string> ListSkins(const std::filesystem::path& skinsRoot);
// The skins of both folders as one list, each name once (the user's own
// skins and the shipped ones).
std::vector<std::string> ListSkins(const std::filesystem::path& skinsRoot,
                                   const std::filesystem::path& userSkinsRoot);

// `text` as one line when it fits `width`, else as two lines of about equal
// length broken at a space.
QString BalancedLines(const QString& text, const QFontMetrics& metrics, int width);

class CSkinsDialog : public PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kColourPromptRect = ToQRect(layout::skins::kColourPrompt);
    static constexpr QRect kColourSampleRect = ToQRect(layout::skins::kColourSample);
    static constexpr QRect kNameFieldRect = ToQRect(layout::skins::kNameField);
    // The name field and the arrow to its right open and close the list.
    static constexpr QRect kSkinBoxRect = ToQRect(layout::skins::kSkinBox);
    // Kept inside the panel above OK and Cancel; longer lists scroll.
    static constexpr QRect kSkinListRect = ToQRect(layout::skins::kSkinList);
    static constexpr QColor kSampleFrame{128, 128, 128};

    // Starts from the current skin and text colour of `context.drawing`.
    explicit CSkinsDialog(const PopupContext& context, QWidget* parent = nullptr);

    // The choice. The skin name is a sub-folder of the Skins folder.
    const std::string& ChosenSkinName() const { return skinName_; }
    QColor ChosenColour() const { return colour_; }
    int ChosenIndex() const { return chosenIndex_; }

    // The colour chooser; tests replace it so that nothing waits for a user.
    std::function<std::optional<QColor>(const QColor&)> pickColour;

    // The open skin list, or null; the name field; the colour sample.
    QListWidget* SkinList() const { return list_; }
    QLabel* NameField() const { return nameField_; }
    QLabel* ColourSample() const { return sample_; }

protected:
    void AssignTexts() override;
    void CreateContent() override;
    void DrawContent(DrawSession& session) override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;
    QAbstractScrollArea* WheelList() override;

private:
    void OpenList();
    void CloseList();
    void Choose(QListWidgetItem* item);
    void PaintSample();

    std::filesystem::path skinsRoot_;
    std::filesystem::path userSkinsRoot_;
    std::string skinName_;
    QColor colour_;
    int chosenIndex_ = 0;
    QString prompt_;
    QPointer<QListWidget> list_;
    QLabel* nameField_ = nullptr;
    QLabel* sample_ = nullptr;
};

}  // namespace ornyx::skin
