#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>

#include "keys/ui/PopupList.h"
#include "skin/PopupFrame.h"

class QLabel;

namespace ornyx::macros::ui {

// Picks a macro of record.ini and how it repeats, for a button given the
// macro function.
class CMacroDialog : public skin::PopupFrame {
    Q_OBJECT

public:
    static constexpr QRect kPromptRect = skin::RectFromEdges(-8, 112, 201, 128);
    static constexpr QRect kMacroRect = skin::RectFromEdges(42, 128, 136, 144);
    static constexpr QRect kMacroBox = skin::RectFromEdges(42, 128, 151, 144);
    // Inside the panel, above OK and Cancel; longer lists scroll.
    static constexpr QRect kListRect = skin::RectFromEdges(42, 146, 151, 224);
    static constexpr QRect TickRect(int mode) { return skin::RectFromEdges(220, 28 + 50 * mode, 236, 44 + 50 * mode); }
    static constexpr QRect ModeTextRect(int mode) {
        // Three lines: the longer repeat modes wrap that far in English and Turkish.
        return skin::RectFromEdges(237, 15 + 50 * mode, 390, 57 + 50 * mode);
    }

    CMacroDialog(const skin::PopupContext& context, std::filesystem::path recordFile, QWidget* parent = nullptr);
    ~CMacroDialog() override;

    // Results: the chosen macro's position in the file (0 when none was
    // chosen), its name (empty when none), the repeat mode 1..3.
    int macroNumber() const { return macroNumber_; }
    const std::string& macroName() const { return macroName_; }
    int repeatMode() const { return repeatMode_; }
    bool ListOpen() const { return list_.IsOpen(); }
    QListWidget* MacroList() const { return list_.List(); }

protected:
    void CreateContent() override;
    void DrawContent(skin::DrawSession& session) override;
    void BeforePress(const QPoint& point) override;
    bool ContentPress(const QPoint& point) override;
    QAbstractScrollArea* WheelList() override;

private:
    void Chosen(int row, const QString& text);

    std::filesystem::path recordFile_;
    int macroNumber_ = 0;
    std::string macroName_;
    int repeatMode_ = 1;
    QLabel* macroLabel_ = nullptr;
    keys::ui::PopupList list_;
};

}  // namespace ornyx::macros::ui
